#include "TestSensorRightPane.h"

#include "CodePage.h"
#include "DebugTrace.h"
#include "Graphics.h"
#include "Image.h"
#include "Language.h"
#include "Selection.h"
#include "UiScale.h"
#include "UiThread.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kCornerSize = 9;
// Lines in the 1024 x 768 layout: values from x 150, the programmed list
// from x 45, line k at y 80 + 24 k (the point is the text's lower left).
constexpr int kValueX = 150;
constexpr int kListX = 45;
constexpr int kFirstLineY = 80;
constexpr int kLineStep = 24;
constexpr int kFirstLines = 4;
constexpr int kBottomMargin = 12;
constexpr float kFontPoints = 11;
constexpr uint32_t kInk = 0xFF4C4C4C;
constexpr int kPictureList = 187;
constexpr int kPicture433 = 252;
constexpr int kPictureOther = 251;
constexpr int kWheelStep = 120;

const wchar_t* const kLabelKeys[] = {L"TEST_SENSOR_NUMBER",  L"TEST_SENSOR_TEMPERATURE", L"TEST_SENSOR_PRESSURE",
                                     L"TEST_SENSOR_VOLAGE",  L"TEST_SENSOR_HARDVERSION", L"TEST_SENSOR_SOFTVERSION",
                                     L"TEST_SENSOR_AREANUM", L"TEST_SENSOR_PSNCODE"};
const wchar_t* const kPvPtLabel = L"PV/PT:";

CPoint LinePoint(int x, int line) { return ScaleRect(CRect(x, kFirstLineY + kLineStep * line, x, x)).TopLeft(); }

} // namespace

CTestSensorRightPane::CTestSensorRightPane(const Selection* selection) : m_pSelection(selection) {}

void CTestSensorRightPane::RefreshLanguage()
{
    RunOnUiThread([&] {
        for (size_t i = 0; i < m_labels.size(); ++i)
            m_labels[i] = GetLanguageManager().GetText(kLabelKeys[i]);
        Invalidate();
    });
}

void CTestSensorRightPane::SetSensorInfo(const _SensorInfo& info)
{
    RunOnUiThread([&] {
        std::copy(info.texts.begin(), info.texts.end(), m_values.begin());
        Changed();
    });
    std::string all;
    for (const std::wstring& text : info.texts)
        all += (all.empty() ? "" : " | ") + WideToUtf8(text);
    DebugTrace("sensor values: %s\n", all.c_str());
}

void CTestSensorRightPane::SetFirstValues(const std::wstring& id, const std::wstring& temperature,
                                          const std::wstring& pressure, const std::wstring& voltage)
{
    RunOnUiThread([&] {
        m_values[_SensorInfo::Id] = id;
        m_values[_SensorInfo::Temperature] = temperature;
        m_values[_SensorInfo::Pressure] = pressure;
        m_values[_SensorInfo::Voltage] = voltage;
        Changed();
    });
    DebugTrace("readings: ID %s, %s, %s, battery %s\n", WideToUtf8(id).c_str(), WideToUtf8(temperature).c_str(),
               WideToUtf8(pressure).c_str(), WideToUtf8(voltage).c_str());
}

void CTestSensorRightPane::SetAllValues(const std::wstring& text)
{
    RunOnUiThread([&] {
        m_values.fill(text);
        Changed();
    });
}

void CTestSensorRightPane::Clear()
{
    RunOnUiThread([&] {
        m_values.fill(L"");
        m_bReadingShown = false;
        m_rows.clear();
        m_bProgrammedList = false;
        m_remake = nullptr;
        Changed();
    });
}

void CTestSensorRightPane::SetRemake(std::function<void()> remake)
{
    RunOnUiThread([&] { m_remake = std::move(remake); });
}

void CTestSensorRightPane::Remake()
{
    RunOnUiThread([&] {
        if (const std::function<void()> remake = m_remake)
            remake();
    });
}

std::array<std::wstring, CTestSensorRightPane::kLines> CTestSensorRightPane::GetValues() const
{
    return CallOnUiThread([&] { return m_values; });
}

std::wstring CTestSensorRightPane::GetLabel(int line) const
{
    return CallOnUiThread([&] { return LabelOf(line); });
}

std::wstring CTestSensorRightPane::LabelOf(int line) const
{
    if (line < 0 || line >= kLines)
        return {};
    return line < kLines - 1 ? m_labels[static_cast<size_t>(line)] : std::wstring(kPvPtLabel);
}

void CTestSensorRightPane::SetReadingShown(bool shown)
{
    RunOnUiThread([&] {
        m_bReadingShown = shown;
        Changed();
    });
}

bool CTestSensorRightPane::IsReadingShown() const
{
    return CallOnUiThread([&] { return m_bReadingShown; });
}

void CTestSensorRightPane::SetProgrammedList(const std::list<Row>& rows)
{
    RunOnUiThread([&] {
        m_rows = rows;
        Changed();
    });
}

void CTestSensorRightPane::ClearProgrammedList() { SetProgrammedList({}); }

void CTestSensorRightPane::SetProgrammedListShown(bool shown)
{
    RunOnUiThread([&] {
        m_bProgrammedList = shown;
        Changed();
    });
}

bool CTestSensorRightPane::IsProgrammedListShown() const
{
    return CallOnUiThread([&] { return m_bProgrammedList; });
}

std::list<CTestSensorRightPane::Row> CTestSensorRightPane::CollectRows() const
{
    return CallOnUiThread([&] { return m_rows; });
}

bool CTestSensorRightPane::ShowsProgrammedList() const
{
    return CallOnUiThread([&] { return m_bProgrammedList && m_rows.size() > 1; });
}

int CTestSensorRightPane::GetContentHeight() const
{
    return CallOnUiThread([&] {
        const int lines = ShowsProgrammedList() ? static_cast<int>(m_rows.size()) : kLines;
        return ScaleRect(CRect(0, 0, 0, kFirstLineY + kLineStep * (lines - 1) + kBottomMargin)).Height();
    });
}

// Once the texts changed: the scroll range follows the list, and the pane repaints.
void CTestSensorRightPane::Changed()
{
    if (!IsCreated())
        return;
    const int height = GetClientRect().Height();
    const int content = std::max(GetContentHeight(), height);
    SetScrollSizes(CSize(GetClientRect().Width(), content));
    if (GetScrollPosition().y > content - height)
        ScrollToPosition(CPoint(0, content - height));
    Invalidate();
}

int CTestSensorRightPane::Frequency() const
{
    return SensorFrequencyOf(FindSensorParamOf(m_pSelection ? m_pSelection->SensorCode() : 0));
}

int CTestSensorRightPane::OnCreate()
{
    RefreshLanguage();
    const CRect client = GetClientRect();
    SetWindowRgnRoundRect(CRect(0, 0, client.Width(), client.Height()), kCornerSize, kCornerSize);
    SetScrollSizes(CSize(client.Width(), client.Height()));
    m_values.fill(L"");
    return 0;
}

bool CTestSensorRightPane::OnEraseBkgnd(Graphics&) { return true; }

void CTestSensorRightPane::OnPaint(Graphics& g)
{
    const bool list = m_bProgrammedList && m_rows.size() > 1;
    const CRect client = GetClientRect();
    const CPoint scroll = GetScrollPosition();
    // The picture stays where the pane is; the texts scroll over it.
    std::unique_ptr<Image> background = LoadPngResource(list                 ? kPictureList
                                                        : Frequency() == 433 ? kPicture433
                                                                             : kPictureOther);
    g.DrawImage(background.get(),
                RectF(float(scroll.x), float(scroll.y), float(client.Width()), float(client.Height())));

    const Font font(L"Arial", kFontPoints * static_cast<float>(g_dUiScale), FontStyleBold);
    const Color ink(kInk);
    const StringFormat format(StringAlignmentNear, StringAlignmentFar);
    auto draw = [&](const std::wstring& text, CPoint at) {
        g.DrawString(text, font, ink, PointF(float(at.x), float(at.y)), format);
    };
    if (list) {
        int n = 1;
        for (const Row& row : m_rows) {
            wchar_t number[16];
            std::swprintf(number, 16, L"ID%.2d: ", n);
            draw(number + row.first + L"    PSN:" + row.second, LinePoint(kListX, n - 1));
            ++n;
        }
        return;
    }
    const int lines = m_bReadingShown ? kLines : kFirstLines;
    for (int k = 0; k < lines; ++k) {
        draw(LabelOf(k) + L" " + m_values[static_cast<size_t>(k)], LinePoint(kValueX, k));
    }
}

bool CTestSensorRightPane::OnMouseWheel(UINT, short delta, CPoint)
{
    const int height = GetClientRect().Height();
    const int content = GetContentHeight();
    if (content <= height)
        return false;
    const int step = ScaleRect(CRect(0, 0, 0, kLineStep)).Height();
    const int y = std::clamp(GetScrollPosition().y - delta / kWheelStep * step, 0, content - height);
    ScrollToPosition(CPoint(0, y));
    Invalidate();
    return true;
}

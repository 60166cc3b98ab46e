#include "SensorPageBase.h"

#include "CodePage.h"
#include "DebugTrace.h"
#include "Graphics.h"
#include "Language.h"
#include "OneNumberFormat.h"
#include "PageHost.h"
#include "Selection.h"
#include "SensorIdentifiers.h"
#include "TopPaneControls.h"
#include "UiScale.h"
#include "UiThread.h"
#include "VehicleRecords.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kButtonNormal = 190;
constexpr int kButtonPressed = 191;
constexpr int kButtonHover = 192;
constexpr int kButtonFontSize = 12;
constexpr double kButtonTextOffsetY = 1.5;
constexpr int kStrip = 240;
constexpr int kStripExtraWidth = 6;
constexpr uint32_t kInk = 0xFF4C4C4C;
constexpr uint32_t kWarning = 0xFFFF0000;
constexpr float kTextPoints = 11;
constexpr float kWarningPoints = 12;
// A warning longer than its line is drawn smaller, in these steps down to
// this size, before anything of it is cut.
constexpr float kLeastWarningPoints = 9;
constexpr float kWarningStepPoints = 0.5f;
constexpr COLORREF kStatusInk = 0xFF0000;
constexpr COLORREF kTestPageFace = 0xEEECED;
constexpr int kHidePercent = 255;
// The identifier edit's face: GDI height 22, average width 7, bold; margin 2.
constexpr int kEditHeight = 22;
constexpr int kEditWidth = 7;
constexpr int kEditMargin = 2;
// Texts of the selection block end this far before the results pane.
constexpr int kTextMarginBeforePane = 10;
const wchar_t* const kEllipsis = L"...";

// Pictures by page type: 433 MHz and any other frequency.
int PictureId(int pageType, int frequency)
{
    const bool mhz433 = frequency == 433;
    switch (pageType) {
    case kPageTypeTest: return mhz433 ? 250 : 249;
    case kPageTypeCopy: return mhz433 ? 246 : 245;
    default: return mhz433 ? 248 : 247;
    }
}

void SetButton(CCustButton* button, bool enable)
{
    if (!button)
        return;
    button->SetState(enable ? CCustButton::kStateNormal : CCustButton::kStateDisabled);
    button->EnableWindow(enable);
    button->Invalidate();
}

void ShowButton(CCustButton* button, bool show)
{
    if (button)
        button->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

} // namespace

std::wstring FitText(Graphics& g, const std::wstring& text, const Font& font, float width)
{
    if (width <= 0 || g.MeasureString(text, font).Width <= width)
        return text;
    std::wstring cut = text;
    while (!cut.empty() && g.MeasureString(cut + kEllipsis, font).Width > width)
        cut.pop_back();
    return cut + kEllipsis;
}

Font FitFont(Graphics& g, const std::wstring& text, const Font& font, float width, float leastPoints)
{
    Font fitted = font;
    while (width > 0 && fitted.Size() - kWarningStepPoints >= leastPoints &&
           g.MeasureString(text, fitted).Width > width)
        fitted = Font(font.Face(), fitted.Size() - kWarningStepPoints, font.Weight() >= FW_BOLD ? FontStyleBold : 0);
    return fitted;
}

CSensorPageBase::CSensorPageBase(int pageType)
    : m_nPageType(pageType), m_layout(LayoutOperationPage(pageType, g_dUiScale)), m_pane(GetHostSelection())
{
}

CSensorPageBase::~CSensorPageBase() = default;

IPageHost* CSensorPageBase::Host() const { return GetPageHost(); }

const CSensorParam* CSensorPageBase::SensorRecord() const
{
    const Selection* selection = GetHostSelection();
    return selection ? selection->SensorRecord() : nullptr;
}

std::unique_ptr<CCustButton> CSensorPageBase::MakeButton(const wchar_t* key, const CRect& rect, int id)
{
    auto button = std::make_unique<CCustButton>(kButtonNormal, kButtonHover, kButtonPressed, kButtonFontSize);
    button->CreateButton(CCustButton::kPageAction, key ? GetLanguageManager().GetText(key) : L"", rect, this, id);
    button->SetTextOffset(0, kButtonTextOffsetY);
    m_childControls.push_back(button.get());
    return button;
}

void CSensorPageBase::CreateButtons()
{
    m_pFirst = MakeButton(m_firstKey, m_layout.firstButton, m_layout.firstButtonId);
    m_pSecond = MakeButton(m_secondKey, m_layout.secondButton, m_layout.secondButtonId);
    m_pPrint = MakeButton(L"PRINT", m_layout.print, kIdPrint);
    m_pStop = MakeButton(L"Cancel", m_layout.stop, kIdStop);
    if (m_nPageType == kPageTypeTest)
        return;
    m_pHiddenStop = MakeButton(L"STOP_PROGRAM", m_layout.hiddenStop, kIdHiddenStop);
    m_pHiddenStop->ShowWindow(SW_HIDE);
}

int CSensorPageBase::OnCreate()
{
    CBasePage::OnCreate();
    CreateControls();
    m_nContentHeight = std::max({m_layout.pane.bottom, m_layout.stop.bottom, m_layout.print.bottom});
    return 0;
}

void CSensorPageBase::OnDestroy()
{
    for (Wnd* w : m_childControls)
        w->DestroyWindow();
    m_childControls.clear();
    m_pFirst.reset();
    m_pSecond.reset();
    m_pPrint.reset();
    m_pStop.reset();
    m_pHiddenStop.reset();
    m_pEdit.reset();
    m_pStatus.reset();
    m_pProgress.reset();
    m_pPercent.reset();
}

CCustButton* CSensorPageBase::GetButton(int id) const
{
    for (CCustButton* b : {m_pFirst.get(), m_pSecond.get(), m_pPrint.get(), m_pStop.get(), m_pHiddenStop.get()})
        if (b && b->GetDlgCtrlID() == id)
            return b;
    return nullptr;
}

void CSensorPageBase::ReloadCaptions()
{
    const CLanguage& texts = GetLanguageManager();
    if (m_pFirst)
        m_pFirst->SetText(texts.GetText(m_firstKey));
    if (m_pSecond)
        m_pSecond->SetText(texts.GetText(m_secondKey));
    if (m_pPrint)
        m_pPrint->SetText(texts.GetText(L"PRINT"));
    if (m_pStop)
        m_pStop->SetText(texts.GetText(L"Cancel"));
    if (m_pHiddenStop)
        m_pHiddenStop->SetText(texts.GetText(L"STOP_PROGRAM"));
    for (Wnd* w : m_childControls)
        w->Invalidate();
}

void CSensorPageBase::RefreshLanguage()
{
    RunOnUiThread([&] {
        ReloadCaptions();
        if (m_statusText && m_pStatus)
            m_pStatus->SetText(m_statusText());
        m_pane.RefreshLanguage();
        m_pane.Invalidate();
        Invalidate();
    });
}

bool CSensorPageBase::IsProgrammable() const
{
    const Selection* selection = GetHostSelection();
    return selection && selection->SensorRecord() && selection->IsSupported();
}

void CSensorPageBase::ApplyControls(bool enable)
{
    SetButton(m_pFirst.get(), enable && m_bSupported);
    SetButton(m_pSecond.get(), enable && m_bSupported);
    if (m_pPrint) {
        m_pPrint->EnableWindow(enable && m_bSupported && m_bPrintable);
        m_pPrint->Invalidate();
    }
    ShowButton(m_pPrint.get(), m_bSupported);
}

int CSensorPageBase::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        m_pTopPane->ShowBackButton(true);
        m_pTopPane->ShowSearchView(false);
    }
    ApplyControls(true);
    // A setting changed on another page shows here too.
    m_pane.Remake();
    Invalidate();
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

void CSensorPageBase::EnableActions(bool enable)
{
    RunOnUiThread([&] { ApplyControls(enable); });
}

void CSensorPageBase::ShowStatus(const std::wstring& text, COLORREF colour)
{
    if (!m_pStatus)
        return;
    m_pStatus->SetTextColor(colour);
    m_pStatus->SetText(text);
    m_pStatus->UpdateWindow();
    DebugTrace("status line: %s (%s)\n", WideToUtf8(text).c_str(),
               colour == kStatusBlue  ? "blue"
               : colour == kStatusRed ? "red"
                                      : "ink");
}

void CSensorPageBase::SetStatus(const std::wstring& text, COLORREF colour)
{
    RunOnUiThread([&] {
        m_statusText = nullptr;
        ShowStatus(text, colour);
    });
}

void CSensorPageBase::SetStatusText(const StatusText& text, COLORREF colour)
{
    RunOnUiThread([&] {
        m_statusText = text;
        ShowStatus(m_statusText(), colour);
    });
}

void CSensorPageBase::AppendStatusText(const StatusText& more, COLORREF colour)
{
    RunOnUiThread([&] {
        if (!m_pStatus)
            return;
        StatusText before = m_statusText;
        if (!before)
            before = [text = m_pStatus->GetWindowText()] { return text; };
        m_statusText = [before, more] { return before() + more(); };
        ShowStatus(m_statusText(), colour);
    });
}

std::wstring CSensorPageBase::GetStatus() const
{
    return CallOnUiThread([&] { return m_pStatus ? m_pStatus->GetWindowText() : std::wstring(); });
}

void CSensorPageBase::ShowProgress(int percent)
{
    RunOnUiThread([&] {
        if (!m_pProgress || !m_pPercent)
            return;
        if (percent == kHidePercent) {
            m_pProgress->ShowWindow(SW_HIDE);
            m_pPercent->ShowWindow(SW_HIDE);
            return;
        }
        if (percent < 0 || percent > 100)
            return;
        wchar_t text[16];
        std::swprintf(text, 16, L"%d%%", percent);
        m_pProgress->SetPos(percent);
        m_pProgress->ShowWindow(SW_SHOW);
        m_pPercent->SetText(text);
        m_pPercent->ShowWindow(SW_SHOW);
    });
}

std::wstring CSensorPageBase::GetIdText() const
{
    return CallOnUiThread([&] { return m_pEdit ? m_pEdit->GetWindowText() : std::wstring(); });
}

void CSensorPageBase::SetIdText(const std::wstring& text)
{
    RunOnUiThread([&] {
        if (m_pEdit)
            m_pEdit->SetWindowText(text);
    });
}

void CSensorPageBase::EnablePrint(bool enable)
{
    RunOnUiThread([&] {
        m_bPrintable = enable;
        if (m_pPrint) {
            m_pPrint->EnableWindow(enable && m_bSupported);
            m_pPrint->Invalidate();
        }
    });
}

void CSensorPageBase::PrepareForSelection(bool supported)
{
    RunOnUiThread([&] {
        m_bPrepared = true;
        m_bSupported = supported;
        m_bPrintable = false;
        m_pane.Clear();
        if (m_pEdit)
            m_pEdit->SetWindowText(L"");
        SetStatusText(StatusOfKey(L"READY"), kStatusInk);
        ShowProgress(kHidePercent);
        Invalidate();
    });
}

// ---- drawing -----------------------------------------------------------------------

void CSensorPageBase::LoadPicture(int frequency)
{
    if (frequency == m_nPictureFrequency && m_picture)
        return;
    m_picture = LoadPngResource(PictureId(m_nPageType, frequency));
    m_nPictureFrequency = frequency;
    if (m_nPageType != kPageTypeTest && !m_strip)
        m_strip = LoadPngResource(kStrip);
}

SelectionLines CSensorPageBase::ComposeLines() const
{
    const Selection* selection = GetHostSelection();
    const CLanguage& texts = GetLanguageManager();
    if (!selection)
        return {};
    const bool vehicle = selection->IsVehicle();
    std::wstring maker, oem;
    if (const CYear* y = selection->year) {
        maker = y->sensorManufactor;
        oem = y->oemPartNo;
    }
    const std::wstring brand = selection->BrandName(), model = selection->ModelName(), year = selection->YearName(),
                       partNo = selection->PartNoName();
    // The copy page keeps a long OEM line whole (cut before the pane).
    return ComposeSelectionLines(vehicle, texts.GetText(L"CAR_MODEL"), brand, model, year, maker, oem,
                                 texts.GetText(L"PART_NUMBER"), partNo, m_nPageType != kPageTypeCopy,
                                 texts.GetTextOr(L"SENSOR_MANUFACTURER", L"Sensor Manufacturer:"),
                                 texts.GetTextOr(L"OEM_NO", L"OEM No:"));
}

std::wstring CSensorPageBase::SupportText(bool* blocked) const
{
    const int frequency = SensorFrequencyOf(SensorRecord());
    const std::wstring prompt = FormatOneNumber(GetLanguageManager().GetText(L"SUPPORTE_SENSOR_PROMPT"), frequency);
    bool warn;
    std::wstring text;
    if (m_nPageType == kPageTypeTest) {
        warn = frequency == 0;
        text = warn ? SensorNotSupportedText() : prompt;
    } else {
        warn = !IsProgrammable();
        text = warn ? GetLanguageManager().GetText(L"NOT_SUPPORT_PROG") : prompt;
    }
    if (blocked)
        *blocked = warn;
    return text;
}

void CSensorPageBase::DrawSelection(Graphics& g)
{
    const Font font(L"Arial", kTextPoints, FontStyleBold);
    const Color ink(kInk);
    const float left = float(m_layout.selection.left);
    const float top = float(m_layout.selection.top);
    const float width = float(m_layout.pane.left - kTextMarginBeforePane) - left;
    const SelectionLines lines = ComposeLines();
    auto draw = [&](const std::wstring& text, int y) {
        // Each line of a text ends before the pane, cut with "..." when longer.
        size_t start = 0;
        float lineY = top + float(y);
        const float lineHeight = g.CellHeight(font);
        while (start <= text.size()) {
            const size_t end = std::min(text.find(L'\n', start), text.size());
            g.DrawString(FitText(g, text.substr(start, end - start), font, width), font, ink, PointF(left, lineY));
            lineY += lineHeight;
            start = end + 1;
        }
    };
    draw(lines.a, lines.yA);
    if (lines.vehicle) {
        draw(lines.b, lines.yB);
        draw(lines.c, lines.yC);
    }
    bool warn = false;
    const std::wstring support = SupportText(&warn);
    // The warning is what blocks the page: it is laid out whole, smaller if it must.
    const Font shown =
        warn ? FitFont(g, support, Font(L"Arial", kWarningPoints, FontStyleBold), width, kLeastWarningPoints) : font;
    g.DrawString(FitText(g, support, shown, width), shown, Color(warn ? kWarning : kInk),
                 PointF(left, top + float(lines.ySupport)));
}

void CSensorPageBase::OnPaint(Graphics& g)
{
    const int frequency = SensorFrequencyOf(SensorRecord());
    LoadPicture(frequency);
    if (m_nPageType == kPageTypeTest) {
        g.DrawImage(m_picture.get(), RectF(m_layout.pictureRect));
    } else {
        g.DrawImage(m_picture.get(), float(m_layout.picture.x), float(m_layout.picture.y));
        if (m_strip) {
            if (m_nPageType == kPageTypeCopy)
                g.DrawImage(m_strip.get(), RectF(m_layout.strip));
            else
                g.DrawImage(m_strip.get(),
                            RectF(float(m_layout.strip.left), float(m_layout.strip.top),
                                  float(m_strip->GetWidth() + kStripExtraWidth), float(m_strip->GetHeight())));
        }
    }
    const Font font(L"Arial", kTextPoints, FontStyleBold);
    const Color ink(kInk);
    const StringFormat label(StringAlignmentNear, StringAlignmentCenter, true);
    g.DrawString(GetLanguageManager().GetText(L"STATUS"), font, ink, RectF(m_layout.statusLabel), label);
    if (m_nPageType != kPageTypeTest)
        g.DrawString(GetLanguageManager().GetText(L"TEST_SENSOR_NUMBER"), font, ink, RectF(m_layout.idLabel), label);
    DrawSelection(g);
}

// ---- the children every page has ---------------------------------------------------------

void CSensorPageBase::CreateEdit(bool readOnly)
{
    m_pEdit = std::make_unique<CMyEditCtrl>();
    m_pEdit->Create(this, m_layout.idEdit, kIdSensorEdit);
    m_pEdit->SetFont(Font::Gdi(L"Arial", kEditHeight, FW_BOLD, kEditWidth));
    m_pEdit->SetMargins(kEditMargin, 0);
    m_pEdit->SetReadOnly(readOnly);
    m_childControls.push_back(m_pEdit.get());
}

void CSensorPageBase::CreateControls()
{
    const bool test = m_nPageType == kPageTypeTest;
    m_pane.Create(this, m_layout.pane, test ? kIdPaneTest : kIdPaneOther);
    m_pane.SetReadingShown(false);
    m_childControls.push_back(&m_pane);
    m_pStatus = std::make_unique<CColorStatic>();
    m_pStatus->Create(this, m_layout.statusText, kIdStatusText);
    m_pStatus->SetTextColor(kStatusInk);
    if (test)
        m_pStatus->SetBkColor(kTestPageFace);
    else
        SetStatusText(StatusOfKey(L"READY"), kStatusInk);
    m_childControls.push_back(m_pStatus.get());
    if (test)
        return;
    m_pProgress = std::make_unique<ProgressBar>();
    m_pProgress->Create(this, m_layout.progress, kIdProgressBar, WS_CHILD);
    m_pProgress->SetRange(0, 100);
    m_childControls.push_back(m_pProgress.get());
    m_pPercent = std::make_unique<CColorStatic>();
    m_pPercent->Create(this, m_layout.percent, 0, WS_CHILD);
    m_pPercent->SetTextColor(kStatusInk);
    m_childControls.push_back(m_pPercent.get());
}

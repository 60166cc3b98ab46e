#include "PageSetup.h"

#include "AppMessages.h"
#include "BRELK2App.h"
#include "Clock.h"
#include "CodePage.h"
#include "DialogItems.h"
#include "Ini.h"
#include "ProductStrings.h"
#include "SetupFile.h"
#include "SharedHelpers.h"
#include "TopBar.h"
#include "UiScale.h"
#include "UiThread.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr COLORREF kPageFace = 0xE1DFDE;
constexpr COLORREF kStatusFace = 0xEEECED;
constexpr COLORREF kProgressFace = 0xE7E5E5;
constexpr COLORREF kProgressBar = 0xE7A610;
constexpr Color kLabelInk{0xFF000000};
constexpr Color kVersionInk{0xFF101010};
constexpr float kLabelPoints = 12;
constexpr float kVersionPoints = 12;
constexpr int kBoxFontHeight = 16;
constexpr int kButtonFontSize = 12;
constexpr double kButtonTextOffsetY = 1.5;
constexpr int kProgressStart = 50;
constexpr int kVersionPanelPicture = 236;

constexpr int kStageUnpack = 1;

// Design rectangles (1024 x 768 layout).
const CRect kLanguageBox(287, 73, 500, 83);
const CRect kIdFormatBox(287, 132, 500, 142);
const CRect kPressureBox(287, 192, 500, 202);
const CRect kTemperatureBox(287, 252, 500, 262);
// The bottom lies above the top: the box is as high as its font needs.
const CRect kRegionBox(287, 312, 500, 262);
const CRect kProgramWayBox(287, 312, 500, 322);
const CRect kPrintSettingButton(78, 362, 258, 402);
const CRect kUpgradeButton(78, 432, 258, 472);
const CRect kProgressRect(78, 480, 448, 520);
const CRect kPercentRect(451, 490, 501, 520);
const CRect kStatusRect(78, 530, 448, 570);
const CRect kVersionPanel(561, 30, 561 + 379, 30 + 610);
const CRect kLabels[] = {
    CRect(78, 72, 298, 112),  CRect(78, 132, 298, 172), CRect(78, 192, 298, 232),
    CRect(78, 252, 298, 292), CRect(78, 312, 298, 352),
};
// The labels' keys in the order of their rectangles.
const wchar_t* const kLabelKeys[] = {L"LANGUAGE", L"ID_FORMAT", L"PRESSURE_UNIT", L"TEMPERATURE_UNIT", L"CARSSTYLE"};

constexpr const wchar_t* kUpgradeKey = L"BTN_UPGRADE";
constexpr const wchar_t* kDownloading = L"Downloading...";
constexpr const wchar_t* kUncompressing = L"Uncompressing...";
constexpr const wchar_t* kCompleted = L"Completed";

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

// The text a status key shows.
std::wstring StatusTextOf(const std::wstring& key)
{
    std::wstring text = GetLanguageManager().GetText(key);
    if (key == kUpgradeKey)
        text += L"...";
    return text;
}

// The settings of one box: the item a stored value selects, and the value an
// item stores.
struct Choice {
    const wchar_t* value;
    const wchar_t* key;
};
const Choice kTemperatures[] = {{L"F", L"UNIT_F"}, {L"C", L"UNIT_C"}};
const Choice kPressures[] = {{L"PSI", L"UNIT_PSI"}, {L"KPA", L"UNIT_KPA"}, {L"BAR", L"UNIT_BAR"}};

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    return text;
}

// The item whose value the setting holds; the first one for anything else.
template <size_t N> int ItemOf(const Choice (&choices)[N], const std::wstring& stored)
{
    const std::wstring value = Upper(stored);
    for (size_t i = 0; i < N; ++i)
        if (value == choices[i].value)
            return static_cast<int>(i);
    return 0;
}

template <size_t N> void Fill(ComboBox& box, const Choice (&choices)[N], int selected)
{
    box.ResetContent();
    for (const Choice& c : choices)
        box.AddString(Text(c.key));
    box.SetCurSel(selected);
}

// The settings the page reads and writes: the main dialog's "Setup.ini".
CIni SettingsFile()
{
    CIni ini;
    ini.path = GetDataFolder() + L"Setup.ini";
    return ini;
}

CPageSetup* g_registeredPage = nullptr; // UI thread only

// The self-update's reports, carried to the UI thread and to the page that is
// registered there at that moment.
class RegisteredPageReports final : public IUpgradePage {
public:
    void OnUpgradeProgress(int stage, int percent) override
    {
        const bool completed = CallOnUiThread([&] {
            CPageSetup* page = CPageSetup::Registered();
            return page && page->ShowUpgradeProgress(stage, percent);
        });
        if (!completed)
            return;
        // The wait is the caller's: the download worker waits, the window never does.
        if (IsUiThread())
            PumpUntil([] { return false; }, CPageSetup::kCompletedShowMs);
        else
            Sleep(CPageSetup::kCompletedShowMs);
        RunOnUiThread([] {
            if (CPageSetup* page = CPageSetup::Registered())
                page->EndUpgradeProgress();
        });
    }
    void SetUpgradeButtonText(const std::wstring& key) override
    {
        RunOnUiThread([&] {
            if (CPageSetup* page = CPageSetup::Registered())
                page->ShowUpgradeStatus(key);
        });
    }
    void SetUpgradeStatusColor(COLORREF color) override
    {
        RunOnUiThread([&] {
            if (CPageSetup* page = CPageSetup::Registered())
                page->SetUpgradeStatusColor(color);
        });
    }
    void SetUpgradeButtonState(int state, bool enabled) override
    {
        RunOnUiThread([&] {
            if (CPageSetup* page = CPageSetup::Registered())
                page->SetUpgradeButtonState(state, enabled);
        });
    }
};

} // namespace

CPageSetup::CPageSetup()
    : m_labelFont(L"Arial", float(kLabelPoints * g_dUiScale), FontStyleBold),
      m_versionFont(L"Arial", kVersionPoints, FontStyleBold)
{
}

CPageSetup::~CPageSetup()
{
    if (g_registeredPage == this)
        g_registeredPage = nullptr;
}

int CPageSetup::GetPageType() { return kPageType; }

// ---- the registered page --------------------------------------------------------

void CPageSetup::Register(CPageSetup* page)
{
    RunOnUiThread([&] { g_registeredPage = page; });
}

CPageSetup* CPageSetup::Registered()
{
    return CallOnUiThread([] { return g_registeredPage; });
}

IUpgradePage& CPageSetup::UpgradeReports()
{
    static RegisteredPageReports reports;
    return reports;
}

// ---- creation -------------------------------------------------------------------

CRect CPageSetup::LabelRect(int index) { return ScaleRect(kLabels[index]); }

CRect CPageSetup::VersionPanelRect() { return ScaleRect(kVersionPanel); }

void CPageSetup::CreateBox(std::unique_ptr<CMyComboBox>& box, int id, const CRect& design, bool visible)
{
    box = std::make_unique<CMyComboBox>();
    box->Create(this, ScaleRect(design), id, visible ? WS_CHILD | WS_VISIBLE : WS_CHILD);
    box->SetFont(Font::Gdi(L"Arial", kBoxFontHeight, FW_BOLD));
    m_childControls.push_back(box.get());
}

int CPageSetup::OnCreate()
{
    CBasePage::OnCreate();
    m_languages = GetLanguageManager().GetLanguages();
    CreateBox(m_pLanguageBox, kLanguageBoxId, kLanguageBox, true);
    CreateBox(m_pIdFormatBox, kIdFormatBoxId, kIdFormatBox, true);
    CreateBox(m_pTemperatureBox, kTemperatureBoxId, kTemperatureBox, true);
    CreateBox(m_pRegionBox, kRegionBoxId, kRegionBox, true);
    CreateBox(m_pPressureBox, kPressureBoxId, kPressureBox, true);

    m_pBtnPrintSetting = std::make_unique<CCustButton>(190, 192, 191, kButtonFontSize);
    m_pBtnPrintSetting->CreateButton(CCustButton::kPageAction, Text(L"PRINT_SETTING"), ScaleRect(kPrintSettingButton),
                                     this, kPrintSettingId);
    m_pBtnPrintSetting->SetTextOffset(0, kButtonTextOffsetY);
    m_childControls.push_back(m_pBtnPrintSetting.get());

    CreateBox(m_pProgramWayBox, kProgramWayBoxId, kProgramWayBox, false);

    m_pBtnUpgrade = std::make_unique<CCustButton>(190, 192, 191, kButtonFontSize);
    m_pBtnUpgrade->CreateButton(CCustButton::kPageAction, Text(kUpgradeKey), ScaleRect(kUpgradeButton), this,
                                kUpgradeId);
    m_pBtnUpgrade->SetTextOffset(0, kButtonTextOffsetY);
    m_childControls.push_back(m_pBtnUpgrade.get());

    m_pProgress = std::make_unique<ProgressBar>();
    m_pProgress->Create(this, ScaleRect(kProgressRect), kProgressBarId, WS_CHILD);
    m_pProgress->SetColors(kProgressBar, kProgressFace);
    m_pProgress->SetPos(kProgressStart);

    m_pStatus = std::make_unique<CColorStatic>();
    m_pStatus->Create(this, ScaleRect(kStatusRect), kStatusTextId, WS_CHILD);
    m_pStatus->SetTextColor(kStatusBlue);
    m_pStatus->SetBkColor(kStatusFace);
    m_pStatus->SetTransparent(true);

    m_pPercent = std::make_unique<CColorStatic>();
    m_pPercent->Create(this, ScaleRect(kPercentRect), kPercentTextId, WS_CHILD);
    m_pPercent->SetTransparent(true);

    ReloadLabels();
    LoadSettings();
    return 0;
}

void CPageSetup::OnDestroy()
{
    // Reports that come after this find no page.
    if (g_registeredPage == this)
        g_registeredPage = nullptr;
    m_childControls.clear();
    for (auto* box :
         {&m_pLanguageBox, &m_pIdFormatBox, &m_pTemperatureBox, &m_pPressureBox, &m_pProgramWayBox, &m_pRegionBox}) {
        if (*box)
            (*box)->DestroyWindow();
        box->reset();
    }
    for (auto* button : {&m_pBtnPrintSetting, &m_pBtnUpgrade}) {
        if (*button)
            (*button)->DestroyWindow();
        button->reset();
    }
    if (m_pProgress)
        m_pProgress->DestroyWindow();
    m_pProgress.reset();
    for (auto* text : {&m_pStatus, &m_pPercent}) {
        if (*text)
            (*text)->DestroyWindow();
        text->reset();
    }
    m_versionPanel.reset();
}

CMyComboBox* CPageSetup::GetBox(int id) const
{
    for (CMyComboBox* box : {m_pLanguageBox.get(), m_pIdFormatBox.get(), m_pTemperatureBox.get(), m_pPressureBox.get(),
                             m_pProgramWayBox.get(), m_pRegionBox.get()})
        if (box && box->GetDlgCtrlID() == id)
            return box;
    return nullptr;
}

// ---- showing, texts -------------------------------------------------------------

int CPageSetup::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        m_pTopPane->ShowBackButton(false);
        m_pTopPane->ShowSearchView(false);
        m_pTopPane->ShowFunctionListButton(false);
        m_pTopPane->ShowDailyFileButton(true);
    }
    m_nContentHeight = GetClientRect().Height();
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

void CPageSetup::OnShowWindow(bool show)
{
    // Another page may have changed a setting meanwhile (the create page's
    // base, the region in the tab bar): the boxes show the file as it is now.
    if (show && m_pRegionBox)
        LoadSettings();
}

void CPageSetup::RefreshLanguage()
{
    if (!m_pBtnUpgrade)
        return;
    m_pBtnPrintSetting->SetText(Text(L"PRINT_SETTING"));
    m_pBtnPrintSetting->Invalidate();
    m_pBtnUpgrade->SetText(Text(kUpgradeKey));
    m_pBtnUpgrade->Invalidate();
    // A status the self-update gave by its key shows in the new language, in
    // whichever colour it has; a progress text stays as it is.
    if (!m_strStatusKey.empty() && !GetLanguageManager().GetText(m_strStatusKey).empty())
        m_pStatus->SetText(StatusTextOf(m_strStatusKey));
    LoadSettings();
    ReloadLabels();
    Invalidate();
}

void CPageSetup::ReloadLabels()
{
    m_labels.clear();
    for (const wchar_t* key : kLabelKeys)
        m_labels.push_back(Text(key));
    m_strSoftwareCaption = Text(L"VERINFO_SOFTWARE_VER");
    m_strBrelkCaption = Text(L"VERINFO_TOOL_VER");
    m_strSensorCaption = Text(L"SENSOR_VERSION");
}

std::vector<std::wstring> CPageSetup::GetLabels() const
{
    std::vector<std::wstring> labels = m_labels;
    labels.insert(labels.end(), {m_strSoftwareCaption, m_strBrelkCaption, m_strSensorCaption});
    return labels;
}

void CPageSetup::SetVersionText(const std::wstring& text)
{
    m_strBrelkVersion = text;
    Invalidate(false);
}

// ---- the boxes --------------------------------------------------------------------

void CPageSetup::LoadSettings()
{
    if (!m_pLanguageBox)
        return;
    const CIni ini = SettingsFile();

    // Item i is language i of the list: display names may repeat or be empty.
    m_languages = GetLanguageManager().GetLanguages();
    m_pLanguageBox->ResetContent();
    for (const _tagLangItem& language : m_languages)
        m_pLanguageBox->AddString(language.AddiName);
    if (theApp.m_setupInfo.language.empty())
        theApp.m_setupInfo.language = L"EN";
    SelectLanguageItem();

    m_pIdFormatBox->ResetContent();
    m_pIdFormatBox->AddString(Text(L"SENSOR_ID_FORMAT_HEX"));
    m_pIdFormatBox->AddString(Text(L"SENSOR_ID_FORMAT_DEC"));
    m_pIdFormatBox->SetCurSel(IdFormatIsHex(ini.ReadStringBuf(L"Setup", L"IDFormat")) ? 0 : 1);

    FillRegionBox();
    Fill(*m_pTemperatureBox, kTemperatures, ItemOf(kTemperatures, ini.ReadStringBuf(L"Setup", L"Temperature")));
    Fill(*m_pPressureBox, kPressures, ItemOf(kPressures, ini.ReadStringBuf(L"Setup", L"Pressure")));

    m_pProgramWayBox->ResetContent();
    m_pProgramWayBox->AddString(Text(L"WIRE_PROGRAM_WAY"));
    m_pProgramWayBox->AddString(Text(L"WIRELESS_PROGRAM_WAY"));
    m_pProgramWayBox->SetCurSel(ini.ReadStringBuf(L"Setup", L"Program") == L"0" ? 0 : 1);
}

void CPageSetup::SelectLanguageItem()
{
    for (size_t i = 0; i < m_languages.size(); ++i)
        if (m_languages[i].Code == theApp.m_setupInfo.language) {
            m_pLanguageBox->SetCurSel(static_cast<int>(i));
            return;
        }
}

void CPageSetup::FillRegionBox()
{
    m_pRegionBox->ResetContent();
    for (int region = 1; region <= 5; ++region)
        m_pRegionBox->AddString(Text(GetRegionName(region)));
    m_pRegionBox->SetCurSel(theApp.m_setupInfo.carsStyle - 1);
}

LRESULT CPageSetup::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && !lParam.IsTyped() && lParam.Int() == CBN_SELCHANGE) {
        OnBoxChanged(wParam.Int());
        return 0;
    }
    return CBasePage::OnMessage(msg, wParam, lParam);
}

void CPageSetup::OnBoxChanged(int id)
{
    CIni ini = SettingsFile();
    switch (id) {
    case kIdFormatBoxId: {
        const int item = m_pIdFormatBox->GetCurSel();
        if (item == 0 || item == 1)
            ini.WriteString(item == 0 ? L"H" : L"D", L"Setup", L"IdFormat");
        break;
    }
    case kTemperatureBoxId: {
        const int item = m_pTemperatureBox->GetCurSel();
        if (item >= 0 && item < static_cast<int>(std::size(kTemperatures)))
            ini.WriteString(kTemperatures[item].value, L"Setup", L"Temperature");
        break;
    }
    case kPressureBoxId: {
        const int item = m_pPressureBox->GetCurSel();
        if (item >= 0 && item < static_cast<int>(std::size(kPressures)))
            ini.WriteString(kPressures[item].value, L"Setup", L"Pressure");
        break;
    }
    case kProgramWayBoxId:
        ini.WriteString(m_pProgramWayBox->GetCurSel() == 0 ? L"0" : L"1", L"Setup", L"Program");
        break;
    case kRegionBoxId: OnRegionChosen(); break;
    case kLanguageBoxId: OnLanguageChosen(); break;
    default: break;
    }
}

void CPageSetup::OnRegionChosen()
{
    const int item = m_pRegionBox->GetCurSel();
    theApp.m_setupInfo.carsStyle = item >= 0 && item <= 4 ? item + 1 : 1;
    // Saved at once: the region chosen here is the one the program starts with.
    SaveSetupInfo(theApp.m_setupInfo, GetSetupIniFile());
}

void CPageSetup::OnLanguageChosen()
{
    const int item = m_pLanguageBox->GetCurSel();
    const std::wstring code =
        item >= 0 && item < static_cast<int>(m_languages.size()) ? m_languages[size_t(item)].Code : std::wstring();
    // A language without a code changes nothing, and the box shows so.
    if (code.empty()) {
        SelectLanguageItem();
        return;
    }
    theApp.m_setupInfo.language = code;
    SaveSetupInfo(theApp.m_setupInfo, GetSetupIniFile());
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, kLanguageBoxId, MsgParam::Of(&code));
}

// ---- the self-update's status and progress -----------------------------------------

void CPageSetup::ShowUpgradeStatus(const std::wstring& key)
{
    if (!m_pStatus)
        return;
    m_strStatusKey = key;
    m_pStatus->SetText(StatusTextOf(key));
    m_pStatus->ShowWindow(SW_SHOW);
}

void CPageSetup::SetUpgradeStatusColor(COLORREF color)
{
    if (!m_pStatus)
        return;
    m_pStatus->SetTextColor(color);
    m_pStatus->Invalidate();
}

void CPageSetup::SetUpgradeButtonState(int state, bool enabled)
{
    if (!m_pBtnUpgrade)
        return;
    m_pBtnUpgrade->SetState(state);
    m_pBtnUpgrade->EnableWindow(enabled);
    m_pBtnUpgrade->Invalidate();
}

bool CPageSetup::ShowUpgradeProgress(int stage, int percent)
{
    if (!m_pProgress)
        return false;
    if (!m_pProgress->IsWindowVisible() || !m_pStatus->IsWindowVisible()) {
        m_pProgress->ShowWindow(SW_SHOW);
        m_pStatus->ShowWindow(SW_SHOW);
        m_pPercent->ShowWindow(SW_SHOW);
    }
    m_pProgress->SetPos(percent);
    const std::wstring percentText = std::to_wstring(percent) + L"%";
    // A progress text replaces the status the key gave: a language change leaves it.
    m_strStatusKey.clear();
    if (stage == kStageUnpack)
        m_bStatusChanged = true;
    const wchar_t* status = stage == kStageUnpack ? kUncompressing : kDownloading;
    if (percent != m_nLastPercent) {
        m_pPercent->SetText(percentText);
        m_nLastPercent = percent;
    }
    if (m_bStatusChanged || m_pStatus->GetWindowText() != status) {
        m_pStatus->SetText(status);
        m_bStatusChanged = false;
    }
    if (percent < 100)
        return false;
    m_pStatus->SetText(kCompleted);
    return true;
}

void CPageSetup::EndUpgradeProgress()
{
    if (!m_pProgress)
        return;
    m_pProgress->ShowWindow(SW_HIDE);
    m_pStatus->ShowWindow(SW_HIDE);
    m_pPercent->ShowWindow(SW_HIDE);
    // The next stage shows its own text.
    m_bStatusChanged = true;
}

// ---- drawing -----------------------------------------------------------------------

bool CPageSetup::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kPageFace);
    return true;
}

void CPageSetup::OnPaint(Graphics& g)
{
    const StringFormat near(StringAlignmentNear, StringAlignmentNear);
    for (size_t i = 0; i < m_labels.size() && i < std::size(kLabels); ++i)
        g.DrawString(m_labels[i], m_labelFont, kLabelInk, RectF(LabelRect(static_cast<int>(i))), near);
    DrawVersionPanel(g);
}

void CPageSetup::DrawVersionPanel(Graphics& g)
{
    if (!m_versionPanel)
        m_versionPanel = LoadPngResource(kVersionPanelPicture);
    const CRect panel = VersionPanelRect();
    g.DrawImage(m_versionPanel.get(), RectF(panel));

    // Each line once, on whole pixels: text drawn over itself a hair apart
    // smears into a heavy blur ("Brelk" read "Breik"), and a fraction of a
    // pixel blurs its edges.
    const float s = float(g_dUiScale);
    const float x = std::round(float(panel.left) + 32 * s);
    const float y = float(panel.top) + 60 * s;
    const float valueX = std::round(float(panel.left) + 32 * s + 160 * s + 80);
    const float lineStep = 22 * s;
    const std::pair<const std::wstring*, std::wstring> lines[] = {
        {&m_strSoftwareCaption, Utf8ToWide(g_productStrings[kSoftwareVersionIndex])},
        {&m_strBrelkCaption, m_strBrelkVersion},
        {&m_strSensorCaption, theApp.m_versionInfo.CarBinVersion},
    };
    for (size_t i = 0; i < std::size(lines); ++i) {
        const float lineY = std::round(y + float(i) * lineStep);
        g.DrawString(*lines[i].first, m_versionFont, kVersionInk, PointF(x, lineY));
        g.DrawString(lines[i].second, m_versionFont, kVersionInk, PointF(valueX, lineY));
    }
}

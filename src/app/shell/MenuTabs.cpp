#include "MenuTabs.h"

#include "AppMessages.h"
#include "BRELK2App.h"
#include "Language.h"
#include "PageHistory.h"
#include "ProductStrings.h"
#include "SetupFile.h"
#include "UiScale.h"
#include "UiThread.h"

namespace {

constexpr int kTabFontSize = 8;
constexpr int kBarTop = 10;
constexpr int kBarHeight = 70;
constexpr int kRegionCount = 5;

// A tab: its id, pictures, layout rectangle and caption (an index into the captions).
struct TabSpec {
    int id;
    int normal, hover, pressed;
    CRect rect;
    int caption;
};

// Captions, in the order the bar keeps them.
constexpr const wchar_t* kCaptionKeys[6] = {L"MENU_CAR_MODEL",   L"MENU_PART_NO",     L"MENU_SETTING",
                                            L"MENU_TEST_SENSOR", L"MENU_COPY_SENSOR", L"MENU_CREATE_SENSOR"};

constexpr TabSpec kMainTabs[3] = {
    {kPageCarTab, 159, 162, 165, CRect(0, 0, 127, 29), 0},
    {kPagePartNo, 158, 161, 164, CRect(127, 0, 247, 29), 1},
    {kPageSetup, 157, 160, 163, CRect(247, 0, 373, 29), 2},
};
constexpr int kMainBarWidth = 373;

// Create sits right of Copy on the bar, though it is the second tab.
constexpr TabSpec kSensorTabs[3] = {
    {kPageTestSensor, 169, 180, 168, CRect(0, 0, 101, 29), 3},
    {kPageCreateSensor, 167, 179, 166, CRect(202, 0, 303, 29), 5},
    {kPageCopySensor, 229, 230, 231, CRect(101, 0, 202, 29), 4},
};
constexpr int kSensorBarWidth = 303;

const TabSpec* TabsOf(int mode) { return mode == CMenuTabs::kModeMain ? kMainTabs : kSensorTabs; }

} // namespace

CMenuTabs::CMenuTabs(int mode) : m_nMode(mode)
{
    for (size_t i = 0; i < m_captions.size(); ++i)
        m_captions[i] = GetLanguageManager().GetText(kCaptionKeys[i]);
}

CMenuTabs::~CMenuTabs() = default;

void CMenuTabs::OnDestroy()
{
    m_pCurrentTab = nullptr;
    for (auto& tab : m_tabs) {
        if (tab)
            tab->DestroyWindow();
        tab.reset();
    }
    if (m_pRegionBox)
        m_pRegionBox->DestroyWindow();
    m_pRegionBox.reset();
}

CCustButton* CMenuTabs::GetTab(int index) const
{
    return index >= 0 && index < int(m_tabs.size()) ? m_tabs[size_t(index)].get() : nullptr;
}

void CMenuTabs::CreateTabs()
{
    const TabSpec* tabs = TabsOf(m_nMode);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i])
            continue;
        const TabSpec& t = tabs[i];
        m_tabs[i] = std::make_unique<CCustButton>(t.normal, t.hover, t.pressed, kTabFontSize);
        m_tabs[i]->CreateButton(CCustButton::kTab, m_captions[size_t(t.caption)], ScaleRect(t.rect), this, t.id);
    }
}

int CMenuTabs::CreateMainTabs()
{
    CreateTabs();
    if (!m_pRegionBox) {
        // Under the car tab, as high as a tab.
        const int bottom = ScaleRect(kMainTabs[0].rect).bottom;
        const CRect box(0, bottom + 1, ScaleLength(127), bottom + 1 + ScaleLength(29));
        m_pRegionBox = std::make_unique<CMyComboBox>();
        // Our combo box is a drop-down list with its own scroll bar already.
        m_pRegionBox->Create(this, box, kRegionBoxId, WS_CHILD | WS_VISIBLE);
        m_pRegionBox->SetFont(Font(L"Arial", 9));
        FillRegionBox();
        m_nLastRegionIndex = m_pRegionBox->GetCurSel();
    }
    return kMainBarWidth;
}

int CMenuTabs::CreateSensorTabs()
{
    CreateTabs();
    return kSensorBarWidth;
}

void CMenuTabs::MoveBar() { MoveWindow(m_nBarX, kBarTop, m_nBarWidth, kBarHeight); }

void CMenuTabs::ShowTabs(int selectedIndex)
{
    RunOnUiThread([&] {
        m_nBarWidth = m_nMode == kModeMain ? CreateMainTabs() : CreateSensorTabs();
        const int width = GetParent() ? GetParent()->GetClientRect().Width() : m_nBarWidth;
        m_nBarX = (width - m_nBarWidth) / 2;
        MoveBar();
        ShowWindow(SW_SHOW);
        SelectTab(selectedIndex);
    });
}

void CMenuTabs::SelectTab(int index)
{
    CCustButton* tab = GetTab(index);
    if (!tab)
        return;
    if (m_pCurrentTab && m_pCurrentTab != tab) {
        m_pCurrentTab->SetState(CCustButton::kStateNormal);
        m_pCurrentTab->SetSavedState(CCustButton::kStateNormal);
    }
    m_pCurrentTab = tab;
    tab->SetState(CCustButton::kStatePressed);
    tab->SetSavedState(CCustButton::kStatePressed);
}

void CMenuTabs::FillRegionBox()
{
    m_pRegionBox->ResetContent();
    for (int region = 1; region <= kRegionCount; ++region)
        m_pRegionBox->AddString(GetLanguageManager().GetText(GetRegionName(region)));
    m_pRegionBox->SetCurSel(theApp.m_setupInfo.carsStyle - 1);
}

int CMenuTabs::OnTabClicked(CCustButton* button, int tabId)
{
    if (button) {
        if (button == m_pCurrentTab)
            return 0;
        if (m_pCurrentTab) {
            m_pCurrentTab->SetState(CCustButton::kStateNormal);
            m_pCurrentTab->SetSavedState(CCustButton::kStateNormal);
        }
        m_pCurrentTab = button;
        tabId = button->GetDlgCtrlID();
    }
    if (tabId == kPageCarTab) {
        MoveBar();
        if (m_pRegionBox) {
            FillRegionBox();
            m_pRegionBox->ShowWindow(SW_SHOW);
            OnRegionChanged();
        }
    } else if (tabId == kPagePartNo || tabId == kPageSetup) {
        MoveBar();
        if (m_pRegionBox)
            m_pRegionBox->ShowWindow(SW_HIDE);
        // Coming back to the car tab asks for the region's page again.
        m_nLastRegionIndex = -1;
        if (Wnd* parent = GetParent())
            parent->Invalidate();
    }
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, tabId, kActionNavigate);
    return 1;
}

void CMenuTabs::OnRegionChanged()
{
    if (!m_pRegionBox)
        return;
    const int selection = m_pRegionBox->GetCurSel();
    if (selection == m_nLastRegionIndex)
        return;
    m_nLastRegionIndex = selection;
    if (selection < 0 || selection >= kRegionCount)
        return;
    theApp.m_setupInfo.carsStyle = selection + 1;
    SaveSetupInfo(theApp.m_setupInfo, GetSetupIniFile());
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, kPageCarRegion1 + selection, kActionNavigate);
}

void CMenuTabs::RefreshLanguage()
{
    RunOnUiThread([&] {
        for (size_t i = 0; i < m_captions.size(); ++i)
            m_captions[i] = GetLanguageManager().GetText(kCaptionKeys[i]);
        const TabSpec* tabs = TabsOf(m_nMode);
        for (size_t i = 0; i < m_tabs.size(); ++i) {
            if (!m_tabs[i])
                continue;
            m_tabs[i]->SetText(m_captions[size_t(tabs[i].caption)]);
            m_tabs[i]->Invalidate();
        }
        // The region names are texts of the language too; the choice stays.
        if (m_pRegionBox) {
            const int selection = m_pRegionBox->GetCurSel();
            FillRegionBox();
            m_pRegionBox->SetCurSel(selection);
        }
    });
}

LRESULT CMenuTabs::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TAB_PRESSED) {
        if (CCustButton* button = wParam.As<CCustButton>())
            return OnTabClicked(button, button->GetDlgCtrlID());
        return 0;
    }
    if (msg == WM_COMMAND && wParam.Int() == kRegionBoxId && lParam.Int() == CBN_SELCHANGE) {
        OnRegionChanged();
        return 0;
    }
    return Wnd::OnMessage(msg, wParam, lParam);
}

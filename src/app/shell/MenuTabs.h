#pragma once
// A tab bar of the top pane. Mode 0 holds the main tabs (car model, part
// number, settings) with the region box under the car tab; mode 1 the sensor
// tabs (test, create, copy). A chosen tab and a chosen region go to the main
// window as WM_PAGE_ACTION (page id, 1).
#include "CustButton.h"
#include "MyComboBox.h"
#include "TopBar.h"
#include "Wnd.h"

#include <array>
#include <memory>
#include <string>

class CMenuTabs : public Wnd {
public:
    static constexpr int kModeMain = ITopBar::kMainTabs;
    static constexpr int kModeSensor = ITopBar::kSensorTabs;
    static constexpr int kRegionBoxId = 10220;

    explicit CMenuTabs(int mode);
    ~CMenuTabs() override;

    // Makes the mode's tabs (once), centres the bar in the top pane and shows
    // it with the tab of that index (0 to 2) current.
    void ShowTabs(int selectedIndex);
    // A tab pressed by the user (button), or by the program (none, tab id):
    // the bar follows the tab, then the main window navigates to it. A tab
    // that is current already sends nothing. Returns 1 when something was sent.
    int OnTabClicked(CCustButton* button, int tabId);
    // The region box's choice: a new region becomes the program's region,
    // is saved, and its car page is asked for.
    void OnRegionChanged();
    void RefreshLanguage();

    int GetMode() const { return m_nMode; }
    CCustButton* GetCurrentTab() const { return m_pCurrentTab; }
    // The tab of that index (0 to 2) in the order of its mode, or nullptr.
    CCustButton* GetTab(int index) const;
    CMyComboBox* GetRegionBox() const { return m_pRegionBox.get(); }
    int GetBarWidth() const { return m_nBarWidth; }

protected:
    void OnDestroy() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateTabs();
    // Each gives the bar's width (not scaled).
    int CreateMainTabs();
    int CreateSensorTabs();
    void SelectTab(int index);
    void FillRegionBox();
    void MoveBar();

    int m_nMode;
    CCustButton* m_pCurrentTab = nullptr;
    std::array<std::unique_ptr<CCustButton>, 3> m_tabs;
    std::unique_ptr<CMyComboBox> m_pRegionBox; // mode 0 only
    int m_nBarX = 0;
    int m_nBarWidth = 300;
    std::array<std::wstring, 6> m_captions;
    int m_nLastRegionIndex = -1;
};

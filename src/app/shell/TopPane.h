#pragma once
// The title bar of the main window: the background strip with the client's
// version, the close and minimise buttons, the help, function-list and
// daily-file buttons, and on demand the back button, the connection
// indicator, the search box and the two tab bars. It drags the borderless
// window, and its context menu holds the About box.
//
// The pages say what it shows; an operation locks its navigation while it runs.
#include "BaseWndLayoutManage.h"
#include "ConnectStatusView.h"
#include "CustButton.h"
#include "Image.h"
#include "MenuTabs.h"
#include "NavigationLock.h"
#include "SearchView.h"
#include "TopBar.h"
#include "Wnd.h"

#include <memory>
#include <string>

class CBRELK2Dlg;

class CTopPane : public Wnd, public CBaseWndLayoutManage, public INavigationLock, public ITopBar {
public:
    // Button ids; their clicks go to the main window as WM_PAGE_ACTION kind 2
    // (the back button: kind 3).
    static constexpr int kCloseId = 10100;
    static constexpr int kMinimiseId = 10101;
    static constexpr int kHelpId = 10103;
    static constexpr int kFunctionListId = 10104;
    static constexpr int kDailyFileId = 10105;
    static constexpr int kBackId = 10107;
    // Child ids of the parts made on demand.
    static constexpr int kConnectStatusId = 10001;
    static constexpr int kSearchViewId = 10003;
    static constexpr int kMainTabsId = 12000;
    static constexpr int kSensorTabsId = 12001;
    // The About box's command.
    static constexpr int kAboutCommand = 16;

    explicit CTopPane(CBRELK2Dlg* mainDlg);
    ~CTopPane() override;

    // The connection indicator: 0 nothing, 1 connected, 2 disconnected. State
    // 0 before there is an indicator makes none.
    void ShowConnectStatus(int state);
    // The search box; hiding before there is one makes none.
    void ShowSearchView(bool show) override;
    // Mode 0 the main tab bar, mode 1 the sensor tab bar, with the tab of
    // that index (0 to 2) current.
    void ShowMenuTabs(int mode, bool show, int selectedIndex) override;
    void ShowBackButton(bool show) override;
    void ShowHelpButton(bool show);
    void ShowFunctionListButton(bool show) override;
    void ShowDailyFileButton(bool show) override;
    // The search box's text, when there is a box; the text set sends nothing.
    void SetSearchText(const std::wstring& text) override;
    std::wstring GetSearchText() const;
    // The search edit takes the focus, when there is a search box.
    void FocusSearchEdit() override;

    // While an operation runs: the close button, the back button (state 4)
    // and the sensor tab bar are disabled. Unlocking gives them back (the back
    // button at state 0).
    void LockNavigation() override;
    void UnlockNavigation() override;
    bool IsNavigationUnlocked() const;

    // Reloads the captions after a language change.
    void RefreshLanguage();
    // Presses the tab of that id for the program, not the user: through the
    // main tab bar (when there is one) to the main window, with no tab
    // changing its look.
    void PressTab(int tabId);

    CCustButton* GetButton(int id) const;
    CConnectStatusView* GetConnectStatusView() const { return m_pConnectView.get(); }
    CSearchView* GetSearchView() const { return m_pSearchView.get(); }
    CMenuTabs* GetMenuTabs(int mode) const;
    const CRect& GetConnectViewRect() const { return m_rcConnectView; }
    const CRect& GetSearchViewRect() const { return m_rcSearchView; }
    const CRect& GetBackButtonRect() const { return m_rcBackButton; }

protected:
    int OnCreate() override;
    void OnDestroy() override;
    void OnPaint(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonUp(UINT flags, CPoint point) override;
    bool PreTranslateKeyDown(UINT vk) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void SetNavigation(bool unlocked);

    std::unique_ptr<CCustButton> m_pBtnBack;
    std::unique_ptr<CConnectStatusView> m_pConnectView;
    std::unique_ptr<CSearchView> m_pSearchView;
    std::unique_ptr<CMenuTabs> m_pMainTabs;
    std::unique_ptr<CMenuTabs> m_pSensorTabs;
    CRect m_rcConnectView;
    CRect m_rcSearchView;
    CRect m_rcBackButton;
    CRect m_rcHelpButton;
    CRect m_rcFunctionListButton;
    CRect m_rcDailyFileButton;
    std::unique_ptr<Image> m_background; // PNG 130
    CBRELK2Dlg* m_pMainDlg;
    std::unique_ptr<CCustButton> m_pBtnMin;
    std::unique_ptr<CCustButton> m_pBtnClose;
    std::unique_ptr<CCustButton> m_pBtnHelp;
    std::unique_ptr<CCustButton> m_pBtnFunctionList;
    std::unique_ptr<CCustButton> m_pBtnDailyFile;
    int m_nNavigationUnlocked = 1;
};

// The top pane's parts made on demand, its tab bars and its navigation lock,
// inside the main window or under a main window that notes what reaches it.
#include "TopPane.h"
#include "AppMessages.h"
#include "BRELK2App.h"
#include "CodePage.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "RecordingWnd.h"
#include "SetupFile.h"
#include "UiScale.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class TopPaneTest : public PagesTest {
protected:
    // A top pane of 1024 x 70 under a main window that writes down the page actions it gets.
    void MakePane()
    {
        main.onMessage = [this](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
            if (msg == WM_PAGE_ACTION)
                actions.push_back(std::to_string(w.Value()) + "/" + std::to_string(l.Value()));
            return 0;
        };
        SetMainWindow(&main);
        ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
        pane = std::make_unique<CTopPane>(nullptr);
        ASSERT_TRUE(pane->Create(&main, CRect(0, 0, 1024, 70), CBRELK2Dlg::kTopPaneId));
        ASSERT_TRUE(ShowAndWait(main));
    }

    // The middle of a window, in its parent's coordinates, mapped into the pane's.
    static CPoint Centre(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

    RecordingWnd main{"main"};
    std::unique_ptr<CTopPane> pane;
    std::vector<std::string> actions;
};

TEST_F(TopPaneTest, PartsMadeOnDemandAtTheirPlaces)
{
    MakePane();
    // Nothing is made to be hidden.
    pane->ShowConnectStatus(0);
    pane->ShowSearchView(false);
    pane->ShowBackButton(false);
    pane->ShowMenuTabs(CMenuTabs::kModeMain, false, 0);
    EXPECT_EQ(pane->GetConnectStatusView(), nullptr);
    EXPECT_EQ(pane->GetSearchView(), nullptr);
    EXPECT_EQ(pane->GetButton(CTopPane::kBackId), nullptr);
    EXPECT_EQ(pane->GetMenuTabs(CMenuTabs::kModeMain), nullptr);

    pane->ShowConnectStatus(2);
    pane->ShowSearchView(true);
    pane->ShowBackButton(true);
    ASSERT_TRUE(pane->GetConnectStatusView());
    EXPECT_EQ(pane->GetConnectStatusView()->GetDlgCtrlID(), 10001);
    EXPECT_EQ(pane->GetConnectStatusView()->GetState(), 2);
    EXPECT_EQ(pane->GetConnectStatusView()->GetWindowRect(), CRect(145, 27, 325, 61));
    EXPECT_EQ(pane->GetSearchView()->GetDlgCtrlID(), 10003);
    EXPECT_EQ(pane->GetSearchView()->GetWindowRect(), CRect(782, 39, 1009, 69));
    EXPECT_EQ(pane->GetSearchView()->GetEdit().GetWindowRect(), CRect(30, 6, 210, 25));
    CCustButton* back = pane->GetButton(CTopPane::kBackId);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetWindowRect(), CRect(20, 34, 85, 59));
    EXPECT_EQ(back->GetKind(), CCustButton::kBack);
    EXPECT_EQ(back->GetText(), L"Back");
    // State 0 hides the indicator it made.
    pane->ShowConnectStatus(0);
    EXPECT_FALSE(pane->GetConnectStatusView()->IsWindowVisible());

    // The back button reports 10107 with kind 3.
    MouseClick(*back, CPoint(30, 12));
    EXPECT_EQ(actions, (std::vector<std::string>{"10107/3"}));
}

TEST_F(TopPaneTest, SmallScreenRectangles)
{
    // 1024 x 600: the scale is 0.78125 and the pane is 800 wide.
    g_dUiScale = ComputeUiScale(kSmallScreen.screen.cx, kSmallScreen.workArea.Height());
    ASSERT_DOUBLE_EQ(g_dUiScale, 0.78125);
    CTopPane small(nullptr);
    // (145s, 27, 145s + 180s, 61); the search view {782, 39, 1009, 69} scaled;
    // the back button {20, 34, 85, 59} scaled, then moved down to top 34.
    EXPECT_EQ(small.GetConnectViewRect(), CRect(113, 27, 113 + 140, 61));
    EXPECT_EQ(small.GetSearchViewRect(), CRect(610, 30, 610 + 177, 30 + 23));
    EXPECT_EQ(small.GetBackButtonRect(), CRect(15, 34, 15 + 50, 34 + 19));
}

TEST_F(TopPaneTest, TheTabBarsAndTheirTabs)
{
    MakePane();
    pane->ShowMenuTabs(CMenuTabs::kModeMain, true, 0);
    pane->ShowMenuTabs(CMenuTabs::kModeSensor, true, 2);
    CMenuTabs* mainTabs = pane->GetMenuTabs(CMenuTabs::kModeMain);
    CMenuTabs* sensorTabs = pane->GetMenuTabs(CMenuTabs::kModeSensor);
    ASSERT_TRUE(mainTabs && sensorTabs);
    EXPECT_EQ(mainTabs->GetDlgCtrlID(), 12000);
    EXPECT_EQ(sensorTabs->GetDlgCtrlID(), 12001);
    // Centred in the 1024-pixel pane at y 10, 70 high.
    EXPECT_EQ(mainTabs->GetWindowRect(), CRect((1024 - 373) / 2, 10, (1024 - 373) / 2 + 373, 80));
    EXPECT_EQ(sensorTabs->GetWindowRect(), CRect((1024 - 303) / 2, 10, (1024 - 303) / 2 + 303, 80));

    struct Tab {
        CMenuTabs* bar;
        int index;
        int id;
        CRect rect;
        const wchar_t* caption;
    };
    const Tab tabs[] = {
        {mainTabs, 0, 10201, CRect(0, 0, 127, 29), L"Vehicle"},
        {mainTabs, 1, 10202, CRect(127, 0, 247, 29), L"Part Number"},
        {mainTabs, 2, 10203, CRect(247, 0, 373, 29), L"Settings"},
        // Index 1 is Create, at the right end; index 2 is Copy, in the middle.
        {sensorTabs, 0, 10204, CRect(0, 0, 101, 29), L"Test Sensor"},
        {sensorTabs, 1, 10205, CRect(202, 0, 303, 29), L"Create Sensor"},
        {sensorTabs, 2, 10206, CRect(101, 0, 202, 29), L"Copy Sensor"},
    };
    for (const Tab& t : tabs) {
        CCustButton* tab = t.bar->GetTab(t.index);
        ASSERT_TRUE(tab) << t.id;
        EXPECT_EQ(tab->GetDlgCtrlID(), t.id);
        EXPECT_EQ(tab->GetWindowRect(), t.rect) << t.id;
        EXPECT_EQ(tab->GetText(), t.caption);
        EXPECT_EQ(tab->GetKind(), CCustButton::kTab);
    }
    // The chosen index is current and pressed.
    EXPECT_EQ(mainTabs->GetCurrentTab(), mainTabs->GetTab(0));
    EXPECT_EQ(sensorTabs->GetCurrentTab(), sensorTabs->GetTab(2));
    EXPECT_EQ(sensorTabs->GetTab(2)->GetState(), CCustButton::kStatePressed);
    // The region box under the car tab, on the region in use.
    CMyComboBox* box = mainTabs->GetRegionBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->GetDlgCtrlID(), 10220);
    EXPECT_EQ(box->GetWindowRect().left, 0);
    EXPECT_EQ(box->GetWindowRect().top, 30);
    EXPECT_EQ(box->GetWindowRect().right, 127);
    EXPECT_EQ(box->GetCount(), 5);
    EXPECT_EQ(box->GetLBText(0), L"North America");
    EXPECT_EQ(box->GetCurSel(), 0);
    EXPECT_EQ(sensorTabs->GetRegionBox(), nullptr);

    // Another tab by the mouse: it becomes current, the old one normal, the main window navigates.
    CCustButton* create = sensorTabs->GetTab(1);
    MouseClick(*create, CPoint(50, 15));
    EXPECT_EQ(actions, (std::vector<std::string>{"10205/1"}));
    EXPECT_EQ(sensorTabs->GetCurrentTab(), create);
    EXPECT_EQ(sensorTabs->GetTab(2)->GetState(), CCustButton::kStateNormal);
    // The current tab once more: nothing is sent.
    MouseClick(*create, CPoint(50, 15));
    EXPECT_EQ(actions.size(), 1u);

    // Hiding keeps the bar for the next show.
    pane->ShowMenuTabs(CMenuTabs::kModeSensor, false, 0);
    EXPECT_FALSE(sensorTabs->IsWindowVisible());
    pane->ShowMenuTabs(CMenuTabs::kModeSensor, true, 0);
    EXPECT_EQ(pane->GetMenuTabs(CMenuTabs::kModeSensor), sensorTabs);
    EXPECT_TRUE(sensorTabs->IsWindowVisible());
}

TEST_F(TopPaneTest, TheRegionBoxAndTheWayBackToTheCarTab)
{
    // The settings file's path is made once per process (ctest gives each test its own).
    if (GetSetupIniFile().rfind(Utf8ToWide(data.Path()), 0) != 0)
        GTEST_SKIP() << "an earlier test of this process fixed the settings path";
    theApp.m_setupInfo.carsStyle = 2;
    MakePane();
    pane->ShowMenuTabs(CMenuTabs::kModeMain, true, 0);
    CMenuTabs* tabs = pane->GetMenuTabs(CMenuTabs::kModeMain);
    CMyComboBox* box = tabs->GetRegionBox();
    EXPECT_EQ(box->GetCurSel(), 1);

    // The region already chosen sends nothing.
    tabs->OnRegionChanged();
    EXPECT_TRUE(actions.empty());
    // A new region by the keyboard: the car page of that region, and the region saved.
    box->SetFocus();
    KeyPress(*box, VK_DOWN);
    EXPECT_EQ(actions, (std::vector<std::string>{"10215/1"}));
    EXPECT_EQ(theApp.m_setupInfo.carsStyle, 3);
    EXPECT_NE(data.Folder().Read("Setup.ini").find("CarsStyle=3"), std::string::npos);

    // The part-number tab hides the box; back on the car tab the region's
    // page comes first, then the car tab itself.
    actions.clear();
    MouseClick(*tabs->GetTab(1), CPoint(40, 15));
    EXPECT_FALSE(box->IsWindowVisible());
    MouseClick(*tabs->GetTab(0), CPoint(40, 15));
    EXPECT_TRUE(box->IsWindowVisible());
    EXPECT_EQ(actions, (std::vector<std::string>{"10202/1", "10215/1", "10201/1"}));

    // Pressed for the program: the id goes on as it is and no tab changes its look.
    actions.clear();
    pane->PressTab(10214);
    EXPECT_EQ(actions, (std::vector<std::string>{"10214/1"}));
    EXPECT_EQ(tabs->GetCurrentTab(), tabs->GetTab(0));
    theApp.m_setupInfo.carsStyle = 1;
}

TEST_F(TopPaneTest, TheNavigationLock)
{
    MakePane();
    pane->ShowBackButton(true);
    pane->ShowMenuTabs(CMenuTabs::kModeSensor, true, 0);
    CCustButton* back = pane->GetButton(CTopPane::kBackId);
    CCustButton* close = pane->GetButton(CTopPane::kCloseId);
    CMenuTabs* sensorTabs = pane->GetMenuTabs(CMenuTabs::kModeSensor);
    EXPECT_TRUE(pane->IsNavigationUnlocked());

    // Locked (an operation runs, on its worker): nothing of the navigation takes the mouse.
    std::atomic<bool> locked{false};
    std::thread worker([&] {
        pane->LockNavigation();
        locked = true;
    });
    // The UI thread does the worker's call: it waits with its events running.
    EXPECT_TRUE(PumpUntil([&] { return locked.load(); }, 5000));
    worker.join();
    EXPECT_FALSE(pane->IsNavigationUnlocked());
    EXPECT_FALSE(close->IsWindowEnabled());
    EXPECT_FALSE(back->IsWindowEnabled());
    EXPECT_EQ(back->GetState(), CCustButton::kStateDisabled);
    EXPECT_FALSE(sensorTabs->IsWindowEnabled());
    MouseClick(*back, CPoint(30, 12));
    MouseClick(*sensorTabs->GetTab(1), CPoint(50, 15));
    MouseClick(*close, CPoint(20, 8));
    EXPECT_TRUE(actions.empty());
    // The main tab bar is not part of the lock.
    pane->ShowMenuTabs(CMenuTabs::kModeMain, true, 0);
    EXPECT_TRUE(pane->GetMenuTabs(CMenuTabs::kModeMain)->IsWindowEnabled());

    pane->UnlockNavigation();
    EXPECT_TRUE(pane->IsNavigationUnlocked());
    EXPECT_TRUE(close->IsWindowEnabled());
    EXPECT_TRUE(back->IsWindowEnabled());
    EXPECT_EQ(back->GetState(), CCustButton::kStateNormal);
    EXPECT_TRUE(sensorTabs->IsWindowEnabled());
    MouseClick(*back, CPoint(30, 12));
    EXPECT_EQ(actions, (std::vector<std::string>{"10107/3"}));
}

TEST_F(TopPaneTest, ALanguageChangeReachesTabsBackButtonAndIndicator)
{
    MakePane();
    pane->ShowBackButton(true);
    pane->ShowMenuTabs(CMenuTabs::kModeMain, true, 0);
    pane->ShowConnectStatus(1);
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"DE"), 0);
    pane->RefreshLanguage();
    EXPECT_EQ(pane->GetButton(CTopPane::kBackId)->GetText(), L"Zurück");
    EXPECT_EQ(pane->GetMenuTabs(CMenuTabs::kModeMain)->GetTab(1)->GetText(), L"Teilenummer");
    EXPECT_EQ(pane->GetMenuTabs(CMenuTabs::kModeMain)->GetRegionBox()->GetLBText(1), L"Europa");
    EXPECT_EQ(pane->GetMenuTabs(CMenuTabs::kModeMain)->GetRegionBox()->GetCurSel(), 0);
    GetLanguageManager().LoadLanguage(L"EN");
}

TEST_F(TopPaneTest, TheConnectionIndicatorDrawsItsState)
{
    MakePane();
    pane->ShowConnectStatus(1);
    CConnectStatusView* view = pane->GetConnectStatusView();
    RunEvents(20);
    // The connected plug is drawn in the accent blue, the disconnected one in red.
    auto countOf = [&](Color c) {
        auto img = GrabWindow(*view);
        int n = 0;
        for (int y = 0; y < 34; ++y)
            for (int x = 0; x < 43; ++x)
                n += img->GetPixel(x, y) == c;
        return n;
    };
    EXPECT_GT(countOf(Color(0xFF10A6E7)), 50);
    pane->ShowConnectStatus(2);
    RunEvents(20);
    EXPECT_EQ(countOf(Color(0xFF10A6E7)), 0);
    EXPECT_GT(countOf(Color(0xFFD93025)), 50);
    // A press on it drags the window, as the pane does.
    main.ClearLog();
    MousePress(*view, CPoint(100, 20));
    MouseRelease(*view, CPoint(100, 20));
    EXPECT_EQ(CountOf(main.Log(), "main:msg 161 2 0"), 1);
}

TEST(BaseWndLayoutManage, PutsRegisteredWindowsBackAndGrowsTheMainOne)
{
    EnsureUiApp();
    RecordingWnd top("top");
    ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 400, 300), 0, WS_POPUP));
    RecordingWnd a("a"), b("b");
    ASSERT_TRUE(a.Create(&top, CRect(0, 0, 10, 10), 1));
    ASSERT_TRUE(b.Create(&top, CRect(0, 0, 10, 10), 2));
    CBaseWndLayoutManage layout;
    layout.AddCtrl(&a, CRect(5, 5, 50, 25));
    layout.SetMainWnd(&b, CRect(10, 40, 110, 90));
    layout.ApplyLayout();
    EXPECT_EQ(a.GetWindowRect(), CRect(5, 5, 50, 25));
    EXPECT_EQ(b.GetWindowRect(), CRect(10, 40, 110, 90));
    layout.Resize(30, 20);
    EXPECT_EQ(b.GetWindowRect(), CRect(10, 40, 140, 110));
    // An empty book moves nothing.
    CBaseWndLayoutManage empty;
    empty.Resize(5, 5);
    empty.ApplyLayout();
}

} // namespace

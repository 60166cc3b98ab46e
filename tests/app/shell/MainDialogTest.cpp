#include "AboutDlg.h"
#include "AppMessages.h"
#include "CodePage.h"
#include "FootPane.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "MyScrollBar.h"
#include "PopupMenu.h"
#include "RecordingWnd.h"
#include "SetupFile.h"
#include "TopPane.h"
#include "TsNetlayer.h"
#include "UiThread.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

StubPage* Stub(CBRELK2Dlg& dlg, int pageId)
{
    for (const auto& link : dlg.GetPageHistory().Links())
        if (link->pageId == pageId)
            return static_cast<StubPage*>(link->page.get());
    return nullptr;
}

void Navigate(CBRELK2Dlg& dlg, int pageId) { dlg.SendMessage(WM_PAGE_ACTION, pageId, kActionNavigate); }

TEST_F(MainDialogTest, TheCarTabComesBackToTheLastPageOfItsRegion)
{
    auto dlg = CreateDialog();
    CBrand* brand = GetVehicleDatabase()->GetBrands(CARS_STYLE_US)->AddBrand(L"Testmark", L"1");
    journal.clear();

    Navigate(*dlg, kPageCarTab);
    EXPECT_EQ(CurrentId(*dlg), 10213);
    EXPECT_EQ(journal, (std::vector<std::string>{"show 10213 rebuild"}));

    // A brand panel sends its brand's name.
    std::wstring name = L"Testmark";
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
    EXPECT_EQ(dlg->GetBrandSelection(), brand);
    EXPECT_EQ(CurrentId(*dlg), 102091);
    EXPECT_EQ(dlg->GetPageWindow(), Stub(*dlg, 102091));
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213, 102091}));

    Navigate(*dlg, kPagePartNo);
    EXPECT_EQ(CurrentId(*dlg), 10202);
    EXPECT_FALSE(Stub(*dlg, 102091)->IsWindowVisible());

    // The car tab again: the model page, as it was, not the brand list.
    journal.clear();
    Navigate(*dlg, kPageCarTab);
    EXPECT_EQ(CurrentId(*dlg), 102091);
    EXPECT_EQ(journal, (std::vector<std::string>{"show 102091"}));
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213, 102091}));
    EXPECT_FALSE(Stub(*dlg, 10202)->IsWindowVisible());

    // Another region has its own history; coming back to the first finds the model page again.
    theApp.m_setupInfo.carsStyle = 2;
    Navigate(*dlg, kPageCarTab);
    EXPECT_EQ(CurrentId(*dlg), 10214);
    theApp.m_setupInfo.carsStyle = 1;
    Navigate(*dlg, kPageCarRegion1);
    EXPECT_EQ(CurrentId(*dlg), 102091);

    // The same brand once more does not stack the model page twice.
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213, 102091}));
    // An unknown brand opens nothing.
    std::wstring unknown = L"Nomark";
    Navigate(*dlg, kPageCarRegion1);
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&unknown), kActionBrand);
    EXPECT_EQ(CurrentId(*dlg), 102091);
}

TEST_F(MainDialogTest, ModelPagesByTheCarPagesType)
{
    auto dlg = CreateDialog();
    // Every region has a model page of its own, JP (4) included.
    const int expected[5] = {102091, 102092, 102093, 102094, 102095};
    for (int region = 1; region <= 5; ++region) {
        theApp.m_setupInfo.carsStyle = region;
        CBrand* brand = GetVehicleDatabase()->GetBrands(static_cast<ECarsStyle>(region))->AddBrand(L"Testmark", L"1");
        Navigate(*dlg, kPageCarTab);
        EXPECT_EQ(CurrentId(*dlg), 10212 + region);
        std::wstring name = L"Testmark";
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
        EXPECT_EQ(CurrentId(*dlg), expected[region - 1]) << region;
        EXPECT_EQ(dlg->GetBrandSelection(), brand);
    }
    theApp.m_setupInfo.carsStyle = 1;
}

TEST_F(MainDialogTest, BackFromOperationAndSelectionPages)
{
    auto dlg = CreateDialog();
    GetVehicleDatabase()->GetBrands(CARS_STYLE_US)->AddBrand(L"Testmark", L"1");
    Navigate(*dlg, kPageCarTab);
    std::wstring name = L"Testmark";
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);

    // A year chosen: the three operation pages are made, the test page shows.
    CYear year(L"2015", L"1A", L"0x40", L"0", L"OBD", L"Maker", L"OE-1", L"1", L"1A");
    journal.clear();
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(&year)), kActionVehicle);
    EXPECT_EQ(CurrentId(*dlg), kPageTestSensor);
    EXPECT_EQ(dlg->GetCurrentOperationPage(), kPageTestSensor);
    EXPECT_EQ(journal, (std::vector<std::string>{"show 10204 rebuild"}));
    EXPECT_TRUE(Stub(*dlg, kPageTestSensor)->IsWindowVisible());
    EXPECT_FALSE(Stub(*dlg, kPageCreateSensor)->IsWindowVisible());
    EXPECT_FALSE(Stub(*dlg, kPageCopySensor)->IsWindowVisible());
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213, 102091}));

    // Back from an operation page: the page it was reached from, the stack kept.
    dlg->SendMessage(WM_PAGE_ACTION, 10107, kActionBack);
    EXPECT_EQ(CurrentId(*dlg), 102091);
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213, 102091}));

    // An operation page by its tab, made already: shown as it is, then back again.
    journal.clear();
    Navigate(*dlg, kPageCreateSensor);
    EXPECT_EQ(CurrentId(*dlg), kPageCreateSensor);
    EXPECT_EQ(dlg->GetCurrentOperationPage(), kPageCreateSensor);
    EXPECT_EQ(journal, (std::vector<std::string>{"show 10205"}));
    dlg->SendMessage(WM_PAGE_ACTION, 10107, kActionBack);
    EXPECT_EQ(CurrentId(*dlg), 102091);

    // Back from the model page: one step down, to the brands.
    journal.clear();
    dlg->SendMessage(WM_PAGE_ACTION, 10107, kActionBack);
    EXPECT_EQ(CurrentId(*dlg), 10213);
    EXPECT_EQ(journal, (std::vector<std::string>{"show 10213 tabs"}));
    EXPECT_EQ(StackIds(*dlg), (std::vector<int>{10213}));
}

TEST_F(MainDialogTest, SelectionsAndTheirSensorCode)
{
    auto dlg = CreateDialog();
    EXPECT_EQ(dlg->GetCurrentSensorCode(), 0u);

    CYear year(L"2015", L"1A", L"0x40", L"0", L"OBD", L"Maker", L"OE-1", L"1", L"1A");
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(&year)), kActionVehicle);
    EXPECT_EQ(dlg->GetSelectionKind(), 0);
    EXPECT_EQ(dlg->GetVehicleSelection(), &year);
    EXPECT_EQ(dlg->GetCurrentSensorCode(), 0x1Au);
    EXPECT_EQ(dlg->GetSelectionSensorText(), L"0x40");

    GetVehicleDatabase()->AddPartNo({L"TP-77", L"2F", L"FF", L"0", L"OBD", L"1", L"2F"});
    CPartNo partNo;
    partNo.fields = {L"TP-77", L"2F", L"unused", L"0", L"OBD", L"1", L"2F"};
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CPartNo*>(&partNo)), kActionPartNo);
    EXPECT_EQ(dlg->GetSelectionKind(), 1);
    EXPECT_EQ(dlg->GetPartNoSelection(), &partNo);
    EXPECT_EQ(dlg->GetCurrentSensorCode(), 0x2Fu);
    // The prefix is the database's record's.
    EXPECT_EQ(dlg->GetSelectionSensorText(), L"FF");
    EXPECT_EQ(CurrentId(*dlg), kPageTestSensor);
    // One set of operation pages, whichever selection prepared them.
    EXPECT_EQ(dlg->GetPageHistory().Links().size(), 3u);
}

TEST_F(MainDialogTest, IdsWithoutAPageChangeNothing)
{
    auto dlg = CreateDialog(false);
    // No page of the program has this id.
    constexpr int kNoPage = 10299;
    Navigate(*dlg, kNoPage);
    EXPECT_EQ(dlg->GetCurrentLink(), nullptr);
    EXPECT_TRUE(dlg->GetPageHistory().Links().empty());
    Navigate(*dlg, kPagePartNo);
    Navigate(*dlg, kNoPage);
    EXPECT_EQ(CurrentId(*dlg), kPagePartNo);
    EXPECT_EQ(dlg->GetPageHistory().Links().size(), 1u);
}

// A page that, as the selection pages do, keeps a record of the vehicle
// database and looks at it once more as it goes.
class RecordKeepingPage : public CBasePage {
public:
    RecordKeepingPage(const CBrand* brand, bool* recordThere) : m_brand(brand), m_recordThere(recordThere) {}
    ~RecordKeepingPage() override
    {
        CBrands* brands = GetVehicleDatabase()->GetBrands(CARS_STYLE_US);
        *m_recordThere = brands && brands->FindBrand(L"Testmark") == m_brand;
    }

private:
    const CBrand* m_brand;
    bool* m_recordThere;
};

TEST_F(MainDialogTest, ThePagesGoBeforeTheVehicleDatabase)
{
    const CBrand* brand = GetVehicleDatabase()->GetBrands(CARS_STYLE_US)->AddBrand(L"Testmark", L"1");
    bool recordThere = false;
    {
        auto dlg = MakeDialog(false);
        dlg->SetPageFactory([&](int pageId) -> std::unique_ptr<CBasePage> {
            if (pageId != kPagePartNo)
                return nullptr;
            return std::make_unique<RecordKeepingPage>(brand, &recordThere);
        });
        const CSize size = dlg->GetWindowSize();
        ASSERT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        Navigate(*dlg, kPagePartNo);
        ASSERT_NE(dlg->GetCurrentLink(), nullptr);
        dlg->DestroyWindow();
    }
    EXPECT_TRUE(recordThere);
}

TEST_F(MainDialogTest, TheFirstCarPageStoresItsRegion)
{
    // The settings file's path is made once per process (ctest gives each test its own).
    if (GetSetupIniFile().rfind(Utf8ToWide(data.Path()), 0) != 0)
        GTEST_SKIP() << "an earlier test of this process fixed the settings path";
    theApp.m_setupInfo.carsStyle = 1;
    theApp.m_setupInfo.language = L"DE";
    auto dlg = CreateDialog();
    Navigate(*dlg, kPageCarRegion1);
    const std::string ini = data.Folder().Read("Setup.ini");
    EXPECT_NE(ini.find("CarsStyle=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Language=DE"), std::string::npos) << ini;
    theApp.m_setupInfo.language = L"EN";
}

TEST_F(MainDialogTest, ALanguageChangeReachesTheTopPaneAndEveryPage)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    auto dlg = CreateDialog();
    Navigate(*dlg, kPagePartNo);
    Navigate(*dlg, kPageSetup);
    CCustButton* list = dlg->GetTopPane()->GetButton(CTopPane::kFunctionListId);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->GetText(), L"Function List");

    // The language box sends its code; the kind it comes with does not matter.
    std::wstring code = L"DE";
    dlg->SendMessage(WM_PAGE_ACTION, 10115, MsgParam::Of(&code));
    EXPECT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");
    EXPECT_EQ(list->GetText(), L"Funktionsliste");
    EXPECT_EQ(Stub(*dlg, kPagePartNo)->refreshes, 1);
    EXPECT_EQ(Stub(*dlg, kPageSetup)->refreshes, 1);
    GetLanguageManager().LoadLanguage(L"EN");
}

TEST_F(MainDialogTest, ThePageScrollBarFollowsTheContentHeight)
{
    auto dlg = CreateDialog();
    Navigate(*dlg, kPagePartNo);
    StubPage* page = Stub(*dlg, kPagePartNo);
    ASSERT_TRUE(page);
    CMyScrollBar* bar = dlg->GetScrollBar();
    const CRect area = dlg->GetPageRect();
    EXPECT_FALSE(bar->IsWindowVisible());
    EXPECT_EQ(page->GetWindowRect(), area);

    // Taller content: the bar at the right edge, the page narrowed by its width.
    page->SetContentHeight(area.Height() * 3);
    page->SetScrollSizes(CSize(10, area.Height() * 3));
    dlg->ShowPage(dlg->GetCurrentLink(), false, 0);
    EXPECT_TRUE(bar->IsWindowVisible());
    EXPECT_EQ(bar->GetWindowRect(), CRect(area.right - 16, area.top, area.right, area.bottom));
    EXPECT_EQ(page->GetWindowRect(), CRect(area.left, area.top, area.right - 16, area.bottom));
    EXPECT_EQ(bar->GetContentLength(), area.Height() * 3);
    EXPECT_EQ(bar->GetVisibleLength(), area.Height());
    EXPECT_EQ(bar->GetThumbLength(), bar->GetTrackRect().Height() / 3);

    // The bar's moves scroll the page; the wheel moves the bar.
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(ScrollBarPos{40, 300}), kActionScroll);
    EXPECT_EQ(page->GetScrollPosition(), CPoint(0, 300));
    EXPECT_EQ(page->GetLastThumbOffset(), 40);
    // A wheel turn towards the user moves the bar's thumb down, and the page with it.
    page->SetFocus();
    EXPECT_EQ(dlg->SendMessage(WM_SCROLL_WHEEL, 0, -120), 1);
    EXPECT_EQ(bar->GetThumbOffset(), 10);
    EXPECT_EQ(page->GetLastThumbOffset(), 10);
    EXPECT_EQ(page->GetScrollPosition(), CPoint(0, 10 * area.Height() / bar->GetThumbLength()));

    // Content that fits: the bar goes, the page takes the whole area.
    page->SetContentHeight(area.Height());
    dlg->ShowPage(dlg->GetCurrentLink(), false, 0);
    EXPECT_FALSE(bar->IsWindowVisible());
    EXPECT_EQ(page->GetWindowRect(), area);
}

TEST_F(MainDialogTest, TheAboutBoxComesFromTheTopPanesContextMenu)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    auto dlg = CreateDialog();
    std::vector<MenuItem> offered;
    SetPopupMenuChooser([&](const std::vector<MenuItem>& items) {
        offered = items;
        return CTopPane::kAboutCommand;
    });
    ScriptedMessageBoxes boxes;
    CTopPane* pane = dlg->GetTopPane();
    MousePress(*pane, CPoint(400, 50), true);
    MouseRelease(*pane, CPoint(400, 50), true);
    RunEvents(20);
    SetPopupMenuChooser({});
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].id, 16);
    // The language's menu text, with its menu key.
    EXPECT_EQ(offered[0].text, L"About Brelk(&A)...");
    const auto asked = boxes.AskedBoxes();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, L"Brelk TPMS Tool");
    EXPECT_EQ(asked[0].text, L"Brelk TPMS Tool V3.12");
    EXPECT_EQ(asked[0].text, CAboutDlg::Text());
}

TEST_F(MainDialogTest, ThePanesDragTheWindow)
{
    // A main window that notes the drag requests it gets.
    RecordingWnd main("main");
    SetMainWindow(&main);
    ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 400, 200), 0, WS_POPUP));
    CFootPane foot;
    ASSERT_TRUE(foot.Create(&main, CRect(0, 167, 400, 200), 1));
    ASSERT_TRUE(ShowAndWait(main));
    MousePress(foot, CPoint(50, 10));
    MouseRelease(foot, CPoint(50, 10));
    EXPECT_EQ(CountOf(main.Log(), "main:msg 161 2 0"), 1);
    SetMainWindow(nullptr);
}

TEST_F(MainDialogTest, EscapeAndEnterDoNotCloseTheMainWindow)
{
    auto dlg = MakeDialog();
    PostToUiThread([&] {
        KeyPress(*dlg, VK_ESCAPE);
        KeyPress(*dlg, VK_RETURN);
        KeyPress(*dlg->GetTopPane(), VK_ESCAPE);
        // Still running: the close button ends it.
        EXPECT_TRUE(dlg->IsRunning());
        dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kCloseId, kActionCommand);
    });
    EXPECT_EQ(dlg->DoModal(), -1);
}

TEST_F(MainDialogTest, ClosingWhileAWorkerRunsWaitsForItFirst)
{
    auto dlg = MakeDialog();
    g_bAbort.Clear();
    std::atomic<int> writes{0};
    std::atomic<LRESULT> answerAfterAbort{-1};
    std::atomic<bool> paneThere{false};
    PostToUiThread([&] {
        dlg->BeginWorker([&] {
            // A worker that writes the window until it is told to stop...
            while (!g_bAbort.IsSet()) {
                if (CTopPane* pane = dlg->GetTopPane())
                    pane->Invalidate();
                ++writes;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // ...and still finds it whole when it ends.
            paneThere = dlg->GetTopPane() != nullptr && dlg->GetTopPane()->IsCreated();
            answerAfterAbort = dlg->SendMessage(WM_SCROLL_WHEEL, 0, 0);
        });
        EXPECT_TRUE(dlg->IsWorkerRunning());
        PumpUntil([&] { return writes > 3; }, 5000);
        dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kCloseId, kActionCommand);
    });
    dlg->DoModal();
    EXPECT_GT(writes, 3);
    EXPECT_TRUE(paneThere);
    EXPECT_EQ(answerAfterAbort, 1);
    EXPECT_FALSE(dlg->IsWorkerRunning());
    EXPECT_FALSE(dlg->IsCreated());
    g_bAbort.Clear();
}

TEST_F(MainDialogTest, GrabbedMainWindow)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    auto dlg = CreateDialog(false);
    RunEvents(50);
    const std::string path = (std::filesystem::temp_directory_path() / "brelk-main-window.png").string();
    ASSERT_TRUE(GrabWindowToPng(*dlg, path));
    auto img = GrabWindow(*dlg);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->GetWidth(), 1024);
    EXPECT_EQ(img->GetHeight(), 768);
    // The page area's borders, the start-up picture over it (no Brelk yet),
    // and the two panes over the dialog's face.
    EXPECT_EQ(img->GetPixel(0, 400), Color(0xFF7C7D7F));
    EXPECT_EQ(img->GetPixel(1022, 400), Color(0xFF7C7D7F));
    EXPECT_EQ(img->GetPixel(1023, 400), Color(0xFF7C7D7F));
    auto startUp = LoadPngResource(201);
    ASSERT_TRUE(startUp);
    EXPECT_EQ(img->GetPixel(500, 400), startUp->GetPixel(500, 331));
    int topPixels = 0, footPixels = 0;
    for (int x = 0; x < 1000; x += 10) {
        topPixels += img->GetPixel(x, 60) != Color::FromCOLORREF(0xF0F0F0);
        footPixels += img->GetPixel(x, 750) != Color::FromCOLORREF(0xF0F0F0);
    }
    EXPECT_GT(topPixels, 90);
    EXPECT_GT(footPixels, 90);
    std::printf("main window grabbed to %s\n", path.c_str());
}

} // namespace

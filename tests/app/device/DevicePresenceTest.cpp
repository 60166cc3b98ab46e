// The Brelk coming and going while the client runs, and the start-up window:
// device changes as the program's own WM_DEVICECHANGE messages, over the
// simulated Brelk on the virtual clock.
#include "AppFlags.h"
#include "AppMessages.h"
#include "BrelkCommands.h"
#include "CodePage.h"
#include "Image.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "PageSetup.h"
#include "SetupFile.h"
#include "SimBrelk.h"
#include "StartUp.h"
#include "TopPane.h"
#include "TsNetlayer.h"
#include "UiThread.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr uint8_t kEnterLoader = 0xCF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kRed = 0x0000FF;

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

int Count(const std::vector<uint8_t>& commands, uint8_t command)
{
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

class DevicePresenceTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
        ports = std::make_unique<TestPorts>(0);
    }
    void TearDown() override
    {
        ports.reset();
        g_bBusy = 0;
        g_bAbort.Clear();
        g_bDeviceRemoved = 0;
        MainDialogTest::TearDown();
    }

    // Plugs the Brelk in at COM 3, or takes it away: the device map and the line.
    void Plug(SimBrelk& brelk, bool in)
    {
        ports->ListBrelkAt(in ? 3 : 0);
        brelk.port.Unplug(!in);
        brelk.port.FailOpen(in ? 0 : ENOENT);
        if (!in)
            brelk.sim.DropPending();
    }
    void DeviceChanged(CBRELK2Dlg& dlg, UINT event = DBT_DEVNODES_CHANGED)
    {
        dlg.SendMessage(WM_DEVICECHANGE, event, 0);
    }

    static void ExpectShown(CBRELK2Dlg& dlg, int view, const wchar_t* key, COLORREF color)
    {
        const CDevicePresence& presence = dlg.GetDevicePresence();
        EXPECT_EQ(presence.GetConnectView(), view);
        EXPECT_EQ(presence.GetStatusKey(), key);
        EXPECT_EQ(presence.GetStatusColor(), color);
    }

    std::wstring StoredBrelkVersion() const
    {
        std::wstring value;
        ReadSetupString(value, Utf8ToWide(data.Folder().File("Setup.ini")), L"Config", L"BrelkVersion");
        return value;
    }

    VirtualClock clock;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<TestPorts> ports;
};

TEST_F(DevicePresenceTest, TheBrelkComesAndGoes)
{
    SimBrelk brelk(3);
    Plug(brelk, false);
    auto dlg = CreateDialog();
    ASSERT_EQ(dlg->GetConnectState(), 0);
    ASSERT_TRUE(dlg->GetDevicePresence().StartUpWindowExists());

    // Plugged in: the program is entered, the start-up window goes.
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_EQ(dlg->GetConnectState(), 1);
    EXPECT_FALSE(dlg->GetDevicePresence().StartUpWindowExists());
    EXPECT_EQ(CurrentId(*dlg), kPageCarRegion1);
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_TRUE(g_bSerialOpen);
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_EQ(g_bDeviceRemoved, 0);
    // The built-in version: no upgrade.
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 0);

    // Gone.
    Plug(brelk, false);
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    ExpectShown(*dlg, CDevicePresence::kViewDisconnected, L"DISCONNECTED", kRed);
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(g_bDeviceRemoved, 1);
    EXPECT_FALSE(g_bSerialOpen);
    // The start-up window does not come back.
    EXPECT_FALSE(dlg->GetDevicePresence().StartUpWindowExists());

    // Back again.
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_EQ(g_bDeviceRemoved, 0);
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, ARemovalLeavesTheViewAloneWhileTheStartUpWindowIsUp)
{
    SimBrelk brelk(3);
    Plug(brelk, false);
    auto dlg = CreateDialog();
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(dlg->GetDevicePresence().GetConnectView(), CDevicePresence::kViewSearching);
    EXPECT_TRUE(dlg->GetDevicePresence().StartUpWindowExists());
    EXPECT_EQ(g_bDeviceRemoved, 1);
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, ABrelkOfAnotherVersionIsUpgradedOnceWhenItArrives)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    auto dlg = CreateDialog();
    // It keeps its old firmware whatever it is sent.
    brelk.sim.SetVersion(std::string("V6.10\0", 6));
    brelk.loader.SetFirmwareVersion("V6.10");
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 1);
    // Not at the client's version: never shown connected.
    ExpectShown(*dlg, CDevicePresence::kViewNotReady, L"UPGRADEERRPR", kRed);
    EXPECT_EQ(StoredBrelkVersion(), L"V6.10");
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, GetLanguageManager().GetText(L"UPGRADEERRPR"));

    // It goes off the bus and comes back after its restart: the same arrival.
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 1);
    ExpectShown(*dlg, CDevicePresence::kViewNotReady, L"UPGRADEERRPR", kRed);
    EXPECT_EQ(boxes.AskedBoxes().size(), 1u);

    // Unplugged and plugged in anew: tried once more.
    Plug(brelk, false);
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    Plug(brelk, true);
    brelk.loader.SetFirmwareVersion("V6.11");
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 2);
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, ABrelkLeftInItsLoaderIsUpgradedAgain)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    auto dlg = CreateDialog();
    brelk.sim.SetVersion(std::string("V6.10\0", 6));
    // Unplugged in the middle of its upgrade.
    brelk.loader.OnBlock(2, [&] { Plug(brelk, false); });
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    ASSERT_TRUE(brelk.loader.InLoader());
    ExpectShown(*dlg, CDevicePresence::kViewDisconnected, L"DISCONNECTED", kRed);
    EXPECT_TRUE(dlg->IsWindowEnabled());

    // Plugged in again it answers no version, but its loader's name.
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_FALSE(brelk.loader.InLoader());
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 2);
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, ABrelkInItsLoaderAtStartIsUpgraded)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    brelk.loader.StartInLoader();
    auto dlg = CreateDialog();
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 1);
    EXPECT_EQ(dlg->GetConnectState(), 1);
    EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
    dlg->DestroyWindow();
}

// The start-up upgrade broken off by an unplug: the Brelk comes back in its
// loader and is upgraded again, whether it comes back after the failure was
// said or while it is said; until then nothing shows it connected.
TEST_F(DevicePresenceTest, AStartUpgradeBrokenByAnUnplugIsResumedWhenTheBrelkComesBack)
{
    for (const bool whileSaid : {false, true}) {
        SCOPED_TRACE(whileSaid ? "plugged in while the failure is said" : "plugged in afterwards");
        SimBrelk brelk(3);
        Plug(brelk, true);
        brelk.sim.SetVersion(std::string("V6.10\0", 6));
        brelk.loader.OnBlock(2, [&] { Plug(brelk, false); });
        ScriptedMessageBoxes said;
        said.whileOpen = [&](const ScriptedMessageBoxes::Asked&) {
            if (whileSaid)
                Plug(brelk, true);
        };
        auto dlg = CreateDialog();
        said.whileOpen = nullptr;
        ASSERT_EQ(said.AskedBoxes().size(), 1u);
        EXPECT_EQ(said.AskedBoxes()[0].text, GetLanguageManager().GetText(L"BRELK_UNPLUGGED_UPGRADE"));
        EXPECT_TRUE(brelk.loader.InLoader());
        EXPECT_EQ(StoredBrelkVersion(), L"");
        EXPECT_EQ(dlg->GetConnectState(), 0);

        if (!whileSaid) {
            Plug(brelk, true);
            DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
        }
        // Handled as it arrives (the notice posted when it was back already).
        EXPECT_TRUE(PumpUntil([&] { return !brelk.loader.InLoader(); }, 5000));
        PumpMessages();
        EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 2); // the whole upgrade once more
        EXPECT_EQ(dlg->GetConnectState(), 1);
        ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
        EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
        EXPECT_EQ(said.AskedBoxes().size(), 1u); // the second upgrade went through without a word
        dlg->DestroyWindow();
        std::filesystem::remove(data.Folder().File("Setup.ini"));
    }
}

TEST_F(DevicePresenceTest, WhileAnOperationRunsNothingIsClosedUnderIt)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    auto dlg = CreateDialog();
    dlg->SendMessage(WM_PAGE_ACTION, kPageTestSensor, kActionNavigate);
    StubPage* page = static_cast<StubPage*>(dlg->GetCurrentPage());
    ASSERT_TRUE(page);
    ASSERT_TRUE(EnsureDeviceConnected());
    const int opens = brelk.port.OpenCount();

    std::atomic<bool> release{false};
    g_bBusy = 1;
    dlg->BeginWorker([&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        g_bBusy = 0;
    });
    // A notification while the Brelk is still there changes nothing.
    DeviceChanged(*dlg);
    EXPECT_EQ(brelk.port.OpenCount(), opens);
    EXPECT_TRUE(g_bSerialOpen);
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_EQ(page->actionsEnabled, 0);

    // Its node gone: the operation is stopped, the port left to the worker.
    Plug(brelk, false);
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(g_bDeviceRemoved, 1);
    EXPECT_EQ(g_bBusy, 1);
    EXPECT_TRUE(g_bSerialOpen);
    ExpectShown(*dlg, CDevicePresence::kViewDisconnected, L"DISCONNECTED", kRed);
    EXPECT_EQ(page->actionsEnabled, 0);

    // Back while the worker still runs: handled once the worker has ended.
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_EQ(g_bDeviceRemoved, 1);
    release = true;
    EXPECT_TRUE(PumpUntil([&] { return g_bDeviceRemoved == 0; }, 5000));
    EXPECT_FALSE(dlg->IsWorkerRunning());
    EXPECT_FALSE(g_bAbort.IsSet());
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_EQ(page->actionsEnabled, 1);
    dlg->DestroyWindow();
}

// A change seen while a worker ran, then handled at once because the worker
// had just ended before its end was posted: the late end must not handle it
// again at the end of the next operation, over that operation's own status.
TEST_F(DevicePresenceTest, AChangeHandledDirectlyIsNotHandledAgainWhenTheNextWorkerEnds)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    auto dlg = CreateDialog();
    ASSERT_TRUE(EnsureDeviceConnected());

    g_bBusy = 1;
    dlg->BeginWorker([] { g_bBusy = 0; });
    DeviceChanged(*dlg); // busy: left for the worker's end
    // The worker is over, its end still queued: no events pumped meanwhile.
    while (dlg->IsWorkerRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    DeviceChanged(*dlg); // handled now, the port opened anew
    const int opens = brelk.port.OpenCount();

    std::atomic<bool> release{false};
    g_bBusy = 1;
    dlg->BeginWorker([&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        g_bBusy = 0;
    });
    PumpMessages(); // the first worker's end arrives while the second runs
    release = true;
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    PumpMessages();
    EXPECT_EQ(brelk.port.OpenCount(), opens);
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, F2EntersWithoutABrelkAndTheStartUpWindowNeverReturns)
{
    SimBrelk brelk(3);
    Plug(brelk, false);
    auto dlg = CreateDialog(false);
    RunEvents(50);
    CStartUp* startUp = dlg->GetDevicePresence().GetStartUpWindow();
    ASSERT_TRUE(startUp && startUp->IsCreated());
    EXPECT_EQ(startUp->GetDlgCtrlID(), CStartUp::kId);
    EXPECT_EQ(startUp->GetWindowRect(), dlg->GetPageRect());
    const std::string png = GrabPath("brelk-start-up-window.png");
    ASSERT_TRUE(GrabWindowToPng(*dlg, png));
    std::printf("start-up window grabbed to %s\n", png.c_str());
    auto picture = LoadPngResource(201);
    auto grabbed = GrabWindow(*dlg);
    ASSERT_TRUE(picture && grabbed);
    // The picture covers the page area, one pixel over its left and top edges.
    EXPECT_EQ(grabbed->GetPixel(500, 400), picture->GetPixel(500, 331));

    KeyPress(*dlg, VK_ESCAPE);
    RunEvents(20);
    EXPECT_TRUE(dlg->GetDevicePresence().StartUpWindowExists());
    EXPECT_EQ(dlg->GetConnectState(), 0);

    KeyPress(*dlg, VK_F2);
    RunEvents(20);
    EXPECT_FALSE(dlg->GetDevicePresence().StartUpWindowExists());
    EXPECT_EQ(dlg->GetConnectState(), 1);
    EXPECT_EQ(dlg->GetDevicePresence().GetConnectView(), CDevicePresence::kViewDisconnected);

    // A Brelk that comes later is connected; the start-up window stays away.
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    ExpectShown(*dlg, CDevicePresence::kViewConnected, L"CONNECTED", kBlue);
    EXPECT_FALSE(dlg->GetDevicePresence().StartUpWindowExists());
    Plug(brelk, false);
    DeviceChanged(*dlg, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_FALSE(dlg->GetDevicePresence().StartUpWindowExists());
    EXPECT_EQ(dlg->GetDevicePresence().GetConnectView(), CDevicePresence::kViewDisconnected);
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, ConnectingEndsTheDocumentViewer)
{
    TempFolder tmp;
    const std::string script = tmp.File("viewer.sh");
    tmp.Write("viewer.sh", "#!/bin/sh\nexec sleep 30\n");
    ::chmod(script.c_str(), 0755);
    const std::string previous = SetShellOpenProgram(script);
    SimBrelk brelk(3);
    Plug(brelk, false);
    auto dlg = CreateDialog();
    // Opened as the user opens it, from the top pane, on the start-up window.
    dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kDailyFileId, kActionCommand);
    ChildProcess* viewer = dlg->GetDocumentViewer().Process();
    ASSERT_TRUE(viewer && viewer->IsRunning());
    Plug(brelk, true);
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    EXPECT_FALSE(viewer->IsRunning());
    // Ended by the program: no word that the document could not be opened.
    PumpUntil([] { return false; }, 600);
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    SetShellOpenProgram(previous);
    dlg->DestroyWindow();
}

TEST_F(DevicePresenceTest, EnsureDeviceConnectedOpensThePortWhenItCan)
{
    SimBrelk brelk(3);
    Plug(brelk, false);
    SerialClose();
    EXPECT_FALSE(EnsureDeviceConnected());
    Plug(brelk, true);
    EXPECT_TRUE(EnsureDeviceConnected());
    EXPECT_EQ(brelk.port.OpenCount(), 1);
    // Open already: nothing is opened again.
    EXPECT_TRUE(EnsureDeviceConnected());
    EXPECT_EQ(brelk.port.OpenCount(), 1);
}

// An upgrade that fails because the Brelk was pulled in its middle: while
// its failure is said and after it, nothing shows the Brelk connected, and the
// settings page shows no version of it.
TEST_F(DevicePresenceTest, AfterAnUpgradeFailedWithTheBrelkGoneNothingShowsItConnected)
{
    SimBrelk brelk(3);
    Plug(brelk, true);
    auto dlg = CreateDialog(false);
    ASSERT_EQ(dlg->GetConnectState(), 1);
    dlg->SendMessage(WM_PAGE_ACTION, kPageSetup, kActionNavigate);
    CPageSetup* settings = dlg->GetSettingsPage();
    ASSERT_TRUE(settings);
    EXPECT_TRUE(PumpUntil([&] { return settings->GetVersionText() == L"V6.11" && !dlg->IsWorkerRunning(); }, 5000));
    CConnectStatusView* view = dlg->GetTopPane()->GetConnectStatusView();
    ASSERT_TRUE(view);

    // A Brelk of another version comes; it is pulled in the middle of its
    // upgrade, and the window hears of it at once.
    brelk.sim.SetVersion(std::string("V6.10\0", 6));
    brelk.loader.OnBlock(2, [&] {
        Plug(brelk, false);
        ::PostMessage(dlg->GetSafeHwnd(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    });
    std::vector<int> viewsWhileSaid;
    std::vector<std::wstring> versionsWhileSaid;
    boxes.whileOpen = [&](const ScriptedMessageBoxes::Asked&) {
        viewsWhileSaid.push_back(view->GetState());
        versionsWhileSaid.push_back(settings->GetVersionText());
    };
    DeviceChanged(*dlg, DBT_DEVICEARRIVAL);
    ASSERT_TRUE(brelk.loader.InLoader());
    ASSERT_FALSE(viewsWhileSaid.empty());
    for (int shown : viewsWhileSaid)
        EXPECT_EQ(shown, CConnectStatusView::kStateDisconnected);
    for (const std::wstring& shown : versionsWhileSaid)
        EXPECT_EQ(shown, L"");
    EXPECT_EQ(view->GetState(), CConnectStatusView::kStateDisconnected);
    EXPECT_EQ(dlg->GetDevicePresence().GetStatusKey(), L"DISCONNECTED");
    EXPECT_EQ(settings->GetVersionText(), L"");
    boxes.whileOpen = nullptr;

    // The settings page shown again: still no version.
    dlg->SendMessage(WM_PAGE_ACTION, kPagePartNo, kActionNavigate);
    dlg->SendMessage(WM_PAGE_ACTION, kPageSetup, kActionNavigate);
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    EXPECT_EQ(settings->GetVersionText(), L"");
    dlg->DestroyWindow();
}

} // namespace

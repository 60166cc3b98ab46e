// The main window in this process against the simulated Brelk on a
// pseudo-terminal: device changes come from the real watch on the links
// folder, the port goes through termios.
#include "AppFlags.h"
#include "BRELK2Dlg.h"
#include "BrelkSimulator.h"
#include "DeviceMap.h"
#include "DevicePresence.h"
#include "PtyBrelk.h"
#include "SerialPort.h"
#include "SimBrelkLoader.h"
#include "SimFrameHandler.h"
#include "SimV4Sensor.h"
#include "TempFolder.h"
#include "TsF7V4Program.h"
#include "TsNetlayer.h"
#include "UiTestSupport.h"
#include "UiThread.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kNoticeMs = 10000;

// The main window of this process, as the program makes it.
std::unique_ptr<CBRELK2Dlg> MainWindow()
{
    ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
    auto dlg = std::make_unique<CBRELK2Dlg>(&screen);
    SetMainWindow(dlg.get());
    EXPECT_TRUE(dlg->Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
    EXPECT_TRUE(ShowAndWait(*dlg));
    return dlg;
}

TEST(PresencePty, F2EntersWithoutABrelkAndALaterBrelkIsFollowed)
{
    EnsureUiApp();
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    ScopedEnv program("BRELK_PROGRAM_DIR", dir.Path());
    if (!DeviceMap::ReadSystem().empty())
        GTEST_SKIP() << "this machine has a serial port of its own";

    auto dlg = MainWindow();
    const CDevicePresence& presence = dlg->GetDevicePresence();
    ASSERT_EQ(dlg->GetConnectState(), 0);
    ASSERT_TRUE(presence.StartUpWindowExists());

    KeyPress(*dlg, VK_F2);
    EXPECT_TRUE(PumpUntil([&] { return dlg->GetConnectState() == 1; }, kNoticeMs));
    EXPECT_FALSE(presence.StartUpWindowExists());
    EXPECT_EQ(presence.GetConnectView(), CDevicePresence::kViewDisconnected);

    // A Brelk is plugged in: its link appears in the links folder.
    BrelkSimulator sim;
    SimBrelkLoader loader(sim);
    PtyBrelk host(sim);
    ASSERT_TRUE(host.Open()) << host.Error();
    ASSERT_TRUE(host.Publish(dir.File("ports"), 7)) << host.Error();
    host.Start();
    EXPECT_TRUE(PumpUntil([&] { return presence.GetConnectView() == CDevicePresence::kViewConnected; }, kNoticeMs));
    EXPECT_EQ(presence.GetStatusKey(), L"CONNECTED");
    EXPECT_FALSE(presence.StartUpWindowExists());
    EXPECT_EQ(g_nBrelkPort, 7);

    host.Unplug();
    EXPECT_TRUE(PumpUntil([&] { return presence.GetConnectView() == CDevicePresence::kViewDisconnected; }, kNoticeMs));
    EXPECT_EQ(g_bDeviceRemoved, 1);
    EXPECT_FALSE(presence.StartUpWindowExists());

    host.Replug();
    EXPECT_TRUE(PumpUntil([&] { return presence.GetConnectView() == CDevicePresence::kViewConnected; }, kNoticeMs));
    EXPECT_EQ(g_bDeviceRemoved, 0);

    dlg->DestroyWindow();
    SetMainWindow(nullptr);
    SerialClose();
    host.Stop();
}

TEST(PresencePty, AnUnplugDuringAnExchangeStopsItAndTheBrelkIsFollowedOnceItEnds)
{
    EnsureUiApp();
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    ScopedEnv program("BRELK_PROGRAM_DIR", dir.Path());
    if (!DeviceMap::ReadSystem().empty())
        GTEST_SKIP() << "this machine has a serial port of its own";
    BrelkSimulator sim;
    SimFrameHandler frames(sim);
    SimBrelkLoader loader(sim);
    frames.AddSensor(std::make_shared<SimV4Sensor>(0x1234));
    PtyBrelk host(sim);
    ASSERT_TRUE(host.Open()) << host.Error();
    ASSERT_TRUE(host.Publish(dir.File("ports"), 7)) << host.Error();
    host.Start();

    auto dlg = MainWindow();
    const CDevicePresence& presence = dlg->GetDevicePresence();
    ASSERT_EQ(dlg->GetConnectState(), 1);

    // An operation on its worker: sensor exchanges until it is stopped.
    std::atomic<int> exchanges{0}, answered{0};
    std::atomic<bool> stopped{false}, release{false};
    g_bBusy = 1;
    dlg->BeginWorker([&] {
        CTsF7V4Program programmer(0, 0);
        CTsFrame reply;
        while (!g_bAbort.IsSet()) {
            answered += programmer.SendRecvSensor(0x1234, CBinary("\x20", 1), 100, &reply) ? 1 : 0;
            ++exchanges;
        }
        stopped = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        g_bBusy = 0;
    });
    ASSERT_TRUE(PumpUntil([&] { return answered >= 3; }, kNoticeMs));

    // Unplugged: the exchange fails at once, and the notification stops the operation.
    host.Unplug();
    EXPECT_TRUE(PumpUntil([&] { return stopped.load(); }, kNoticeMs));
    EXPECT_TRUE(PumpUntil([&] { return presence.GetConnectView() == CDevicePresence::kViewDisconnected; }, kNoticeMs));
    EXPECT_EQ(g_bDeviceRemoved, 1);
    EXPECT_EQ(g_bBusy, 1);

    // Back while the worker still runs: looked at once it has ended.
    host.Replug();
    RunEvents(300);
    EXPECT_EQ(presence.GetConnectView(), CDevicePresence::kViewDisconnected);
    release = true;
    EXPECT_TRUE(PumpUntil([&] { return presence.GetConnectView() == CDevicePresence::kViewConnected; }, kNoticeMs));
    EXPECT_EQ(g_bDeviceRemoved, 0);
    EXPECT_FALSE(g_bAbort.IsSet());

    dlg->DestroyWindow();
    SetMainWindow(nullptr);
    SerialClose();
    host.Stop();
}

} // namespace

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
#include "TempFolder.h"
#include "UiTestSupport.h"
#include "UiThread.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kNoticeMs = 10000;

TEST(PresencePty, F2EntersWithoutABrelkAndALaterBrelkIsFollowed)
{
    EnsureUiApp();
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    ScopedEnv program("BRELK_PROGRAM_DIR", dir.Path());
    if (!DeviceMap::ReadSystem().empty())
        GTEST_SKIP() << "this machine has a serial port of its own";

    ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
    auto dlg = std::make_unique<CBRELK2Dlg>(&screen);
    SetMainWindow(dlg.get());
    ASSERT_TRUE(dlg->Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
    ASSERT_TRUE(ShowAndWait(*dlg));
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

} // namespace

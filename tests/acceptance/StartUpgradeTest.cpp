// Scenario 1: the client starts against a Brelk of another firmware version,
// brings it to its own, and shows the car page.
#include "AcceptanceTest.h"

#include <fstream>

#include "Image.h"
#include "PageHistory.h"
#include "UiTestSupport.h"

#include <algorithm>

namespace {

TEST_F(AcceptanceTest, ABrelkOfAnotherVersionIsUpgradedAtStartAndTheCarPageShows)
{
    StartSim({"--version", "V6.10"});
    StartClient();

    // The upgrade shows its window over the main window while the blocks go.
    ASSERT_TRUE(WaitUntil([&] { return !OtherWindows().empty() || TraceCount("page ") > 0; }, 20000)) << Trace();
    if (!OtherWindows().empty()) {
        const XSession::Window upgrade = OtherWindows().front();
        auto shot = x.Grab(upgrade.rect);
        ASSERT_TRUE(shot);
        SaveGrab(*shot, "upgrade-window");
    }

    // The Brelk restarted with the client's version, which was recorded.
    ASSERT_TRUE(WaitForFileText(data + "/Setup.ini", "BrelkVersion=V6.11", 60000)) << Trace();
    const std::vector<std::string> commands = SimCommands();
    EXPECT_TRUE(InOrder(commands, {"C8", "CF", "C9", "C0", "C2", "C1", "C3", "C4", "C8"}));
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "CF"), 1);

    // The car page of the region in use shows, connected.
    ASSERT_TRUE(WaitForTrace("page " + std::to_string(kPageCarRegion1) + " shown")) << Trace();
    EXPECT_GE(TraceCount("Brelk connection: CONNECTED"), 1u);
    MoveAway();
    auto shot = GrabSettled();
    ASSERT_TRUE(shot);
    SaveGrab(*shot, "car-page");
    // What the page area shows is the car page the program's own layout draws.
    const CRect page = twin->Page();
    auto shown = GrabSettled(page);
    auto twinShot = twin->Grab();
    ASSERT_TRUE(shown && twinShot);
    const double likeness = Likeness(*shown, *CropImage(*twinShot, page));
    std::printf("[ info     ] the page area is %.1f %% the twin's car page\n", likeness * 100);
    EXPECT_GT(likeness, 0.95);
    EXPECT_TRUE(client.Running());
}

} // namespace

namespace {

TEST_F(AcceptanceTest, WithoutABrelkTheStartUpPictureCoversThePagesUntilF2)
{
    StartClient();
    ASSERT_TRUE(WaitForTrace("Brelk connection: SEARCHING")) << Trace();
    MoveAway();
    SaveSettledGrab("start-up");
    EXPECT_EQ(TraceCount("page "), 0u) << Trace();

    // F2, typed with the pointer over the window, lets the user in without a Brelk.
    const CRect window = ClientOnScreen();
    x.MoveTo(CPoint(window.left + window.Width() / 2, window.top + window.Height() / 2));
    Key("F2");
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    EXPECT_GE(TraceCount("Brelk connection: DISCONNECTED"), 1u) << Trace();
    SaveSettledGrab("entered-without-brelk");
}

TEST_F(AcceptanceTest, TheStartUpWindowSaysInTheUsersLanguageWhatItWaitsFor)
{
    {
        std::ofstream ini(data + "/Setup.ini");
        ini << "[Setup]\nLanguage=DE\n";
    }
    StartClient();
    ASSERT_TRUE(WaitForTrace("Brelk connection: SEARCHING")) << Trace();
    MoveAway();
    // The picture is text-free: the program draws the texts into its lower band.
    auto shot = GrabSettled();
    ASSERT_TRUE(shot);
    SaveGrab(*shot, "start-up-german");
    // Dark text in the picture's plain lower band (below the station).
    int dark = 0;
    for (int py = shot->GetHeight() * 7 / 10; py < shot->GetHeight() * 9 / 10; ++py)
        for (int px = 0; px < shot->GetWidth(); ++px) {
            const uint32_t p = shot->GetPixel(px, py).GetValue();
            dark += ((p >> 16) & 0xFF) < 120 && ((p >> 8) & 0xFF) < 120 && (p & 0xFF) < 120 ? 1 : 0;
        }
    EXPECT_GT(dark, 300);
    const CRect window = ClientOnScreen();
    x.MoveTo(CPoint(window.left + window.Width() / 2, window.top + window.Height() / 2));
    Key("F2");
    ASSERT_TRUE(WaitForCarPage()) << Trace();
}

} // namespace

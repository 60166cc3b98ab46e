// What the window says is what happened: a Brelk pulled out of its start-up
// upgrade is upgraded when it comes back and is never shown connected before
// it runs the client's version; a blank sensor's Test is no success; a Stop
// and an unplug are named as such, with what became of the sensor.
#include "AcceptanceTest.h"

#include "BRELK2Dlg.h"
#include "CodePage.h"
#include "Image.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "SensorOperations.h"
#include "TextLines.h"
#include "TopPane.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kBoxMs = 60000;
// A window a press would have opened has come by then.
constexpr int kNoWindowMs = 1500;

// The children of a process that have ended and were never reaped.
int ZombieChildren(pid_t parent)
{
    int zombies = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat))
            continue;
        // pid (comm) state ppid ...: the command may hold spaces, so read after its ')'.
        const size_t close = stat.rfind(')');
        char state = 0;
        long ppid = 0;
        if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2)
            zombies += state == 'Z' && ppid == parent ? 1 : 0;
    }
    return zombies;
}

class TrueOutcomeTest : public AcceptanceTest {
protected:
    // The Europe vehicle of the bench sensors' code (040), on its Test Sensor page.
    void OnTheVehicle()
    {
        ASSERT_TRUE(WaitForCarPage()) << Trace();
        ChooseRegion(2);
        ChooseVehicle(L"Velsor", L"Fenn", L"2016");
    }
    // The "Brelk connection:" lines of the trace, in order.
    std::vector<std::string> Connections() const
    {
        std::vector<std::string> views;
        for (const std::string& line : LinesWith(Trace(), "Brelk connection: "))
            views.push_back(line.substr(line.find("Brelk connection: ") + 18));
        return views;
    }
    // Presses a page button and waits until the status line says `text`.
    void PressAndWaitForStatus(int buttonId, const std::string& text, int ms = 60000)
    {
        ClickClient(twin->PageControl(buttonId));
        MoveAway();
        ASSERT_TRUE(WaitForTrace("status line: " + text, 1, ms)) << Trace();
    }
};

TEST_F(TrueOutcomeTest, AStartUpgradeBrokenByAnUnplugIsResumedWhenTheBrelkComesBack)
{
    StartSim({"--version", "V6.10", "--unplug-at-block", "3"});
    StartClient();

    // The upgrade starts and the Brelk is pulled at its fourth block: the
    // progress window goes and the user reads why.
    ASSERT_TRUE(WaitForTrace(" -------- step5-------- ", 1, kBoxMs)) << Trace();
    std::vector<XSession::Window> box;
    ASSERT_TRUE(WaitUntil([&] { return (box = OtherWindows()).size() == 1; }, kBoxMs)) << Trace();
    SaveWindowGrab(box.front(), "failure-said");
    x.MoveTo(Centre(box.front().rect));
    Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return OtherWindows().empty(); }, 10000));
    // Half-written in its loader, unplugged: nothing says it is connected.
    const std::vector<std::string> before = Connections();
    EXPECT_EQ(std::find(before.begin(), before.end(), "CONNECTED"), before.end()) << Trace();
    EXPECT_EQ(ReadFile(data + "/Setup.ini").find("BrelkVersion="), std::string::npos);
    MoveAway();
    SaveSettledGrab("after-the-failure");

    // Plugged in again, in its loader: upgraded once more, shown not ready
    // until it runs the client's version.
    const std::vector<std::string> first = SimCommands();
    const auto entries = std::count(first.begin(), first.end(), "C1");
    sim.Signal(SIGUSR2);
    ASSERT_TRUE(WaitUntil([&] { return !OtherWindows().empty(); }, 30000)) << Trace();
    if (auto shot = x.Grab(OtherWindows().front().rect))
        SaveGrab(*shot, "resumed-upgrade-window");
    // The top pane meanwhile: the Brelk is there, not ready.
    ASSERT_TRUE(WaitForTrace("Brelk connection: NOT READY")) << Trace();
    if (auto shot = x.Grab(ClientOnScreen()))
        SaveGrab(*shot, "not-ready-while-upgrading");
    ASSERT_TRUE(WaitForFileText(data + "/Setup.ini", "BrelkVersion=V6.11", 90000)) << Trace();
    // The simulator runs the client's version now, and took the blocks again.
    ASSERT_TRUE(WaitForFileText(run.File("sim.out"), "restarts with firmware V6.11", 10000))
        << ReadFile(run.File("sim.out"));
    const std::vector<std::string> commands = SimCommands();
    EXPECT_GT(std::count(commands.begin(), commands.end(), "C1"), entries);
    EXPECT_TRUE(InOrder(commands, {"C9", "C0", "C2", "C1", "C3", "C4", "C8"}));

    // The top pane agrees: "not ready" while it was in its loader, connected at the end.
    ASSERT_TRUE(WaitForTrace("Brelk connection: CONNECTED")) << Trace();
    const std::vector<std::string> views = Connections();
    const auto connected = std::find(views.begin(), views.end(), "CONNECTED");
    EXPECT_NE(std::find(views.begin(), connected, "NOT READY"), connected) << Trace();
    EXPECT_EQ(views.back(), "CONNECTED");
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    MoveAway();
    SaveSettledGrab("resumed-upgrade");
    EXPECT_TRUE(client.Running());
}

TEST_F(TrueOutcomeTest, TestOnABlankSensorIsNoSuccess)
{
    StartSim({"--sensors", "2345"});
    StartClient();
    OnTheVehicle();
    EXPECT_EQ(RunOperation(kCmdTestSensor), RedStatus(L"SENSOR_NO_ID")) << Trace();
    EXPECT_EQ(Trace().find("readings: ID "), std::string::npos) << Trace();
    auto line = GrabStatusLine("status-blank");
    ASSERT_TRUE(line);
    EXPECT_GT(RedPixels(*line), 20);
    EXPECT_EQ(BluePixels(*line), 0);
    SaveSettledGrab("blank-sensor-test");
    // Print stays off: a press opens nothing (with a label to print it would
    // ask for a printer).
    ClickClient(twin->PageControl(kIdPrint));
    MoveAway();
    std::this_thread::sleep_for(std::chrono::milliseconds(kNoWindowMs));
    EXPECT_TRUE(OtherWindows().empty());
}

TEST_F(TrueOutcomeTest, CancelWhileSearchingSaysTheUserStoppedIt)
{
    // No sensor in range: the run looks for one family after the other.
    StartSim({"--sensors", "none", "--baud", "57600"});
    StartClient();
    OnTheVehicle();
    TypeHexIdOnCreatePage("4038AAA0");
    const size_t ended = TraceCount("operation ended: ");
    PressAndWaitForStatus(kCmdProgramCreate, EnglishText(L"CHECK_TYPE"));
    ClickClient(twin->PageControl(kIdStop));
    MoveAway();
    ASSERT_TRUE(WaitForTrace("operation ended: ", ended + 1, 30000)) << Trace();
    EXPECT_EQ(LastStatusLine(), RedStatus(L"PROGRAM_STOPPED")) << Trace();
    EXPECT_TRUE(DailyFiles().empty());
    SaveSettledGrab("cancel-searching");
}

TEST_F(TrueOutcomeTest, AnUnplugDuringCheckSaysTheBrelkWasUnplugged)
{
    StartSim({"--sensors", "none", "--baud", "57600"});
    StartClient();
    OnTheVehicle();
    const size_t ended = TraceCount("operation ended: ");
    PressAndWaitForStatus(kCmdCheckSensor, EnglishText(L"TEST_SENSOR"));
    // The check is looking for the sensor when the Brelk goes.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(WaitForTrace("operation ended: ", ended + 1, 30000)) << Trace();
    EXPECT_EQ(LastStatusLine(), RedStatus(L"TEST_UNPLUGGED")) << Trace();
    EXPECT_EQ(Connections().back(), "DISCONNECTED");
    SaveSettledGrab("unplug-during-check");
}

TEST_F(TrueOutcomeTest, DailyRecordsWithoutAViewerSaysWhichFolderCouldNotBeOpened)
{
    // A desktop with no program for folders: its opener gives up at once, as xdg-open does.
    const std::string bin = run.File("bin");
    fs::create_directories(bin);
    {
        std::ofstream opener(bin + "/xdg-open");
        opener << "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n";
    }
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    clientEnv.push_back({"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")});
    StartClient();
    ASSERT_TRUE(WaitForTrace("Brelk connection: SEARCHING")) << Trace();
    ClickClient(twin->Of(twin->Dialog().GetTopPane()->GetButton(CTopPane::kDailyFileId)));
    std::vector<XSession::Window> box;
    ASSERT_TRUE(WaitUntil([&] { return (box = OtherWindows()).size() == 1; }, 10000)) << Trace();
    SaveWindowGrab(box.front(), "daily-records-not-opened");
    x.MoveTo(Centre(box.front().rect));
    Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return OtherWindows().empty(); }, 10000));
    // The opener was reaped: no zombie of it stays beside the client.
    EXPECT_EQ(ZombieChildren(client.Pid()), 0);
}

} // namespace

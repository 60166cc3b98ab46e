// The real termios path against brelk-sim on a pseudo-terminal.
#include "BrelkCommands.h"
#include "ByteText.h"
#include "FirmwareContainerWriter.h"
#include "SearchUsbPort.h"
#include "SensorBootContext.h"
#include "SerialPort.h"
#include "SimBench.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "TextLines.h"
#include "TsF6V1Program.h"
#include "TsF7V3Program.h"
#include "TsF7V4Program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// brelk-sim as a child process, publishing COM n in a links folder of its own.
class SimProcess {
public:
    SimProcess(const TempFolder& dir, int com, const char* sensors = nullptr, std::vector<const char*> more = {})
        : m_record(dir.File("record.txt"))
    {
        const std::string ports = dir.File("ports");
        TestProcess::Options options;
        options.args = {"--com", std::to_string(com), "--ports", ports, "--record", m_record};
        if (sensors) {
            options.args.push_back("--sensors");
            options.args.push_back(sensors);
        }
        options.args.insert(options.args.end(), more.begin(), more.end());
        m_process.Start(BRELK_SIM_PATH, options);
        const std::string link = ports + "/com" + std::to_string(com);
        for (int i = 0; i < 500 && access(link.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    bool Running() { return m_process.Running(); }
    void Signal(int signal) const { m_process.Signal(signal); }
    std::vector<std::string> Recorded() const { return ReadLines(m_record); }

private:
    TestProcess m_process;
    std::string m_record;
};

// The client as a child process, in an environment of the test's own: its
// data, ports and lock folders, and the variables given (an empty value
// removes a variable).
class ClientProcess {
public:
    ClientProcess(const std::vector<std::pair<std::string, std::string>>& vars, const std::string& stderrFile)
    {
        TestProcess::Options options;
        options.env = vars;
        options.stderrFile = stderrFile;
        m_process.Start(BRELK_EXE_PATH, options);
    }
    bool Started() const { return m_process.Pid() > 0; }
    // True while it runs.
    bool Running() { return m_process.Running(); }
    // Its exit code once it ended within the time (real), else -1.
    int WaitForExit(int ms) { return m_process.WaitForExit(ms); }
    void Stop() { m_process.Stop(); }

private:
    TestProcess m_process;
};

// Waits (real time) until the file holds the text `count` times.
bool WaitForCount(const TempFolder& dir, const std::string& file, const std::string& text, size_t count, int ms)
{
    for (int i = 0; i < ms / 20; ++i) {
        if (access(dir.File(file).c_str(), F_OK) == 0) {
            const std::string all = dir.Read(file);
            size_t found = 0;
            for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
                ++found;
            if (found >= count)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Waits (real time) until the file holds the text.
bool WaitForText(const TempFolder& dir, const std::string& file, const std::string& text, int ms)
{
    for (int i = 0; i < ms / 20; ++i) {
        if (access(dir.File(file).c_str(), F_OK) == 0 && dir.Read(file).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The client's environment in the folder: offscreen, with its own data,
// ports and lock folders.
std::vector<std::pair<std::string, std::string>> ClientEnv(const TempFolder& dir)
{
    const std::string runtime = dir.File("run");
    mkdir(runtime.c_str(), 0700);
    return {{"QT_QPA_PLATFORM", "offscreen"},
            {"BRELK_DATA_DIR", dir.File("data")},
            {"BRELK_PORTS_DIR", dir.File("ports")},
            {"XDG_RUNTIME_DIR", runtime}};
}

// The same without any display to show a window on.
std::vector<std::pair<std::string, std::string>> ClientEnvWithoutDisplay(const TempFolder& dir)
{
    auto env = ClientEnv(dir);
    for (auto& [name, value] : env)
        if (name == "QT_QPA_PLATFORM")
            value.clear();
    env.push_back({"DISPLAY", ""});
    env.push_back({"WAYLAND_DISPLAY", ""});
    return env;
}

// Waits (real time) until the client's text log has its first line: its window is up by then.
bool WaitForFirstLogLine(const TempFolder& dir)
{
    for (int i = 0; i < 1000; ++i) {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir.File("data/log"), ec))
            if (std::filesystem::file_size(e.path(), ec) > 0)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(BrelkSimPty, FindOpenVersionAndSignals)
{
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    SimProcess sim(dir, 7);
    ASSERT_TRUE(sim.Running());

    CSearchUsbPort search;
    ASSERT_GE(search.SearchPorts(), 1);
    const auto& found = search.Ports();
    ASSERT_NE(std::find(found.begin(), found.end(), 7), found.end());
    if (found.size() == 1) { // no real USB serial device on this machine
        EXPECT_EQ(FindDeviceComPort(), 7);
    }

    ASSERT_TRUE(SerialOpen(7));
    EXPECT_EQ(GetBrelkVersion(), L"V6.11");
    // The simulator keeps its end open: the port closes and opens again.
    EXPECT_TRUE(SerialClose());
    ASSERT_TRUE(SerialOpen(7));
    SendBrelkSuccessSignal(1);
    SendBrelkFailSignal();
    SerialClose();

    std::vector<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        seen = sim.Recorded();
        if (seen.size() >= 10)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"C8", "F5", "F9", "F6", "FA", "F9", "F5", "F7", "F6", "F9"}));
}

TEST(BrelkSimPty, V4ExchangeThroughTheTerminal)
{
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    SimProcess sim(dir, 8, "1234,5678");
    ASSERT_TRUE(sim.Running());
    g_nBrelkPort = 8;
    {
        CTsF7V4Program program(0, 0);
        ASSERT_TRUE(g_bSerialOpen);
        CTsFrame reply;
        ASSERT_TRUE(program.SendRecvSensor(0x5678, Hex("20"), 100, &reply));
        EXPECT_EQ(reply.m_nSensorId, 0x5678u);
        EXPECT_EQ(reply.m_nCommand, 0x20);
        const SensorIdSet both{0x1234, 0x5678};
        SensorFrameMap collect;
        EXPECT_TRUE(program.SendRecvMulti(Hex("00"), 220, &collect, &both));
        EXPECT_EQ(collect.size(), 2u);
    }
    EXPECT_FALSE(g_bSerialOpen);
    g_nBrelkPort = 0;
    const std::vector<std::string> seen = sim.Recorded();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "F1");
}

// The line of the state file's sensor, once it says what is expected.
bool WaitForBenchLine(const std::string& path, uint16_t searchId, const std::function<bool(const BenchRecordLine&)>& ok)
{
    for (int i = 0; i < 250; ++i) {
        for (const BenchRecordLine& line : ReadBenchRecord(path))
            if (line.searchId == searchId && ok(line))
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(BrelkSimPty, V4SensorsOfTheOtherLinesAnswerOnTheirOwnFrequency)
{
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    const std::string state = dir.File("bench.txt");
    SimProcess sim(dir, 8, "N8V4:2347,F6V4:2346=00BCDEF1", {"--state", state.c_str()});
    ASSERT_TRUE(sim.Running());
    g_nBrelkPort = 8;
    struct Case {
        int frequency;
        uint16_t id;
        uint8_t line;    // high nibble of the hard version
        uint16_t silent; // the sensor of the other frequency
    } cases[] = {{0, 0x2347, 0x80, 0x2346}, {1, 0x2346, 0x60, 0x2347}};
    for (const Case& c : cases) {
        CTsF7V4Program program(0, c.frequency);
        ASSERT_TRUE(g_bSerialOpen);
        CTsFrame reply;
        ASSERT_TRUE(program.SendRecvSensor(c.id, Hex("20"), 100, &reply)) << c.frequency;
        ASSERT_GE(reply.m_Payload.GetSize(), 2);
        EXPECT_EQ(reply.m_Payload.GetAt(0) & 0xF0, c.line);
        EXPECT_FALSE(program.SendRecvSensor(c.silent, Hex("20"), 100, &reply)) << c.frequency;
    }
    g_nBrelkPort = 0;
    // The record names each sensor's line and what it holds.
    EXPECT_TRUE(WaitForBenchLine(state, 0x2347, [](const BenchRecordLine& l) {
        return l.inRange && l.held == 0xFFFFFFFFu && l.family == "N8V4";
    })) << dir.Read("bench.txt");
    EXPECT_TRUE(WaitForBenchLine(state, 0x2346, [](const BenchRecordLine& l) {
        return l.inRange && l.held == 0x00BCDEF1u && l.family == "F6V4";
    })) << dir.Read("bench.txt");
}

TEST(BrelkSimPty, AV1V3SensorTakesTheBootUpdateAndIsAV4SensorAfterIt)
{
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    TempFolder program;
    ScopedEnv programDir("BRELK_PROGRAM_DIR", program.Path());
    // The F6V1 boot image for frequency selector 1.
    FirmwareContainerWriter writer;
    writer.Add(FirmwareMemberName(TS_TYPE_F6V1, 0xF4), BuildV1Image(SampleV1BootImage(96, 3)));
    writer.WriteTo(program.File(FirmwareContainerName(TS_TYPE_F6V1)));
    const std::string state = dir.File("bench.txt");
    SimProcess sim(dir, 8, "F6V1:2348", {"--state", state.c_str()});
    ASSERT_TRUE(sim.Running());
    g_nBrelkPort = 8;
    {
        // The F7V3 reply check passes an F6V1 sensor by.
        CTsF7V3Program f7v3(1);
        SensorIdSet found;
        EXPECT_FALSE(f7v3.SearchSensors(found));
    }
    {
        CTsF6V1Program f6v1(1);
        SensorBootContext context;
        context.program = &f6v1;
        EXPECT_EQ(UpdateSensorBoot(context), BOOT_UPDATED_V1);
        EXPECT_EQ(context.found, (SensorIdSet{0x2348}));
    }
    {
        // Now it answers V4 frames under the id the boot update gave it, as an F6 sensor.
        CTsF7V4Program v4(0, 1);
        CTsFrame reply;
        ASSERT_TRUE(v4.SendRecvSensor(0x8FFF, Hex("20"), 100, &reply));
        ASSERT_GE(reply.m_Payload.GetSize(), 1);
        EXPECT_EQ(reply.m_Payload.GetAt(0) & 0xF0, 0x60);
    }
    g_nBrelkPort = 0;
    EXPECT_TRUE(WaitForBenchLine(state, 0x2348, [](const BenchRecordLine& l) {
        return l.inRange && l.held == 0xFFFFFFFFu && l.family == "F6V1";
    })) << dir.Read("bench.txt");
}

TEST(BrelkSimPty, HelpSaysWhatItDoesAndABadLineIsRefused)
{
    TempFolder dir;
    TestProcess help;
    TestProcess::Options o;
    o.args = {"--help"};
    o.stdoutFile = dir.File("help.txt");
    ASSERT_TRUE(help.Start(BRELK_SIM_PATH, o));
    EXPECT_EQ(help.WaitForExit(5000), 0);
    EXPECT_NE(dir.Read("help.txt").find("SIGHUP"), std::string::npos);

    TestProcess bad;
    TestProcess::Options b;
    b.args = {"--sensors", "X9V9:1"};
    b.stderrFile = dir.File("bad.txt");
    ASSERT_TRUE(bad.Start(BRELK_SIM_PATH, b));
    EXPECT_EQ(bad.WaitForExit(5000), 2);
    EXPECT_NE(dir.Read("bad.txt").find("X9V9:1"), std::string::npos) << dir.Read("bad.txt");
}

TEST(BrelkSimPty, AStopEndsATenSecondReceiveAtOnce)
{
    using Steady = std::chrono::steady_clock;
    TempFolder dir;
    ScopedEnv ports("BRELK_PORTS_DIR", dir.File("ports"));
    ScopedDataFolder data;
    SimProcess sim(dir, 9); // no sensor: nothing answers a command frame
    ASSERT_TRUE(sim.Running());
    g_nBrelkPort = 9;
    ASSERT_TRUE(SerialOpen(9));
    struct Case {
        const char* what;
        std::function<void()> wait;
    } cases[] = {
        {"frame receive",
         [] {
             CTsNetlayer link;
             link.m_LfConfig.DurationTm = 10000;
             CTsReceive recv;
             link.SendRecv(recv, Hex("01"));
         }},
        {"Brelk command read",
         [] {
             uint8_t buffer[16];
             ReceiveBytes(sizeof buffer, buffer, 10000);
         }},
    };
    for (const Case& c : cases) {
        g_bAbort.Clear();
        ASSERT_TRUE(g_bSerialOpen || SerialOpen(9));
        std::atomic<bool> done{false};
        std::thread worker([&] {
            c.wait();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done) << c.what;
        const auto stopped = Steady::now();
        g_bAbort.Set();
        worker.join();
        // At once: well within what a loaded machine or a sanitizer adds.
        EXPECT_LT(Steady::now() - stopped, std::chrono::milliseconds(500)) << c.what;
    }
    g_bAbort.Clear();
    SerialClose();
    g_nBrelkPort = 0;
}

TEST(BrelkSimPty, TheClientAsksTheBrelkForItsVersionAtStartAndRunsAlone)
{
    TempFolder dir;
    SimProcess sim(dir, 7);
    ASSERT_TRUE(sim.Running());
    ClientProcess client(ClientEnv(dir), dir.File("client.err"));
    ASSERT_TRUE(client.Started());
    // The version query went out and its answer was stored.
    ASSERT_TRUE(WaitForText(dir, "data/Setup.ini", "BrelkVersion=V6.11", 20000)) << dir.Read("client.err");
    const std::vector<std::string> seen = sim.Recorded();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "C8"), seen.end());
    EXPECT_TRUE(client.Running());

    // A second start goes at once, quietly, and leaves the first running.
    ClientProcess second(ClientEnv(dir), dir.File("second.err"));
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(5000), 0);
    EXPECT_EQ(dir.Read("second.err"), "");
    EXPECT_TRUE(client.Running());
    client.Stop();
}

TEST(BrelkSimPty, WithoutABrelkTheClientWaitsWithItsWindow)
{
    TempFolder dir;
    ClientProcess client(ClientEnv(dir), dir.File("client.err"));
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(WaitForFirstLogLine(dir)) << dir.Read("client.err");
    EXPECT_TRUE(client.Running());
    const std::string ini = access(dir.File("data/Setup.ini").c_str(), F_OK) == 0 ? dir.Read("data/Setup.ini") : "";
    EXPECT_EQ(ini.find("BrelkVersion"), std::string::npos) << ini;
    client.Stop();
}

TEST(BrelkSimPty, ASecondStartWithoutADisplayStillGoesQuietly)
{
    TempFolder dir;
    ClientProcess first(ClientEnv(dir), dir.File("client.err"));
    ASSERT_TRUE(first.Started());
    // The first holds the instance once its window is up.
    ASSERT_TRUE(WaitForFirstLogLine(dir)) << dir.Read("client.err");

    // Started again from a shell without a display: the running one is the
    // program, so this one ends at once with nothing to say.
    auto env = ClientEnvWithoutDisplay(dir);
    ClientProcess second(env, dir.File("second.err"));
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(5000), 0);
    EXPECT_EQ(dir.Read("second.err"), "");
    EXPECT_TRUE(first.Running());
    first.Stop();
}

TEST(BrelkSimPty, WithoutADisplayTheClientSaysSo)
{
    TempFolder dir;
    auto env = ClientEnvWithoutDisplay(dir);
    ClientProcess client(env, dir.File("client.err"));
    ASSERT_TRUE(client.Started());
    EXPECT_EQ(client.WaitForExit(5000), 1);
    EXPECT_NE(dir.Read("client.err").find("no display"), std::string::npos) << dir.Read("client.err");
}

TEST(BrelkSimPty, ABrelkOfAnotherVersionIsUpgradedAtStartAndFollowedWhenUnpluggedAndPluggedIn)
{
    TempFolder dir;
    SimProcess sim(dir, 7, nullptr, {"--version", "V6.10"});
    ASSERT_TRUE(sim.Running());
    auto env = ClientEnv(dir);
    env.push_back({"BRELK_TRACE", "1"});
    ClientProcess client(env, dir.File("client.err"));
    ASSERT_TRUE(client.Started());

    // The loader took the sample image, the Brelk restarted into it and said so.
    ASSERT_TRUE(WaitForText(dir, "data/Setup.ini", "BrelkVersion=V6.11", 40000)) << dir.Read("client.err");
    const std::vector<std::string> seen = sim.Recorded();
    EXPECT_TRUE(InOrder(seen, {"C8", "CF", "C9", "C0", "C2", "C1", "C1", "C1", "C1", "C1", "C3", "C4", "C8"}));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "C1"), 5);
    const std::string connected = "Brelk connection: CONNECTED";
    const std::string disconnected = "Brelk connection: DISCONNECTED";
    ASSERT_TRUE(WaitForCount(dir, "client.err", connected, 1, 5000)) << dir.Read("client.err");

    // Unplugged: its link goes and its terminal hangs up.
    sim.Signal(SIGUSR1);
    EXPECT_TRUE(WaitForCount(dir, "client.err", disconnected, 1, 10000)) << dir.Read("client.err");
    // Plugged in again, under a new terminal.
    sim.Signal(SIGUSR2);
    EXPECT_TRUE(WaitForCount(dir, "client.err", connected, 2, 10000)) << dir.Read("client.err");
    EXPECT_TRUE(client.Running());
    // The Brelk of the built-in version was not upgraded again.
    const std::vector<std::string> after = sim.Recorded();
    EXPECT_EQ(std::count(after.begin(), after.end(), "CF"), 1);
    client.Stop();
}

} // namespace

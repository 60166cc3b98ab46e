// The real termios path against brelk-sim on a pseudo-terminal.
#include "BrelkCommands.h"
#include "ByteText.h"
#include "SearchUsbPort.h"
#include "SerialPort.h"
#include "TempFolder.h"
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
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// brelk-sim as a child process, publishing COM n in a links folder of its own.
class SimProcess {
public:
    SimProcess(const TempFolder& dir, int com, const char* sensors = nullptr, std::vector<const char*> more = {})
        : m_record(dir.File("record.txt"))
    {
        std::string comText = std::to_string(com);
        std::string ports = dir.File("ports");
        std::vector<const char*> argv = {BRELK_SIM_PATH, "--com",    comText.c_str(), "--ports",
                                         ports.c_str(),  "--record", m_record.c_str()};
        if (sensors) {
            argv.push_back("--sensors");
            argv.push_back(sensors);
        }
        argv.insert(argv.end(), more.begin(), more.end());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, BRELK_SIM_PATH, nullptr, nullptr, const_cast<char**>(argv.data()), environ) != 0)
            m_pid = -1;
        std::string link = ports + "/com" + comText;
        for (int i = 0; i < 500 && access(link.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    bool Running() const { return m_pid > 0; }
    void Signal(int signal) const
    {
        if (m_pid > 0)
            kill(m_pid, signal);
    }
    std::vector<std::string> Recorded() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_record);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    pid_t m_pid = -1;
    std::string m_record;
};

// The client as a child process, in an environment of the test's own: its
// data, ports and lock folders, and the variables given (an empty value
// removes a variable).
class ClientProcess {
public:
    ClientProcess(const std::vector<std::pair<std::string, std::string>>& vars, const std::string& stderrFile)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (std::none_of(vars.begin(), vars.end(), [&](const auto& v) { return v.first == name; }))
                env.push_back(entry);
        }
        for (const auto& [name, value] : vars)
            if (!value.empty())
                env.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        char* argv[] = {const_cast<char*>(BRELK_EXE_PATH), nullptr};
        if (posix_spawn(&m_pid, BRELK_EXE_PATH, &actions, nullptr, argv, envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ClientProcess() { Stop(); }
    bool Started() const { return m_pid > 0; }
    // True while it runs.
    bool Running()
    {
        if (m_pid <= 0 || m_exited)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exited = true;
            m_status = status;
            return false;
        }
        return true;
    }
    // Its exit code once it ended within the time (real), else -1.
    int WaitForExit(int ms)
    {
        for (int i = 0; i < ms / 10 && Running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (Running() || !WIFEXITED(m_status))
            return -1;
        return WEXITSTATUS(m_status);
    }
    void Stop()
    {
        if (Running()) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, &m_status, 0);
            m_exited = true;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = 0;
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

// True when `wanted` appears in `seen` in this order, other lines between.
bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted)
{
    size_t next = 0;
    for (const std::string& line : seen)
        if (next < wanted.size() && line == wanted[next])
            ++next;
    return next == wanted.size();
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
    EXPECT_EQ(GetBrelkVersion(SerialErrorTarget()), L"V6.11");
    // The simulator keeps its end open: the port closes and opens again.
    EXPECT_TRUE(SerialClose());
    ASSERT_TRUE(SerialOpen(7));
    SendBrelkSuccessSignal(SerialErrorTarget(), 1);
    SendBrelkFailSignal(SerialErrorTarget());
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
             ReceiveBytes(sizeof buffer, buffer, SerialErrorTarget(), 10000);
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

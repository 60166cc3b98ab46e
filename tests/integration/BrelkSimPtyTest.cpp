// The real termios path against brelk-sim on a pseudo-terminal.
#include "BrelkCommands.h"
#include "ByteText.h"
#include "TsF7V4Program.h"
#include "SearchUsbPort.h"
#include "SerialPort.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <unistd.h>

extern char** environ;

namespace {

// brelk-sim as a child process, publishing COM n in a links folder of its own.
class SimProcess {
public:
    SimProcess(const TempFolder& dir, int com, const char* sensors = nullptr) : m_record(dir.File("record.txt"))
    {
        std::string comText = std::to_string(com);
        std::string ports = dir.File("ports");
        std::vector<const char*> argv = {BRELK_SIM_PATH, "--com", comText.c_str(), "--ports", ports.c_str(),
                                         "--record", m_record.c_str()};
        if (sensors) {
            argv.push_back("--sensors");
            argv.push_back(sensors);
        }
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

std::string RunAndCapture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (size_t n = fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        pclose(p);
    }
    return out;
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

TEST(BrelkSimPty, ClientPrintsPortAndVersion)
{
    TempFolder dir;
    SimProcess sim(dir, 7);
    ASSERT_TRUE(sim.Running());
    std::string out = RunAndCapture("BRELK_DATA_DIR=" + dir.Path() + " BRELK_PORTS_DIR=" + dir.File("ports") +
                                    " " + BRELK_EXE_PATH);
    EXPECT_NE(out.find("V6.11"), std::string::npos) << out;
    EXPECT_NE(out.find("COM"), std::string::npos) << out;
}

TEST(BrelkSimPty, ClientSaysWhenThereIsNoBrelk)
{
    TempFolder dir;
    std::string out = RunAndCapture("BRELK_DATA_DIR=" + dir.Path() + " BRELK_PORTS_DIR=" + dir.File("ports") +
                                    " " + BRELK_EXE_PATH);
    // On a machine with a real USB serial device the client finds that instead.
    if (out.find("COM") == std::string::npos) {
        EXPECT_NE(out.find("No Brelk found."), std::string::npos) << out;
    }
}

} // namespace

#include "BrelkCommands.h"
#include "BrelkSimulator.h"
#include "DeviceMap.h"
#include "FakeSerialPort.h"
#include "SerialPort.h"
#include "StepClock.h"
#include "TsNetlayer.h"
#include "VirtualClock.h"
#include "WireFormat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

namespace {

class BrelkCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceMap::SetSource([] {
            return std::optional<std::vector<DeviceMapEntry>>(
                std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
        });
        port.Install(3);
        sim.Attach(port);
        g_hSerialOwner = [this](const char* text) { messages.push_back(text); };
    }
    void TearDown() override
    {
        SerialClose();
        g_hSerialOwner = nullptr;
        g_bDeviceRemoved = 0;
        g_bAbort.Clear();
        DeviceMap::SetSource({});
    }
    // A peer that answers the version query with the given pieces, each after its delay.
    void AnswerVersionWith(std::vector<std::pair<std::string, uint32_t>> pieces)
    {
        port.SetPeer([pieces](FakeSerialPort& p, const uint8_t* data, size_t n) {
            if (n >= 3 && data[2] == 0xC8)
                for (const auto& [bytes, delay] : pieces)
                    p.Deliver(std::vector<uint8_t>(bytes.begin(), bytes.end()), delay);
        });
    }

    VirtualClock clock;
    FakeSerialPort port;
    BrelkSimulator sim;
    std::vector<std::string> messages;
};

TEST_F(BrelkCommandsTest, VersionQueryReadsTheVersion)
{
    EXPECT_EQ(GetBrelkVersion(), L"V6.11");
    std::vector<uint8_t> query(BRELK_VERSION_QUERY, BRELK_VERSION_QUERY + 7);
    EXPECT_EQ(port.Written(), query);
    EXPECT_TRUE(messages.empty());
}

TEST_F(BrelkCommandsTest, VersionReplies)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, uint32_t>> pieces;
        std::wstring version;
    } cases[] = {
        {"split, terminated", {{"V6", 0}, {std::string(".11\0", 4), 5}}, L"V6.11"},
        {"split, no terminator", {{"V6", 0}, {".11", 15}}, L"V6.11"},
        {"another version", {{std::string("V6.10\0", 6), 0}}, L"V6.10"},
        {"not starting with V", {{"\xB4\x96\x01V6.11", 0}}, L""},
        {"second piece after the quiet gap", {{"V6", 0}, {".11", 40}}, L"V6"},
        {"no answer", {}, L""},
        {"longer than the buffer", {{"V" + std::string(400, '1'), 0}}, L"V" + std::wstring(254, L'1')},
    };
    for (const Case& c : cases) {
        AnswerVersionWith(c.pieces);
        EXPECT_EQ(GetBrelkVersion(), c.version) << c.what;
        SerialClose();
    }
}

TEST_F(BrelkCommandsTest, ShortWritesAreCompleted)
{
    port.SetWriteLimit(2);
    EXPECT_EQ(GetBrelkVersion(), L"V6.11");
    EXPECT_EQ(port.Written().size(), 7u);
    EXPECT_EQ(sim.Commands(), (std::vector<uint8_t>{0xC8}));
}

TEST_F(BrelkCommandsTest, UnopenablePortGivesMinusOneWithoutMessage)
{
    port.FailOpen(ENOENT);
    const uint8_t cmd[3] = {0xAA, 0x55, 0xF5};
    EXPECT_EQ(SendCommand(3, cmd), -1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(GetBrelkVersion(), L"");
}

TEST_F(BrelkCommandsTest, SendTimesOutWhenNothingCanBeWritten)
{
    ASSERT_TRUE(SerialOpen(3));
    port.Unplug(true);
    const uint8_t cmd[3] = {0xAA, 0x55, 0xF5};
    uint32_t start = clock.GetTickCount();
    EXPECT_EQ(SendCommand(3, cmd), -1);
    EXPECT_GE(clock.GetTickCount() - start, 2000u);
    EXPECT_EQ(messages, (std::vector<std::string>{"Send over time."}));
}

TEST_F(BrelkCommandsTest, ReceiveTimesOut)
{
    ASSERT_TRUE(SerialOpen(3));
    uint8_t buf[5];
    uint32_t start = clock.GetTickCount();
    EXPECT_EQ(ReceiveBytes(5, buf, 100), -1);
    EXPECT_GT(clock.GetTickCount() - start, 100u);
    EXPECT_EQ(messages, (std::vector<std::string>{"Receive over time."}));
}

TEST_F(BrelkCommandsTest, SignalSequences)
{
    uint32_t start = clock.GetTickCount();
    SendBrelkSuccessSignal(1);
    EXPECT_EQ(sim.Signals(), (std::vector<uint8_t>{0xF5, 0xF9, 0xF6, 0xFA, 0xF9}));
    EXPECT_GE(clock.GetTickCount() - start, 80u);
    sim.ClearSignals();

    SendBrelkSuccessSignal(2);
    EXPECT_EQ(sim.Signals().size(), 9u);
    sim.ClearSignals();

    start = clock.GetTickCount();
    SendBrelkFailSignal();
    EXPECT_EQ(sim.Signals(), (std::vector<uint8_t>{0xF5, 0xF7, 0xF6, 0xF9}));
    EXPECT_GE(clock.GetTickCount() - start, 1530u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(BrelkCommandsTest, AStopWhileACommandWaitsEndsTheWaitAtOnce)
{
    StepClock steps; // replaces the fixture's clock for this test
    ASSERT_TRUE(SerialOpen(3));
    uint8_t buf[5];
    uint32_t start = steps.GetTickCount();
    steps.At(start + 40, [] { g_bAbort.Set(); });
    EXPECT_EQ(ReceiveBytes(5, buf, 10000), 0);
    EXPECT_EQ(steps.GetTickCount() - start, 40u);
    EXPECT_TRUE(messages.empty()); // no "Receive over time."

    // The failure signal stopped in its long wait: its commands still go out,
    // so the Brelk ends it, but without the waits.
    g_bAbort.Clear();
    start = steps.GetTickCount();
    steps.At(start + 20, [] { g_bAbort.Set(); });
    SendBrelkFailSignal();
    EXPECT_EQ(sim.Signals(), (std::vector<uint8_t>{0xF5, 0xF7, 0xF6, 0xF9}));
    EXPECT_EQ(steps.GetTickCount() - start, 20u);

    // A version read that a Stop cuts short names no version.
    g_bAbort.Clear();
    AnswerVersionWith({{"V6", 0}, {std::string(".11\0", 4), 15}});
    start = steps.GetTickCount();
    steps.At(start + 10, [] { g_bAbort.Set(); });
    EXPECT_EQ(GetBrelkVersion(), L"");
    EXPECT_EQ(steps.GetTickCount() - start, 10u);
}

TEST_F(BrelkCommandsTest, AStopLeftFromAnEarlierOperationCutsNothingShort)
{
    // The flag stays set after a Stop until the next operation starts: the
    // stopped operation's failure signal and a later version read run whole.
    g_bAbort.Set();
    const uint32_t start = clock.GetTickCount();
    SendBrelkFailSignal();
    EXPECT_EQ(sim.Signals(), (std::vector<uint8_t>{0xF5, 0xF7, 0xF6, 0xF9}));
    EXPECT_GE(clock.GetTickCount() - start, 1530u);
    AnswerVersionWith({{"V6", 0}, {std::string(".11\0", 4), 5}});
    EXPECT_EQ(GetBrelkVersion(), L"V6.11");
}

TEST_F(BrelkCommandsTest, ALateAnswerIsDroppedBeforeTheNextCommand)
{
    // The version arrives after its 200 ms: the next query drops it and takes its own.
    auto queries = std::make_shared<int>(0);
    port.SetPeer([queries](FakeSerialPort& p, const uint8_t* data, size_t length) {
        if (length >= 3 && data[2] == 0xC8) {
            const bool first = ++*queries == 1;
            const std::string version = first ? std::string("V6.10\0", 6) : std::string("V6.11\0", 6);
            p.Deliver(std::vector<uint8_t>(version.begin(), version.end()), first ? 300 : 0);
        }
    });
    EXPECT_EQ(GetBrelkVersion(), L"");
    clock.Advance(200);
    EXPECT_EQ(port.QueuedForClient(), 6u);
    EXPECT_EQ(GetBrelkVersion(), L"V6.11");
}

TEST_F(BrelkCommandsTest, RemovedBrelkEndsSignalsAtOnce)
{
    ASSERT_TRUE(SerialOpen(3));
    g_bDeviceRemoved = 1;
    uint32_t start = clock.GetTickCount();
    SendBrelkSuccessSignal(10);
    SendBrelkFailSignal();
    EXPECT_LT(clock.GetTickCount() - start, 5u);
    EXPECT_TRUE(sim.Signals().empty());
    const uint8_t cmd[3] = {0xAA, 0x55, 0xF5};
    EXPECT_EQ(SendCommand(3, cmd), 0);
    uint8_t buf[5];
    EXPECT_EQ(ReceiveBytes(5, buf, 100), 0);
}

} // namespace

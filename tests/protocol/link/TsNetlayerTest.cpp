#include "TsNetlayer.h"
#include "ByteText.h"
#include "Clock.h"
#include "HeldClock.h"
#include "SerialPort.h"
#include "SimBrelk.h"
#include "StepClock.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "TsEnDecode.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

namespace {

// Sends back the same telegrams (as chips, unchanged) to every command.
class FixedSensor : public SimSensor {
public:
    explicit FixedSensor(std::vector<std::vector<uint8_t>> chips) : m_chips(std::move(chips)) {}
    void OnRequest(const SimRequest&, std::vector<SimRfFrame>& answers) override
    {
        for (const auto& c : m_chips) {
            SimRfFrame f;
            f.telegram = c;
            f.chips = true;
            f.status = 0x01;
            answers.push_back(f);
        }
    }

private:
    std::vector<std::vector<uint8_t>> m_chips;
};

// Answers the n-th command (from 1) with the one chip byte n.
class CountingSensor : public SimSensor {
public:
    void OnRequest(const SimRequest&, std::vector<SimRfFrame>& answers) override
    {
        SimRfFrame f;
        f.telegram = {static_cast<uint8_t>(++m_count)};
        f.chips = true;
        answers.push_back(f);
    }

private:
    int m_count = 0;
};

CBinary Body(const CBinary& frame)
{
    if (frame.GetSize() < 10)
        return CBinary();
    const int n = frame.GetAt(3) | (frame.GetAt(4) << 8);
    return CBinary(frame.GetBuffer() + 5, n);
}

CBinary Tail(const CBinary& bytes, int n) { return CBinary(bytes.GetBuffer() + bytes.GetSize() - n, n); }

class TsNetlayerTest : public ::testing::Test {
protected:
    void TearDown() override { g_bAbort.Clear(); }
    ScopedDataFolder data;
    TraceCapture trace;
    StepClock clock;
    SimBrelk brelk;
};

TEST_F(TsNetlayerTest, CommandFrameOfTheDefaultSettings)
{
    CTsNetlayer link;
    EXPECT_EQ(link.m_nRecvFrames, 1);
    EXPECT_EQ(ToHex(link.BuildToolData(CBinary())),
              "AA 55 F1 1A 00 "
              "01 00 00 00 00 00 00 00 00 00 00 00 " // LF: VolMode 1
              "00 00 "                               // no data
              "40 02 34 00 00 20 00 00 00 00 "       // RF
              "00 00 "                               // no sync header
              "97 00 00 00 FF");
}

TEST_F(TsNetlayerTest, SyncPartOfTheBody)
{
    struct Case {
        const char* sh;
        int bits;
        uint32_t codeType;
        const char* tail;
        const char* why;
    } cases[] = {
        {"12 34", 16, 0, "10 02 12 34 12 34", "repeated for code type 0"},
        {"12 34", 16, 2, "10 02 12 34 ED CB", "complemented for code type 2"},
        {"12 34", 16, 3, "10 02 12 34 ED CB", "complemented for code type 3"},
        {"12 34", 16, 4, "10 02 12 34 12 34", "repeated for code type 4"},
        {"55 56", 14, 0, "0E 02 55 56 55 56", "the bit count is the header's size in bits"},
        {"A1 B2 C3 D4", 32, 1, "20 04 A1 B2 C3 D4 A1 B2 C3 D4", "four bytes go whole"},
        {"11 22 33 44 55 66", 48, 0, "20 06 33 44 55 66 33 44 55 66", "long header: last four bytes, 32 bits"},
        {"11 22 33 44 55 66", 44, 2, "20 06 33 44 55 66 CC BB AA 99", "long header complemented"},
    };
    for (const Case& c : cases) {
        CTsNetlayer link;
        link.m_RfConfig.CodeType = c.codeType;
        link.SetShData(c.bits, Hex(c.sh));
        const CBinary body = Body(link.BuildToolData(CBinary()));
        const int shown = std::min(Hex(c.sh).GetSize(), SYNC_HEADER_MAX_SENT);
        EXPECT_EQ(body.GetSize(), 12 + 2 + 10 + 2 + 2 * shown) << c.why;
        EXPECT_EQ(ToHex(Tail(body, 2 + 2 * shown)), c.tail) << c.why;
    }
}

TEST_F(TsNetlayerTest, SetShDataTakesTheBitCountOrEightPerByte)
{
    CTsNetlayer link;
    link.SetShData(-1, Hex("5A 12 34"));
    EXPECT_EQ(link.m_RfConfig.SHSize, 24);
    EXPECT_EQ(ToHex(link.m_RfConfig.GetShData()), "5A 12 34");
    link.SetShData(12, Hex("55 56"));
    EXPECT_EQ(link.m_RfConfig.SHSize, 12);
}

TEST_F(TsNetlayerTest, LfDataBehindAPreambleFromLfModeEight)
{
    struct Case {
        uint8_t lfMode;
        uint8_t codeType;
        const char* data;
        const char* field;
        const char* why;
    } cases[] = {
        {7, 1, "01 02", "01 02", "below 8 the data goes as it is"},
        {9, 1, "01", "AA AA AA AA AA AA AA AB 8B 32 AA A9", "LfMode 9: 8 bytes of preamble, coded 01"},
        {8, 0, "A5", "AA AA AA AA AA AA AB 8B 32 99 66", "LfMode 8: 7 bytes, code type 0"},
        {20, 0, "", "AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AB 8B 32", "LfMode 20: 19 bytes"},
    };
    for (const Case& c : cases) {
        CTsNetlayer link;
        link.m_LfConfig.LfMode = c.lfMode;
        link.m_LfConfig.LfCodeType = c.codeType;
        const CBinary body = Body(link.BuildToolData(Hex(c.data)));
        const CBinary field = Hex(c.field);
        ASSERT_GE(body.GetSize(), 14 + field.GetSize()) << c.why;
        EXPECT_EQ(body.GetAt(12) | (body.GetAt(13) << 8), field.GetSize()) << c.why;
        EXPECT_EQ(ToHex(CBinary(body.GetBuffer() + 14, field.GetSize())), c.field) << c.why;
    }
    CTsNetlayer longest;
    longest.m_LfConfig.LfMode = 255;
    const CBinary body = Body(longest.BuildToolData(CBinary()));
    EXPECT_EQ(body.GetAt(12) | (body.GetAt(13) << 8), 249 + 2);
}

TEST_F(TsNetlayerTest, BodySumIsThirtyTwoBitsLittleEndian)
{
    CTsNetlayer link;
    CBinary bytes;
    for (int i = 0; i < 1000; ++i)
        bytes.Add(0xFF);
    const CBinary frame = link.BuildToolData(bytes);
    // 0x97 for the settings, 1000 x FF and the data length E8 03.
    EXPECT_EQ(ToHex(Tail(frame, 5)), "9A E5 03 00 FF");

    link.m_LfConfig.VolMode = 0xFF;
    link.m_LfConfig.BridgeMode = 0xFF;
    link.m_LfConfig.LfMode = 0xFF;
    link.m_LfConfig.Times = 0xFF;
    link.m_LfConfig.LfSpaceTm = 0xFFFF;
    link.m_LfConfig.DurationTm = 0xFFFFFFFF;
    link.m_LfConfig.BitWidth = 0xFFFF;
    const CBinary ff = Body(BuildToolCommand(CBinary(), link));
    EXPECT_EQ(ToHex(CBinary(ff.GetBuffer(), 12)), "FF FF FF FF FF FF FF FF FF FF FF FF");
    // Twelve FF bytes sum to 0BF4; the RF settings add 0x96.
    EXPECT_EQ(ToHex(Tail(BuildToolCommand(CBinary(), link), 5)), "8A 0C 00 00 FF");
}

TEST_F(TsNetlayerTest, ACommandTooLongForABufferIsNotBuilt)
{
    CTsNetlayer link;
    CBinary bytes;
    bytes.Reserve(32740);
    for (int i = 0; i < 32740; ++i)
        bytes.Add(0x11);
    EXPECT_TRUE(BuildToolCommand(bytes, link).IsEmpty());
    EXPECT_TRUE(trace.Contains({"BuildToolCommand Error"}));
    EXPECT_FALSE(link.Send(bytes));
}

TEST_F(TsNetlayerTest, ReplySplitting)
{
    struct Case {
        const char* bytes;
        std::vector<const char*> frames;
        uint8_t status;
        const char* why;
    } cases[] = {
        {"B4 96 F1 03 00 00 01 5A 00 00 00 00 FF", {"5A"}, 0x00, "one frame"},
        {"B4 96 F1 03 00 00 01 5A 00 00 00 00", {}, 0x00, "a byte short"},
        {"B4 96 F1 03 00 00 01", {}, 0x00, "fewer than 8 bytes"},
        {"00 11 B4 96 F1 04 00 01 02 5A 5B 00 00 00 00 FF 22 B4 96 F1 03 00 02 01 77 00 00 00 00 FF",
         {"5A 5B", "77"},
         0x02,
         "junk around two frames; status of the last"},
        {"B4 96 F1 00 00 00 00 00 00 FF B4 96 F1 03 00 00 01 5A 00 00 00 00 FF",
         {"5A"},
         0x00,
         "a frame with N 0 is skipped"},
        {"B4 96 F1 03 00 07 09 5A 01 02 03 04 FF",
         {"5A 01 02 03"},
         0x07,
         "an RF count past the body takes what the body holds"},
        {"B4 96 F1 02 00 00 00 00 00 00 00 FF", {""}, 0x00, "no RF bytes: an empty frame"},
        // (250 + 10) mod 256 is 4: a wrapped length would pass on these bytes.
        {"B4 96 F1 FA 00 00 01 5A 00 00 00 00 FF", {}, 0x00, "a long N on a short buffer"},
        {"B4 96 F1 FA 00 05 06 B4 96 F1 03 00 00 01 5A 00 00 00 00 FF",
         {"5A"},
         0x00,
         "an unfinished long frame is passed over, the whole one behind its start taken"},
    };
    for (const Case& c : cases) {
        CTsReceive recv;
        recv.Parse(Hex(c.bytes));
        ASSERT_EQ(recv.size(), c.frames.size()) << c.why;
        for (size_t i = 0; i < recv.size(); ++i)
            EXPECT_EQ(ToHex(recv[i]), c.frames[i]) << c.why;
        EXPECT_EQ(recv.m_status, c.status) << c.why;
    }
}

TEST_F(TsNetlayerTest, LongReplyFrameIsSplitWhenComplete)
{
    // N = 250: status, 248 RF bytes; 260 bytes in all.
    std::vector<uint8_t> chips(248);
    for (size_t i = 0; i < chips.size(); ++i)
        chips[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> frame = SimFrameHandler::ReplyFrame(0x01, chips);
    ASSERT_EQ(frame.size(), 260u);
    CTsReceive recv;
    recv.Parse(CBinary(frame.data(), 260));
    ASSERT_EQ(recv.size(), 1u);
    EXPECT_EQ(recv[0].GetSize(), 248);
    EXPECT_EQ(recv[0].GetAt(247), 247);
    EXPECT_EQ(CTsReceive::CountFrames(frame.data(), 260), 1);
    EXPECT_EQ(CTsReceive::CountFrames(frame.data(), 259), 0);
}

TEST_F(TsNetlayerTest, CountingSeesFramesInsideFrames)
{
    // An RF byte run that looks like a whole frame counts as well, as the
    // Brelk's reader counts it; splitting skips past the outer frame.
    const CBinary inner = Hex("B4 96 F1 01 00 00 00 00 00 00 00");
    std::vector<uint8_t> chips(inner.GetBuffer(), inner.GetBuffer() + inner.GetSize());
    std::vector<uint8_t> outer = SimFrameHandler::ReplyFrame(0x00, chips);
    EXPECT_EQ(CTsReceive::CountFrames(outer.data(), static_cast<int>(outer.size())), 2);
    CTsReceive recv;
    recv.Parse(CBinary(outer.data(), static_cast<int>(outer.size())));
    EXPECT_EQ(recv.size(), 1u);
}

TEST_F(TsNetlayerTest, NoFrameExpectedReadsNothing)
{
    brelk.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x5A}}));
    CTsNetlayer link;
    link.m_nRecvFrames = 0;
    link.m_LfConfig.DurationTm = 500;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    EXPECT_EQ(clock.GetTickCount(), start);
    EXPECT_GT(brelk.port.QueuedForClient(), 0u); // the reply is there, unread
}

TEST_F(TsNetlayerTest, OneFrameExpectedEndsWithIt)
{
    brelk.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x5A, 0xA5}}));
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 500;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    ASSERT_EQ(recv.size(), 1u);
    EXPECT_EQ(ToHex(recv[0]), "5A A5");
    EXPECT_EQ(recv.m_status, 0x01);
    EXPECT_EQ(clock.GetTickCount(), start); // seen at once, no waiting
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_EQ(brelk.frames.RequestCount(), 1u);
    EXPECT_TRUE(brelk.frames.Errors().empty());
}

TEST_F(TsNetlayerTest, AReplyIsSeenAsItArrives)
{
    SimBrelk late(3, 300);
    late.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x5A}}));
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 1000;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    ASSERT_EQ(recv.size(), 1u);
    // The wait ends with the reply's arrival, not at the next round of a poll.
    EXPECT_EQ(clock.GetTickCount() - start, 300u);
}

TEST_F(TsNetlayerTest, TwoExpectedOneArrivesEndsAfterTheTimeOut)
{
    brelk.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x5A}}));
    CTsNetlayer link;
    link.m_nRecvFrames = 2;
    link.m_LfConfig.DurationTm = 500;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_EQ(recv.size(), 1u);
    EXPECT_EQ(clock.GetTickCount() - start, 501u); // more than the time-out, in one wait
    EXPECT_TRUE(trace.Contains({"[RECORD]", "-------------TimeOut:500------------"}));
}

TEST_F(TsNetlayerTest, BitThirtyOneWaitsTheWholeTimeOutForEveryFrame)
{
    brelk.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x01}, {0x02}, {0x03}}));
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = RECV_WAIT_WHOLE_TIMEOUT | 300;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    ASSERT_EQ(recv.size(), 3u);
    EXPECT_EQ(ToHex(recv[2]), "03");
    EXPECT_GT(clock.GetTickCount() - start, 300u);
}

TEST_F(TsNetlayerTest, TimeOutAcrossTheTickCounterWrap)
{
    clock.Set(0xFFFFFF00u);
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 500;
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    const uint32_t elapsed = clock.GetTickCount() - 0xFFFFFF00u;
    EXPECT_EQ(elapsed, 501u);
}

TEST_F(TsNetlayerTest, AStopDuringTheReceiveEndsItAtOnce)
{
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = 10000;
    const uint32_t start = clock.GetTickCount();
    clock.At(start + 40, [] { g_bAbort.Set(); });
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    EXPECT_EQ(clock.GetTickCount() - start, 40u);
    EXPECT_TRUE(g_bAbort.IsSet());
    // While it is set, nothing goes out.
    brelk.port.ClearWritten();
    EXPECT_FALSE(link.Send(Hex("01")));
    EXPECT_TRUE(brelk.port.Written().empty());
}

TEST(TsNetlayerStop, AStopFromAnotherThreadEndsAVirtualWaitAtOnce)
{
    ScopedDataFolder data;
    HeldClock clock; // the receive's time stands still until something wakes it
    SimBrelk brelk;
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 10000;
    ASSERT_TRUE(SerialOpen(g_nBrelkPort));
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        link.SendRecv(recv, Hex("01"));
        done = true;
    });
    while (clock.Waiting() == 0 && !done)
        std::this_thread::yield();
    const auto stopped = std::chrono::steady_clock::now();
    g_bAbort.Set();
    worker.join();
    const auto ended = std::chrono::steady_clock::now() - stopped;
    EXPECT_TRUE(recv.empty());
    EXPECT_EQ(clock.GetTickCount() - start, 0u); // none of the 10 s passed
    EXPECT_LT(ended, std::chrono::milliseconds(HeldClock::kRealLimitMs / 2));
    g_bAbort.Clear();
}

TEST_F(TsNetlayerTest, ALateReplyIsDroppedAndTheNextExchangeTakesItsOwn)
{
    brelk.frames.AddSensor(std::make_shared<CountingSensor>());
    // The first answer comes 300 ms after its 200 ms time-out.
    brelk.sim.SetAnswerDelay([](size_t answer, const uint8_t*, size_t) { return answer == 0 ? 500u : 0u; });
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 200;
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    clock.Sleep(400); // the late answer is in the port now
    ASSERT_GT(brelk.port.QueuedForClient(), 0u);
    link.SendRecv(recv, Hex("02"));
    ASSERT_EQ(recv.size(), 1u);
    EXPECT_EQ(ToHex(recv[0]), "02"); // its own, not the late 01
    EXPECT_EQ(brelk.port.QueuedForClient(), 0u);
}

TEST_F(TsNetlayerTest, AStopBeforeTheExchangeSendsNothingAndReturnsAtOnce)
{
    brelk.frames.AddSensor(std::make_shared<FixedSensor>(std::vector<std::vector<uint8_t>>{{0x5A}}));
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 5000;
    ASSERT_TRUE(SerialOpen(g_nBrelkPort));
    g_bAbort.Set();
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    EXPECT_EQ(clock.GetTickCount(), start);
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_TRUE(g_bAbort.IsSet());
}

TEST_F(TsNetlayerTest, ASendOnAnUnopenablePortSetsTheAbortFlag)
{
    brelk.port.FailOpen(ENOENT);
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 5000;
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(recv.empty());
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(clock.GetTickCount(), start);
    EXPECT_FALSE(g_bSerialOpen);

    // The port comes back: a receive opens it and clears the flag.
    brelk.port.FailOpen(0);
    link.m_nRecvFrames = 0;
    link.Recv(recv);
    EXPECT_TRUE(g_bSerialOpen);
    EXPECT_FALSE(g_bAbort.IsSet());
}

TEST_F(TsNetlayerTest, AStopDuringTheWriteIsKept)
{
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 5000;
    ASSERT_TRUE(SerialOpen(g_nBrelkPort));
    // The user presses Stop while the frame is being written.
    brelk.port.SetPeer([](FakeSerialPort&, const uint8_t*, size_t) { g_bAbort.Set(); });
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.SendRecv(recv, Hex("01"));
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_TRUE(recv.empty());
    EXPECT_LT(clock.GetTickCount() - start, 5000u);
}

TEST_F(TsNetlayerTest, ASuccessfulSendLeavesTheAbortFlagClear)
{
    CTsNetlayer link;
    link.m_nRecvFrames = 0;
    g_bAbort.Clear();
    ASSERT_TRUE(link.Send(Hex("01"))); // opens the port on demand
    EXPECT_TRUE(g_bSerialOpen);
    g_bAbort.Clear();
    CTsReceive recv;
    link.SendRecv(recv, Hex("02"));
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_EQ(brelk.frames.RequestCount(), 2u);
}

TEST_F(TsNetlayerTest, AnUnpluggedPortEndsTheReceive)
{
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = 5000;
    ASSERT_TRUE(SerialOpen(g_nBrelkPort));
    brelk.port.Unplug(true);
    const uint32_t start = clock.GetTickCount();
    CTsReceive recv;
    link.Recv(recv);
    EXPECT_TRUE(recv.empty());
    EXPECT_EQ(clock.GetTickCount(), start);
}

TEST_F(TsNetlayerTest, CollectingStopsAtTheBufferCap)
{
    CTsNetlayer link;
    link.m_LfConfig.DurationTm = RECV_WAIT_WHOLE_TIMEOUT | 60000;
    ASSERT_TRUE(SerialOpen(g_nBrelkPort));
    brelk.port.Deliver(std::vector<uint8_t>(40000, 0x55));
    const uint32_t start = clock.GetTickCount();
    const CBinary bytes = link.RecvFrames(link.m_LfConfig.DurationTm);
    EXPECT_EQ(bytes.GetSize(), BINARY_MAX_SIZE);
    EXPECT_LT(clock.GetTickCount() - start, 60000u);
}

TEST_F(TsNetlayerTest, ResetSendsTheResetFrameAndDropsTheAnswer)
{
    CTsNetlayer link;
    g_bAbort.Set();
    const uint32_t start = clock.GetTickCount();
    brelk.port.ClearWritten();
    EXPECT_TRUE(link.Reset());
    EXPECT_EQ(ToHex(CBinary(brelk.port.Written().data(), static_cast<int>(brelk.port.Written().size()))),
              "AA 55 F2 FF");
    EXPECT_EQ(brelk.frames.ResetCount(), 1);
    EXPECT_EQ(clock.GetTickCount() - start, 100u);
    EXPECT_FALSE(g_bAbort.IsSet());
}

TEST_F(TsNetlayerTest, ResetOnAnUnopenablePortFails)
{
    brelk.port.FailOpen(ENOENT);
    CTsNetlayer link;
    EXPECT_FALSE(link.Reset());
    EXPECT_TRUE(g_bAbort.IsSet());
}

TEST_F(TsNetlayerTest, DestroyingTheLinkClosesThePort)
{
    {
        CTsNetlayer link;
        ASSERT_TRUE(link.Send(Hex("01")));
        EXPECT_TRUE(g_bSerialOpen);
    }
    EXPECT_FALSE(g_bSerialOpen);
    EXPECT_EQ(brelk.port.OpenDevices(), 0);
}

TEST_F(TsNetlayerTest, TheSimulatorReadsTheFrameAsBuilt)
{
    brelk.frames.SetLfCodeType(0);
    CTsNetlayer link;
    CLFConfig lf;
    ASSERT_TRUE(lf.Init(Hex("14 42 03 00 0A 00 00 01 F4 00 80")));
    lf.LfCodeType = 0;
    CRFConfig rf;
    ASSERT_TRUE(rf.Init(Hex("10 4B 00 06 02 00 48 00 02 00 00 00 00 00 00 08 00 1A 06 00 10 FF 55 56")));
    link.SetRfConfig(lf, rf);
    link.m_nRecvFrames = 0;
    ASSERT_TRUE(link.Send(Hex("00 01 09 00 FF FF 30 31 09 50 51")));
    ASSERT_EQ(brelk.frames.RequestCount(), 1u);
    const SimRequest r = brelk.frames.LastRequest();
    EXPECT_TRUE(brelk.frames.Errors().empty());
    EXPECT_EQ(r.lf.lfMode, 20);
    EXPECT_EQ(r.lf.DriveByte(), 0x42);
    EXPECT_EQ(r.lf.times, 3);
    EXPECT_EQ(r.lf.lfSpaceTm, 10);
    EXPECT_EQ(r.lf.durationTm, 500u);
    EXPECT_TRUE(r.lineCoded);
    EXPECT_TRUE(r.preambleOk);
    EXPECT_EQ(ToHex(CBinary(r.lfData.data(), static_cast<int>(r.lfData.size()))), "00 01 09 00 FF FF 30 31 09 50 51");
    EXPECT_EQ(r.rf.recvMode, 0x10);
    EXPECT_EQ(r.rf.chipsPerBit, 2);
    EXPECT_EQ(r.rf.chipTimeUs, 26); // 500000 / 19200
    EXPECT_EQ(r.rf.chipCount, 144);
    EXPECT_EQ(r.rf.syncBits, 16);
    EXPECT_EQ(ToHex(CBinary(r.rf.syncHeader.data(), 2)), "55 56");
    EXPECT_TRUE(r.rf.syncComplemented);
    EXPECT_EQ(r.rf.codeType, 2);
}

} // namespace

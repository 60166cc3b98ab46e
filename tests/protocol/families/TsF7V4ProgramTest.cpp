#include "TsF7V4Program.h"
#include "ByteText.h"
#include "SimBrelk.h"
#include "SimV4Sensor.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

namespace {

class TsF7V4ProgramTest : public ::testing::Test {
protected:
    void TearDown() override { g_bAbort.Clear(); }

    std::shared_ptr<SimV4Sensor> AddSensor(uint16_t id)
    {
        auto sensor = std::make_shared<SimV4Sensor>(id);
        brelk.frames.AddSensor(sensor);
        return sensor;
    }
    // Drive bytes and DurationTm of every command frame the Brelk took.
    std::vector<uint8_t> Drives() const
    {
        std::vector<uint8_t> out;
        for (const SimRequest& r : brelk.frames.Requests())
            out.push_back(r.lf.DriveByte());
        return out;
    }

    ScopedDataFolder data;
    TraceCapture trace;
    VirtualClock clock;
    SimBrelk brelk;
};

TEST_F(TsF7V4ProgramTest, RequestFrames)
{
    struct Case {
        const char* data;
        uint32_t id;
        uint8_t seq;
        uint8_t mode;
        const char* frame;
        const char* why;
    } cases[] = {
        {"01", 0xFFFF, 0, 9, "00 01 09 00 FF FF 30 31 09 50 51", "search, sequence 0: XOR check"},
        {"01", 0xFFFF, 1, 9, "00 01 09 09 FF FF 30 31 09 50 CA", "flags 09: sum check"},
        {"01", 0xFFFF, 2, 9, "00 01 09 12 FF FF 30 31 09 50 6C", "flags 12: CRC-8"},
        {"01", 0xFFFF, 3, 9, "00 01 09 03 FF FF 30 31 09 50 52", "flags 03: XOR again"},
        {"01", 0xFFFF, 4, 9, "00 01 09 0C FF FF 30 31 09 50 CD", "flags 0C: sum"},
        {"01", 0xFFFF, 5, 9, "00 01 09 15 FF FF 30 31 09 50 9E", "flags 15: CRC-8"},
        {"23 10 D6 10", 0x1234, 4, 0x08, "00 01 0C 0C 12 34 30 31 08 23 10 D6 10 E0", "mode 8: not scrambled"},
        {"23 10 D6 10", 0x1234, 4, 0x09, "00 01 0C 0C 12 34 30 31 09 77 44 82 44 49", "mode 1: XOR with n | 50"},
        {"23 10 D6 10", 0x1234, 4, 0x0A, "00 01 0C 0C 12 34 30 31 0A 77 48 8E 48 5E", "mode 2: and the flags"},
        {"23 10 D6 10", 0x1234, 4, 0x0B, "00 01 0C 0C 12 34 30 31 0B 77 79 FB BF 74", "mode 3: chained"},
        {"23 10 D6 10", 0x1234, 2, 0x0B, "00 01 0C 12 12 34 30 31 0B 77 07 85 C1 80", "mode 3 under CRC-8"},
        {"23 10 D6 10", 0x1234, 4, 0x0C, "00 01 0C 0C 12 34 30 31 0C 77 44 82 44 4C", "mode 4: first step only"},
        {"", 0x1234, 0, 9, "00 01 08 00 12 34 30 31 09 26", "no data"},
    };
    CTsF7V4Program program(0, 0);
    for (const Case& c : cases) {
        program.m_nSendSeq = c.seq;
        program.m_nMode = c.mode;
        EXPECT_EQ(ToHex(program.BuildSendData(Hex(c.data), c.id)), c.frame) << c.why;
    }
}

TEST_F(TsF7V4ProgramTest, SequenceFlagsRotateTheCheckKind)
{
    const uint8_t flags[] = {0x00, 0x09, 0x12, 0x03, 0x0C, 0x15, 0x06, 0x0F};
    for (uint8_t s = 0; s < 8; ++s)
        EXPECT_EQ(CTsF7V4Program::SequenceFlags(s), flags[s]) << int(s);
    EXPECT_EQ(CTsF7V4Program::CheckByte(0x18, Hex("01 02").GetBuffer(), 2), 0); // no such kind
}

TEST_F(TsF7V4ProgramTest, BlocksOf128BytesAndMoreGoUnscrambled)
{
    CTsF7V4Program program(0, 0);
    for (int n : {127, 128}) {
        CBinary block;
        for (int i = 0; i < n; ++i)
            block.Add(static_cast<uint8_t>(i));
        const CBinary frame = program.BuildSendData(block, 0x1234);
        ASSERT_EQ(frame.GetSize(), n + 10);
        EXPECT_EQ(frame.GetAt(2), n + 8);
        const bool same = CBinary::Compare(CBinary(frame.GetBuffer() + 9, n), block) == 0;
        EXPECT_EQ(same, n == 128) << n;
        if (n == 127) {
            EXPECT_EQ(frame.GetAt(9), 0x00 ^ (127 | 0x50));
        }
    }
    CBinary tooLong;
    for (int i = 0; i < 248; ++i)
        tooLong.Add(0);
    EXPECT_TRUE(program.BuildSendData(tooLong, 0x1234).IsEmpty());
}

TEST_F(TsF7V4ProgramTest, ReplyParsing)
{
    struct Case {
        const char* reply;
        uint32_t id;
        uint8_t command;
        const char* payload;
        const char* log;
        const char* why;
    } cases[] = {
        {"0D 09 12 34 30 31 09 20 71 00 04 11 6C", 0x1234, 0x20, "71 00 04 11", nullptr, "sum check"},
        {"0B 12 12 34 30 31 0E 22 01 02 A4", 0x1234, 0x22, "01 02", nullptr,
         "CRC-8; mode differs in the low 3 bits only"},
        {"08 03 12 34 30 31 09 25", 0x1234, 0x00, "", nullptr, "L = 8: no command, no payload"},
        {"0D 09 12 34 30 31 09 20 71 00 04 11 6C EE EE", 0x1234, 0x20, "71 00 04 11", nullptr,
         "bytes behind the frame are not looked at"},
        {"0B 00 12 34 30 31 09 77 23 02 73", 0x1234, 0x77, "23 02",
         "ParseRecvData Error. Sensor(4660) Nagative Ans. Nagative Commandis:35.The Reason is:2",
         "negative answer: logged and returned"},
        {"0D 09 12 34 30 31 09 20 71 00", 0, 0, "", "ParseRecvData Error. Len(13) Error", "L past the bytes"},
        {"0D 09 12 34 30 31 09", 0, 0, "", "ParseRecvData Error. Len(13) Error", "fewer than 8 bytes"},
        {"", 0, 0, "", "ParseRecvData Error. Len(0) Error", "nothing"},
        {"01 09 12 34 30 31 09 20 71 00", 0, 0, "", "ParseRecvData Error. Len(1) Error",
         "L below 8 would read before the buffer"},
        {"07 09 12 34 30 31 09 20 71 00", 0, 0, "", "ParseRecvData Error. Len(7) Error", "L of 7"},
        {"0D 09 12 34 30 31 09 20 71 00 04 11 6D", 0, 0, "",
         "ParseRecvData Error. Check Error. CheckByte(6C). Recv(6D)", "bad check byte"},
        {"0D 09 12 34 30 32 09 20 71 00 04 11 6D", 0, 0, "", "ParseRecvData Error. Tool Id Error.Cur(3031). Dst(34)",
         "another tool"},
        {"0D 09 12 34 30 31 11 20 71 00 04 11 74", 0, 0, "", "ParseRecvData Error. Tool Id Error", "another mode"},
    };
    CTsF7V4Program program(0, 0);
    for (const Case& c : cases) {
        trace.Clear();
        CTsFrame frame(1, 1, Hex("99"));
        program.ParseRecvData(frame, Hex(c.reply), 0x1234);
        EXPECT_EQ(frame.m_nSensorId, c.id) << c.why;
        EXPECT_EQ(frame.m_nCommand, c.command) << c.why;
        EXPECT_EQ(ToHex(frame.m_Payload), c.payload) << c.why;
        if (c.log)
            EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.why;
        else
            EXPECT_FALSE(trace.Contains({"[ERROR]"})) << c.why;
    }
}

TEST_F(TsF7V4ProgramTest, TheSimulatedSensorReadsWhatIsBuiltInEveryMode)
{
    CTsF7V4Program program(0, 0);
    for (uint8_t mode : {0x08, 0x09, 0x0A, 0x0B, 0x0F})
        for (uint8_t seq = 0; seq < 3; ++seq)
            for (const char* request : {"01", "23 10 D6 10", "12 05 40 C0 00 01 02 03 04 05 06 07 08 09"}) {
                program.m_nMode = mode;
                program.m_nSendSeq = seq;
                const CBinary frame = program.BuildSendData(Hex(request), 0x4321);
                SimV4Sensor::Request r;
                ASSERT_TRUE(SimV4Sensor::ReadRequest(ToVector(frame), r)) << int(mode) << " " << request;
                EXPECT_EQ(ToHex(CBinary(r.data.data(), static_cast<int>(r.data.size()))), request);
                EXPECT_EQ(r.sensorId, 0x4321);
                EXPECT_EQ(r.mode, mode);
            }
}

TEST_F(TsF7V4ProgramTest, OneSensorAnswersARead)
{
    auto sensor = AddSensor(0x1234);
    sensor->SetHardVersion(0x7203);
    CTsF7V4Program program(0, 0);
    CTsFrame reply;
    ASSERT_TRUE(program.SendRecvSensor(0x1234, Hex("20"), 100, &reply));
    EXPECT_EQ(reply.m_nSensorId, 0x1234u);
    EXPECT_EQ(reply.m_nCommand, 0x20);
    EXPECT_EQ(ToHex(CBinary(reply.m_Payload.GetBuffer(), 4)), "72 03 04 11");
    ASSERT_EQ(brelk.frames.RequestCount(), 1u);
    const SimRequest r = brelk.frames.LastRequest();
    EXPECT_EQ(r.lf.durationTm, 230u); // wait + 130, frames counted
    EXPECT_EQ(r.lf.times, 1);
    EXPECT_EQ(r.lf.lfSpaceTm, 0);
    EXPECT_EQ(r.lf.DriveByte(), 0x02);
    EXPECT_TRUE(r.preambleOk);
    EXPECT_TRUE(brelk.frames.Errors().empty());
    EXPECT_EQ(program.m_nSendSeq, 1);
}

TEST_F(TsF7V4ProgramTest, OneSensorAfterDroppedRepliesWithTheDriveAlternating)
{
    auto sensor = AddSensor(0x1234);
    sensor->DropReplies(5);
    CTsF7V4Program program(0, 0);
    const uint32_t start = clock.GetTickCount();
    CTsFrame reply;
    ASSERT_TRUE(program.SendRecvSensor(0x1234, Hex("22"), 0, &reply));
    EXPECT_EQ(reply.m_nCommand, 0x22);
    EXPECT_EQ(Drives(), (std::vector<uint8_t>{0x02, 0x02, 0x40, 0x40, 0x02, 0x02}));
    EXPECT_EQ(brelk.frames.LastRequest().lf.durationTm, 500u); // wait 0
    // Five attempts waited out their time-out.
    EXPECT_GE(clock.GetTickCount() - start, 5u * 500u);
}

TEST_F(TsF7V4ProgramTest, OneOfThreeSensorsIsAskedAlone)
{
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    auto c = AddSensor(0x3333);
    b->DropEvery(2);
    CTsF7V4Program program(0, 0);
    CTsFrame reply;
    ASSERT_TRUE(program.SendRecvSensor(0x2222, Hex("20"), 100, &reply));
    ASSERT_TRUE(program.SendRecvSensor(0x2222, Hex("22"), 200, &reply)); // its second reply is lost
    EXPECT_EQ(reply.m_nSensorId, 0x2222u);
    EXPECT_EQ(reply.m_nCommand, 0x22);
    EXPECT_EQ(brelk.frames.RequestCount(), 3u);
    EXPECT_TRUE(a->Received().empty());
    EXPECT_TRUE(c->Received().empty());
    EXPECT_EQ(b->Received().size(), 3u);
}

TEST_F(TsF7V4ProgramTest, ANegativeAnswerNeverCountsForOneSensor)
{
    auto sensor = AddSensor(0x1234);
    sensor->RefuseCommand(0x23, 0x05);
    CTsF7V4Program program(0, 0);
    CTsFrame reply;
    EXPECT_FALSE(program.SendRecvSensor(0x1234, Hex("23 10 D6 10"), 100, &reply));
    EXPECT_TRUE(reply.IsEmpty());
    EXPECT_EQ(brelk.frames.RequestCount(), 10u);
    EXPECT_TRUE(trace.Contains({"Nagative Ans", "Nagative Commandis:35.The Reason is:5"}));
}

TEST_F(TsF7V4ProgramTest, OnlyTheAddressedSensorCounts)
{
    // A reply of another sensor (a forced broadcast answer) is not the answer.
    auto other = AddSensor(0x5678);
    other->SetHook([](const SimV4Sensor::Request&, SimV4Sensor::Reply& reply) {
        reply.command = 0x20;
        return true;
    });
    CTsF7V4Program program(0, 0);
    EXPECT_FALSE(program.SendRecvSensor(0x1234, Hex("20"), 50));
    AddSensor(0x1234);
    EXPECT_TRUE(program.SendRecvSensor(0x1234, Hex("20"), 50));
}

TEST_F(TsF7V4ProgramTest, ARepliedCommandOtherThanTheRequestsIsABadFrame)
{
    // The sensor's first reply is one to another request, as a late answer to
    // an earlier one would be: for one sensor and for a multi, it is refused
    // and the exchange's own attempts go on to the reply that answers it.
    struct Case {
        const char* why;
        uint8_t command;              // of the late reply
        std::vector<uint8_t> payload; // of the late reply
    } cases[] = {
        {"a reply of another command", 0x20, {0x71, 0x00, 0x04, 0x11}},
        {"a refusal of another command", 0x77, {0x12, 0x03}},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        auto sensor = AddSensor(0x1234);
        int late = 0;
        sensor->SetHook([&](const SimV4Sensor::Request&, SimV4Sensor::Reply& reply) {
            if (late++ > 0)
                return false;
            reply.command = c.command;
            reply.payload = c.payload;
            return true;
        });
        CTsF7V4Program program(0, 0);
        CTsFrame reply;
        ASSERT_TRUE(program.SendRecvSensor(0x1234, Hex("22"), 200, &reply)) << c.why;
        EXPECT_EQ(reply.m_nCommand, 0x22) << c.why;
        EXPECT_EQ(reply.m_Payload.GetSize(), 16) << c.why; // the information record
        EXPECT_EQ(brelk.frames.RequestCount(), 2u) << c.why;
        EXPECT_TRUE(trace.Contains({"[ERROR]", "answers command", "not 22"})) << c.why;

        late = 0;
        brelk.frames.ClearRecords();
        const SensorIdSet targets{0x1234};
        SensorFrameMap collect;
        EXPECT_TRUE(program.SendRecvMulti(Hex("00"), 220, &collect, &targets)) << c.why;
        ASSERT_EQ(collect.size(), 1u) << c.why;
        EXPECT_EQ(collect.begin()->second.m_nCommand, 0x00) << c.why;
        EXPECT_EQ(brelk.frames.RequestCount(), 2u) << c.why;
    }
}

TEST_F(TsF7V4ProgramTest, RepliesThatFailTheirCheckAreRetried)
{
    auto sensor = AddSensor(0x1234);
    sensor->CorruptChecks(2);
    CTsF7V4Program program(0, 0);
    EXPECT_TRUE(program.SendRecvSensor(0x1234, Hex("20"), 50));
    EXPECT_EQ(brelk.frames.RequestCount(), 3u);
    EXPECT_TRUE(trace.Contains({"ParseRecvData Error. Check Error."}));
}

TEST_F(TsF7V4ProgramTest, MultiWithOneTarget)
{
    AddSensor(0x1111);
    CTsF7V4Program program(0, 0);
    const SensorIdSet targets{0x1111};
    SensorFrameMap collect;
    EXPECT_TRUE(program.SendRecvMulti(Hex("00"), 220, &collect, &targets));
    ASSERT_EQ(collect.size(), 1u);
    EXPECT_EQ(collect.begin()->second.m_nCommand, 0x00);
    ASSERT_EQ(brelk.frames.RequestCount(), 1u);
    const SimRequest r = brelk.frames.LastRequest();
    EXPECT_EQ(r.lf.durationTm, 220u + 12 + 10 - 20); // flag clear: 20 less
    EXPECT_EQ(r.lf.DriveByte(), 0x02);
    SimV4Sensor::Request v4;
    ASSERT_TRUE(SimV4Sensor::ReadRequest(r.lfData, v4));
    EXPECT_EQ(v4.sensorId, 0xFFFF); // broadcast
}

TEST_F(TsF7V4ProgramTest, MultiWithThreeTargetsAndDroppedReplies)
{
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    auto c = AddSensor(0x3333);
    b->DropReplies(2);
    c->DropReplies(1);
    CTsF7V4Program program(1, 0);
    const SensorIdSet targets{0x1111, 0x2222, 0x3333};
    SensorFrameMap collect;
    EXPECT_TRUE(program.SendRecvMulti(Hex("00"), 220, &collect, &targets));
    EXPECT_EQ(collect.size(), 3u);
    EXPECT_EQ(brelk.frames.RequestCount(), 3u); // the third pass completes the set
    EXPECT_EQ(Drives(), (std::vector<uint8_t>{0x02, 0x02, 0x40}));
    EXPECT_EQ(brelk.frames.LastRequest().lf.durationTm, 220u + 36 + 10); // flag set
    EXPECT_EQ(a->Answered().size(), 3u);
}

TEST_F(TsF7V4ProgramTest, MultiGivesUpAfterSixteenPasses)
{
    AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    b->DropReplies(100);
    CTsF7V4Program program(0, 0);
    const SensorIdSet targets{0x1111, 0x2222};
    EXPECT_FALSE(program.SendRecvMulti(Hex("00"), 220, nullptr, &targets));
    EXPECT_EQ(brelk.frames.RequestCount(), 16u);
}

TEST_F(TsF7V4ProgramTest, MultiWithoutTargetsCollectsAndReturnsFalse)
{
    AddSensor(0x3333);
    AddSensor(0x1111);
    AddSensor(0x2222);
    CTsF7V4Program program(0, 0);
    program.m_pNetLayer->SetDriveByte(0x40);
    SensorFrameMap collect;
    EXPECT_FALSE(program.SendRecvMulti(Hex("01"), 0, &collect));
    ASSERT_EQ(collect.size(), 3u);
    EXPECT_EQ(collect.begin()->first, 0x1111u);
    EXPECT_EQ(collect.rbegin()->first, 0x3333u);
    ASSERT_EQ(brelk.frames.RequestCount(), 1u);
    const SimRequest r = brelk.frames.LastRequest();
    EXPECT_EQ(r.lf.durationTm, 450u - 20);
    EXPECT_EQ(r.lf.DriveByte(), 0x40); // the search keeps its caller's drive
}

TEST_F(TsF7V4ProgramTest, ARefusingTargetFailsTheMultiButStaysInTheCollectSet)
{
    AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    b->RefuseCommand(0x00, 0x03, 1);
    b->DropReplies(0);
    CTsF7V4Program program(0, 0);
    const SensorIdSet targets{0x1111, 0x2222};
    SensorFrameMap collect;
    // The refusal on the first pass is kept; the second pass completes the set.
    EXPECT_TRUE(program.SendRecvMulti(Hex("00"), 220, &collect, &targets));
    EXPECT_EQ(collect.at(0x2222).m_nCommand, 0x77); // the first reply of each sensor is kept

    b->RefuseCommand(0x00, 0x03);
    collect.clear();
    EXPECT_FALSE(program.SendRecvMulti(Hex("00"), 220, &collect, &targets));
    EXPECT_EQ(collect.at(0x2222).m_nCommand, 0x77);
    EXPECT_EQ(ToHex(collect.at(0x2222).m_Payload), "00 03");
}

TEST_F(TsF7V4ProgramTest, EraseAndCheckAskAMissingTargetOnItsOwn)
{
    auto answerErase = [](const SimV4Sensor::Request& request, SimV4Sensor::Reply& reply) {
        if (request.Command() != 0x10)
            return false;
        reply.command = 0x10;
        return true;
    };
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    a->SetHook(answerErase);
    b->SetHook(answerErase);
    b->DropReplies(1);
    CTsF7V4Program program(0, 0);
    const SensorIdSet targets{0x1111, 0x2222};
    SensorFrameMap collect;
    EXPECT_TRUE(program.SendRecvMulti(Hex("10 16 00 C0 00"), 360, &collect, &targets));
    EXPECT_EQ(collect.size(), 2u);
    const std::vector<SimRequest> requests = brelk.frames.Requests();
    ASSERT_EQ(requests.size(), 2u); // one broadcast, then 2222 alone
    SimV4Sensor::Request second;
    ASSERT_TRUE(SimV4Sensor::ReadRequest(requests[1].lfData, second));
    EXPECT_EQ(second.sensorId, 0x2222);
    EXPECT_EQ(requests[1].lf.durationTm, 630u); // 500 + 130

    // A refusal of the broadcast erase ends it at once.
    b->RefuseCommand(0x10, 0x04);
    EXPECT_FALSE(program.SendRecvMulti(Hex("10 16 00 C0 00"), 360, nullptr, &targets));
}

TEST_F(TsF7V4ProgramTest, WhileStoppedTheServicesFailWithoutSending)
{
    AddSensor(0x1111);
    CTsF7V4Program program(0, 0);
    g_bAbort.Set();
    const uint32_t start = clock.GetTickCount();
    EXPECT_FALSE(program.SendRecvSensor(0x1111, Hex("20"), 100));
    const SensorIdSet targets{0x1111};
    EXPECT_FALSE(program.SendRecvMulti(Hex("00"), 220, nullptr, &targets));
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_EQ(clock.GetTickCount(), start);
}

TEST_F(TsF7V4ProgramTest, ReadsOfRecordsAndMemory)
{
    auto sensor = AddSensor(0x1234);
    sensor->WriteFlash(0xD610, {'S', 'N', '0', '1'});
    CTsF7V4Program program(0, 0);
    CTsFrame reply;
    ASSERT_TRUE(program.SendRecvSensor(0x1234, Hex("23 10 D6 10"), 100, &reply));
    ASSERT_EQ(reply.m_Payload.GetSize(), 17);
    EXPECT_EQ(ToHex(CBinary(reply.m_Payload.GetBuffer(), 6)), "10 53 4E 30 31 FF");
    ASSERT_TRUE(program.SendRecvSensor(0x1234, Hex("22"), 200, &reply));
    EXPECT_EQ(reply.m_Payload.GetSize(), 16);
    // Out of range: refused, so never an answer.
    EXPECT_FALSE(program.SendRecvSensor(0x1234, Hex("23 10 FF F8"), 100, &reply));
}

} // namespace

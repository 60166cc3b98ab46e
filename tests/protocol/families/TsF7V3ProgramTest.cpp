#include "TsF7V3Program.h"
#include "ProgressRecorder.h"
#include "ProtocolText.h"
#include "TsF6V1Program.h"
#include "V4ProgramFixture.h"

#include <algorithm>

namespace {

class TsF7V3ProgramTest : public V4ProgramFixture {
protected:
    // A boot image of the family in its container, under the number.
    V1ImageSpec Image(int type, int number, size_t codeBytes = 200)
    {
        V1ImageSpec spec = SampleV1BootImage(codeBytes, 5);
        WriteImage(type, number, BuildV1Image(spec));
        return spec;
    }
    static std::map<uint32_t, uint8_t> CodeOf(const V1ImageSpec& spec)
    {
        std::map<uint32_t, uint8_t> code;
        for (const std::vector<uint8_t>& b : spec.blocks)
            if (b[0] == V1_BLOCK_WRITE)
                for (size_t i = 3; i < b.size(); ++i)
                    code[static_cast<uint32_t>(((b[1] << 8) | b[2]) + i - 3)] = b[i];
        return code;
    }
    std::string SyncHeader(const CTsProgram& program) const
    {
        return ToHex(program.m_pNetLayer->m_RfConfig.GetShData()) + " / " +
               std::to_string(program.m_pNetLayer->m_RfConfig.SHSize);
    }

    std::vector<int> progress;
    ProgressRecorder recorder{progress};
};

TEST_F(TsF7V3ProgramTest, RequestFrames)
{
    struct Case {
        const char* request;
        uint32_t id;
        const char* frame;
    } cases[] = {
        {"50", 0x1234, "00 01 5A 12 34 00 06 50 F6"},
        {"5D", 0, "00 01 5A 00 00 00 06 5D BD"},
        {"54 01 02", 0xFFFF, "00 01 5A FF FF 00 08 54 01 02 B7"},
    };
    CTsF7V3Program program(0);
    for (const Case& c : cases)
        EXPECT_EQ(ToHex(program.BuildSendData(Hex(c.request), c.id)), c.frame) << c.request;
    CBinary tooLong;
    for (int i = 0; i < 251; ++i)
        tooLong.Add(0);
    EXPECT_TRUE(program.BuildSendData(tooLong, 0x1234).IsEmpty());
    EXPECT_EQ(program.BuildSendData(CBinary(tooLong.GetBuffer(), 250), 0x1234).GetSize(), 258);
}

TEST_F(TsF7V3ProgramTest, ReplyParsing)
{
    CBinary longest;
    longest.Add(0x5A);
    for (int i = 0; i < 124; ++i)
        longest.Add(0);
    CBinary tooLong = longest;
    tooLong.Add(0);
    struct Case {
        CBinary reply;
        uint32_t id;      // the id asked
        uint32_t frameId; // 0: refused
        uint8_t command;
        const char* payload;
        const char* log;
        const char* why;
    } cases[] = {
        {Hex("5A 12 34 00 07 50 00 F7"), 0x1234, 0x1234, 0x50, "00", nullptr, "whole reply"},
        {Hex("00 07 50 00 F7"), 0x1234, 0x1234, 0x50, "00", nullptr, "the Brelk stripped 5A and the id"},
        {Hex("00 07 50 00 F7"), 0, 0, 0, "", "ParseRecvData Error. Check Error. VaildSize(0xF7). CheckByte(0x",
         "stripped, but no id to imply"},
        {Hex("5A 12 34 00 07 50 00 F7"), 0, 0x1234, 0x50, "00", nullptr, "any sensor for id 0"},
        {Hex("5A 12 34 00 07 50 00 F7"), 0x5678, 0, 0, "", "ParseRecvData Error. Check Error",
         "another sensor's reply"},
        {Hex("5A 12 34 00 08 A0 01 00 49 EE"), 0x1234, 0x1234, 0xA0, "01 00", nullptr, "bytes behind the sum"},
        {Hex("5A 12 34 00 05 A5"), 0x1234, 0x1234, 0x00, "", nullptr, "N = 5: no command"},
        {Hex("5A 12 34 00 07 50 00 F8"), 0x1234, 0, 0, "",
         "ParseRecvData Error. Check Error. VaildSize(0x07). CheckByte(0xF7). Recv(0xF8)", "bad sum"},
        {Hex("5A 12 34 00 08 50 00 F8"), 0x1234, 0, 0, "", "ParseRecvData Error. Check Error. VaildSize(0x08)",
         "N past the bytes"},
        {Hex("5A 12 34 01 07 50 00 F8"), 0x1234, 0, 0, "", "ParseRecvData Error. Tool Id Error.Cur(00). Dst(01)",
         "another tool"},
        {Hex("5B 12 34 00 07 50 00 F8"), 0, 0, 0, "", "ParseRecvData Error. Tool Id Error", "no 5A"},
        {Hex("5A 12 34 00"), 0x1234, 0, 0, "", "ParseRecvData Error. Len(4) Error", "too short"},
        {tooLong, 0, 0, 0, "", "ParseRecvData Error. Len(126) Error", "126 bytes"},
        {longest, 0, 0, 0, "", "ParseRecvData Error. Check Error. VaildSize(0x00)", "125 bytes are parsed"},
    };
    CTsF7V3Program program(0);
    for (const Case& c : cases) {
        trace.Clear();
        CTsFrame frame(1, 1, Hex("99"));
        program.ParseRecvData(frame, c.reply, c.id);
        EXPECT_EQ(frame.m_nSensorId, c.frameId) << c.why;
        EXPECT_EQ(frame.m_nCommand, c.command) << c.why;
        EXPECT_EQ(ToHex(frame.m_Payload), c.payload) << c.why;
        if (c.log) {
            EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.why;
        } else {
            EXPECT_FALSE(trace.Contains({"[ERROR]"})) << c.why;
        }
    }
}

TEST_F(TsF7V3ProgramTest, ReplyChecksOfTheTwoLines)
{
    struct Case {
        CTsFrame frame;
        bool f7v3;
        bool f6v1;
    } cases[] = {
        {CTsFrame(0x1234, 0x50, Hex("00")), true, true},
        {CTsFrame(0x1234, 0x50, Hex("01")), false, false},
        {CTsFrame(0x1234, 0xA0, Hex("01 00")), true, false}, // the F7V3 status of A0 is byte 1
        {CTsFrame(0x1234, 0xA0, Hex("00 01")), false, true},
        {CTsFrame(0x1234, 0xA0, Hex("00")), false, true}, // no byte 1
        {CTsFrame(0x1234, 0x50, CBinary()), false, false},
        {CTsFrame(0x1234, 0x00, Hex("00")), true, true}, // an id is a reply
        {CTsFrame(), false, false},
    };
    CTsF7V3Program f7(0);
    CTsF6V1Program f6(0);
    for (const Case& c : cases) {
        EXPECT_EQ(f7.IsReplyOk(c.frame), c.f7v3) << int(c.frame.m_nCommand) << " " << ToHex(c.frame.m_Payload);
        EXPECT_EQ(f6.IsReplyOk(c.frame), c.f6v1) << int(c.frame.m_nCommand) << " " << ToHex(c.frame.m_Payload);
    }
    EXPECT_EQ(f7.GetType(), TS_TYPE_F7V3);
    EXPECT_EQ(f6.GetType(), TS_TYPE_F6V1);
    EXPECT_EQ(f6.m_nToolId, 0);
    EXPECT_EQ(f7.m_nMultiSensor, 0);
}

TEST_F(TsF7V3ProgramTest, TheSearchWakesAsksAndQueries)
{
    for (uint8_t freq : {0, 1}) {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        auto sensor = AddV3Sensor(0x1234);
        CTsF7V3Program program(freq);
        SensorIdSet found;
        ASSERT_TRUE(program.SearchSensors(found)) << int(freq);
        EXPECT_EQ(found, SensorIdSet{0x1234});
        const std::vector<SimRequest> requests = brelk.frames.Requests();
        ASSERT_EQ(requests.size(), 22u);
        for (size_t i = 0; i < requests.size(); ++i) {
            const SimRequest& r = requests[i];
            // Every request line-coded behind the preamble, the receiver on the selector's mode.
            EXPECT_EQ(r.lf.lfMode, 20);
            EXPECT_TRUE(r.lineCoded && r.preambleOk);
            EXPECT_EQ(r.lf.volMode, 1);
            EXPECT_EQ(r.rf.recvMode, freq == 1 ? 0x37 : 0x10);
            EXPECT_EQ(ToHex(CBinary(r.rf.syncHeader.data(), 2)), "55 56");
            EXPECT_EQ(r.lf.durationTm, i < 20 ? 80u : i == 20 ? 100u : 300u) << i;
        }
        EXPECT_EQ(ToHex(CBinary(requests[0].lfData.data(), 9)), "00 01 5A 00 00 00 06 50 B0");
        EXPECT_EQ(ToHex(CBinary(requests[20].lfData.data(), 9)), "00 01 5A 00 00 00 06 5D BD");
        EXPECT_EQ(ToHex(CBinary(requests[21].lfData.data(), 9)), "00 01 5A 12 34 00 06 50 F6");
        EXPECT_TRUE(brelk.frames.Errors().empty());
    }
}

TEST_F(TsF7V3ProgramTest, SearchesThatFindNothing)
{
    struct Case {
        const char* why;
        std::function<void(SimV3Sensor&)> setup;
        uint8_t freq;
        size_t requests;
    } cases[] = {
        {"nobody there", nullptr, 0, 20 + 3 + 3},
        {"on the other frequency", [](SimV3Sensor& s) { s.SetFrequency(1); }, 0, 20 + 3 + 3},
        {"the query reports a fault",
         [](SimV3Sensor& s) {
             s.SetHook([](const SimV3Sensor::Request& r, SimV3Sensor::Reply& reply) {
                 if (r.Command() != 0x50 || r.sensorId != 0x1234)
                     return false;
                 reply.command = 0x50;
                 reply.payload = {0x01};
                 return true;
             });
         },
         0, 20 + 1 + 1},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        if (c.setup)
            c.setup(*AddV3Sensor(0x1234));
        CTsF7V3Program program(c.freq);
        SensorIdSet found;
        EXPECT_FALSE(program.SearchSensors(found)) << c.why;
        EXPECT_TRUE(found.empty()) << c.why;
        EXPECT_EQ(brelk.frames.RequestCount(), c.requests) << c.why;
        EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR) << c.why;
    }
}

TEST_F(TsF7V3ProgramTest, TheConfigurationPatch)
{
    const V1ImageSpec spec = SampleV1BootImage(10);
    const std::vector<uint8_t>& raw = spec.blocks[spec.blocks.size() - 2];
    ASSERT_EQ(raw.size(), 67u);
    const CBinary block(raw.data(), 67);
    CBinary wide;
    for (int i = 0; i < 70; ++i)
        wide.Add(static_cast<uint8_t>(0x80 + i));
    struct Case {
        CBinary index;
        const char* bytes3to15;
        const char* why;
    } cases[] = {
        {Hex("F4"), "F4 31 32 33 34 35 36 01 00 00 8F FF 3C", "boot command"},
        {Hex("01 02 03 04 05 06 07 08 09 0A"), "01 02 03 04 05 06 07 01 00 00 8F FF 3C",
         "flag and id go over the index"},
        {wide, "80 81 82 83 84 85 86 01 00 00 8F FF 8C", "an index past 64 bytes"},
    };
    for (const Case& c : cases) {
        const CBinary patched = CTsF7V3Program::PatchConfig(block, c.index, 0x8FFF);
        ASSERT_EQ(patched.GetSize(), 67) << c.why;
        EXPECT_EQ(ToHex(CBinary(patched.GetBuffer() + 3, 13)), c.bytes3to15) << c.why;
        EXPECT_EQ(patched.GetAt(0), 'T');
        const uint16_t crc = V1ConfigCrc(patched.GetBuffer() + 3, 64);
        EXPECT_EQ(patched.GetAt(1), crc >> 8) << c.why;
        EXPECT_EQ(patched.GetAt(2), crc & 0xFF) << c.why;
    }
    // The 64 bytes of a wide index reach the block's last byte and no further.
    const CBinary patched = CTsF7V3Program::PatchConfig(block, wide, 0x8FFF);
    EXPECT_EQ(patched.GetAt(66), 0x80 + 63);
    EXPECT_EQ(ToHex(block), ToHex(CBinary(raw.data(), 67))) << "the image's block stays as it was";
    // Other blocks pass unchanged.
    EXPECT_EQ(ToHex(CTsF7V3Program::PatchConfig(Hex("54 00 00"), Hex("F4"), 1)), "54 00 00");
}

TEST_F(TsF7V3ProgramTest, ProgrammingSendsTheImageAndPatchesTheConfiguration)
{
    struct Case {
        int type;
        int number;
    } cases[] = {{TS_TYPE_F7V3, 0xF5}, {TS_TYPE_F6V1, 0xF4}};
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        progress.clear();
        auto sensor = AddV3Sensor(0x1234);
        const V1ImageSpec spec = Image(c.type, c.number);
        std::unique_ptr<CTsF7V3Program> program;
        if (c.type == TS_TYPE_F6V1)
            program = std::make_unique<CTsF6V1Program>(0);
        else
            program = std::make_unique<CTsF7V3Program>(0);
        program->SetProgressSink(&recorder);
        SensorIdSet found;
        ASSERT_TRUE(program->SearchSensors(found));
        ASSERT_TRUE(program->ProgramSensor(SensorIdMap{{0x1234, 0x00ABCDEF}}, IntegerToBinary(c.number, 1)));

        EXPECT_EQ(sensor->BootCode(), CodeOf(spec)) << c.type;
        const std::vector<uint8_t>& config = sensor->Config();
        ASSERT_EQ(config.size(), 67u);
        EXPECT_EQ(config[3], c.number);
        EXPECT_EQ(ToHex(CBinary(config.data() + 10, 5)), "01 00 AB CD EF");
        ASSERT_NE(sensor->V4(), nullptr);
        EXPECT_EQ(sensor->V4()->Id(), 0xCDEF);

        // Every block was sent once, while the Brelk synced on the sensor's own header.
        size_t blocks = 0;
        for (const SimV3Sensor::Request& r : sensor->Received())
            if (r.programmingSync) {
                ++blocks;
                EXPECT_EQ(r.sensorId, 0x1234);
                EXPECT_EQ(r.frame.lf.durationTm, 700u);
            }
        EXPECT_EQ(blocks, spec.blocks.size());
        EXPECT_EQ(SyncHeader(*program), "55 56 / 16");

        EXPECT_EQ(progress.front(), 0);
        EXPECT_EQ(progress.back(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_GT(progress.size(), spec.blocks.size());
        EXPECT_EQ(program->m_nErrorCode, TS_ERR_NO_SENSOR); // left alone
        EXPECT_FALSE(trace.Contains({"[ERROR]"}));
    }
}

TEST_F(TsF7V3ProgramTest, FailuresPutTheSyncHeaderBack)
{
    struct Case {
        const char* why;
        bool withImage;
        std::function<void(SimV3Sensor&)> fault;
        const char* log;
        size_t configTries;
    } cases[] = {
        {"configuration refused", true,
         [](SimV3Sensor& s) {
             s.SetHook([](const SimV3Sensor::Request& r, SimV3Sensor::Reply& reply) {
                 if (r.Command() != 'T')
                     return false;
                 reply.command = 'T';
                 reply.payload = {0x02};
                 return true;
             });
         },
         nullptr, 3},
        {"silent sensor", true, [](SimV3Sensor& s) { s.DropReplies(1000); }, nullptr, 0},
        {"no image", false, [](SimV3Sensor&) {}, "CTsF7V3Program::ProgramSensor Get DataBlock Error.", 0},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        std::remove(programFolder.File("F7Bin.bin").c_str());
        trace.Clear();
        auto sensor = AddV3Sensor(0x1234);
        if (c.withImage)
            Image(TS_TYPE_F7V3, 0xF5);
        CTsF7V3Program program(0);
        SensorIdSet found;
        program.SearchSensors(found); // wakes the sensor
        c.fault(*sensor);
        EXPECT_FALSE(program.ProgramSensor(SensorIdMap{{0x1234, 0x8FFF}}, Hex("F5"))) << c.why;
        EXPECT_EQ(SyncHeader(program), "55 56 / 16") << c.why;
        if (c.log) {
            EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.why;
        }
        // Three tries of a block that is answered with a fault.
        EXPECT_EQ(sensor->ReceivedOf('T').size(), c.configTries) << c.why;
        EXPECT_EQ(sensor->V4(), nullptr) << c.why;
    }
}

TEST_F(TsF7V3ProgramTest, AFailureLeavesTheLaterSensorsUntouched)
{
    Image(TS_TYPE_F7V3, 0xF5);
    auto first = AddV3Sensor(0x1111);
    auto second = AddV3Sensor(0x2222);
    first->DropReplies(1000);
    CTsF7V3Program program(0);
    // Both awake: the wake-up reaches every sensor.
    SensorIdSet found;
    program.SearchSensors(found);
    ASSERT_TRUE(second->Awake());
    const size_t before = second->Received().size();
    EXPECT_FALSE(program.ProgramSensor(SensorIdMap{{0x1111, 0x8FFF}, {0x2222, 0x8FFF}}, Hex("F5")));
    EXPECT_EQ(second->Received().size(), before);
}

TEST_F(TsF7V3ProgramTest, ArgumentChecksAndAnImageWithoutSize)
{
    CTsF7V3Program program(0);
    EXPECT_FALSE(program.ProgramSensor(SensorIdMap{}, Hex("F5")));
    EXPECT_FALSE(program.ProgramSensor(SensorIdMap{{0x1234, 0x8FFF}}, CBinary()));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "CTsF7V3Program::ProgramSensor Sensors or Config is empty."}));
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    // The slots the V1/V3 sensors do not have.
    CBinaryGroup records;
    EXPECT_FALSE(program.ReadPsn(records));
    EXPECT_FALSE(program.ReadPsnByAddr(records));
    EXPECT_FALSE(program.ExchangeFrames());
    EXPECT_FALSE(program.EndLink(SensorIdSet{0x1234}));
    SensorTextMap texts;
    program.GetPsnText(SensorIdSet{0x1234}, texts);
    EXPECT_EQ(texts.at(0x1234), "NA");

    // An image that gives no size: nothing to divide, only the start and the end.
    auto sensor = AddV3Sensor(0x1234);
    V1ImageSpec spec = SampleV1BootImage(100);
    spec.totalSize = 0;
    WriteImage(TS_TYPE_F7V3, 0xF5, BuildV1Image(spec));
    SensorIdSet found;
    ASSERT_TRUE(program.SearchSensors(found));
    program.SetProgressSink(&recorder);
    EXPECT_TRUE(program.ProgramSensor(SensorIdMap{{0x1234, 0x8FFF}}, Hex("F5")));
    EXPECT_EQ(progress, (std::vector<int>{0, 100}));
}

} // namespace

#include "ProtocolText.h"
#include "TsF6V4Program.h"
#include "TsN8V4Program.h"
#include "V4ProgramFixture.h"

namespace {

class TsF7V4SearchTest : public V4ProgramFixture {
protected:
    // Search passes the Brelk took: every pass ends with one search command.
    size_t SearchCommands(const SimV4Sensor& sensor) const { return sensor.ReceivedOf(0x01).size(); }
};

TEST_F(TsF7V4SearchTest, NoSensorEndsAfterTheQuietPasses)
{
    struct Case {
        uint8_t multi;
        size_t passes;
    } cases[] = {{0, 4}, {1, 5}};
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        // A sensor of no line at all would answer; a silent listener only counts the passes.
        auto listener = AddSensor(0x0101);
        listener->SetHook([](const SimV4Sensor::Request&, SimV4Sensor::Reply& reply) {
            reply.answer = false;
            return true;
        });
        CTsF7V4Program program(c.multi, 0);
        SensorIdSet found;
        EXPECT_EQ(program.SearchSensorCount(found), 0) << int(c.multi);
        EXPECT_TRUE(found.empty());
        EXPECT_EQ(SearchCommands(*listener), c.passes) << int(c.multi);
        EXPECT_EQ(g_nSearchResult, V4_SEARCH_NONE);
        EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR);
    }
}

TEST_F(TsF7V4SearchTest, OneF7SensorIsTakenWithItsVersions)
{
    auto sensor = AddSensor(0x1234, 0x7203, 0x0415);
    CTsF7V4Program program(0, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 1);
    EXPECT_EQ(found, SensorIdSet{0x1234});
    EXPECT_EQ(program.GetHardVersion(), 0x7203);
    EXPECT_EQ(program.m_nBootVersion, 0x0415);
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR); // the search leaves it to the writers
    EXPECT_TRUE(sensor->Taken());
    // Taken in the first pass, then four passes without a new sensor.
    EXPECT_EQ(SearchCommands(*sensor), 5u);
    EXPECT_EQ(Commands(*sensor, 0x02), (std::vector<std::string>{"02 20 00"}));
    EXPECT_TRUE(Commands(*sensor, 0x04).empty());
    EXPECT_EQ(g_nSearchResult, V4_SEARCH_NONE);
}

TEST_F(TsF7V4SearchTest, TheWakeUpOfEveryPass)
{
    auto sensor = AddSensor(0x1234);
    CTsF7V4Program program(0, 1);
    SensorIdSet found;
    ASSERT_EQ(program.SearchSensorCount(found), 1);
    // Start sequence: three end-link commands, then per pass 29, 06 (frequency 1).
    const std::vector<SimRequest> requests = brelk.frames.Requests();
    ASSERT_GT(requests.size(), 25u);
    std::vector<std::string> firstPass;
    for (size_t i = 0; i < 25; ++i) {
        const SimRequest& r = requests[i];
        SimV4Sensor::Request v4;
        if (SimV4Sensor::ReadRequest(r.lfData, v4))
            firstPass.push_back(ToHex(CBinary(v4.data.data(), static_cast<int>(v4.data.size()))));
        else if (r.lf.lfMode == 1)
            firstPass.push_back("raw2 " + ToHex(CBinary(r.lfData.data(), static_cast<int>(r.lfData.size()))));
        else
            firstPass.push_back("raw1 " + ToHex(CBinary(r.lfData.data(), static_cast<int>(r.lfData.size()))));
    }
    std::vector<std::string> expected = {"03", "03", "03", "29", "raw2 FF CC E7 39 C9 CE 40", "06"};
    for (int i = 0; i < 8; ++i) {
        expected.push_back("raw2 FF CC E7 39 C9 CE 40");
        expected.push_back("raw1 00 01 09 FF FF");
    }
    expected.push_back("01");
    expected.push_back("02 20 00");
    expected.push_back("20");
    EXPECT_EQ(firstPass, expected);
    // Drives of the start sequence, and the raw sequences' own settings.
    EXPECT_EQ(requests[0].lf.DriveByte(), 0x02);
    EXPECT_EQ(requests[1].lf.DriveByte(), 0x40);
    EXPECT_EQ(requests[2].lf.DriveByte(), 0x02);
    EXPECT_EQ(requests[3].lf.DriveByte(), 0x40);
    EXPECT_EQ(requests[0].lf.durationTm, 70u);
    EXPECT_EQ(requests[4].lf.bitWidth, 500);
    EXPECT_EQ(requests[4].lf.durationTm, 30u);
    EXPECT_EQ(requests[7].lf.lfMode, 14);
    EXPECT_EQ(requests[22].lf.lfMode, 0x14); // put back for the frames
    EXPECT_EQ(requests[22].rf.recvMode, 0x37);
    EXPECT_EQ(program.m_pNetLayer->m_LfConfig.LfMode, 0x14);
    EXPECT_EQ(program.m_pNetLayer->m_LfConfig.BitWidth, 128);
}

TEST_F(TsF7V4SearchTest, ThreeSensorsWithTheMultiSensorFlag)
{
    auto a = AddSensor(0x3333, 0x7100, 0x0420);
    auto b = AddSensor(0x1111, 0xE100, 0x0412);
    auto c = AddSensor(0x2222, 0x7100, 0x0430);
    CTsF7V4Program program(1, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 3);
    EXPECT_EQ(found, (SensorIdSet{0x1111, 0x2222, 0x3333}));
    EXPECT_EQ(program.m_nBootVersion, 0x0412); // the lowest of them
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR);
    // Taken in ascending id order in one pass: k counts the sensors taken before.
    EXPECT_EQ(Commands(*b, 0x02), (std::vector<std::string>{"02 20 00"}));
    EXPECT_EQ(Commands(*c, 0x02), (std::vector<std::string>{"02 20 01"}));
    EXPECT_EQ(Commands(*a, 0x02), (std::vector<std::string>{"02 20 02"}));
    EXPECT_EQ(SearchCommands(*a), 6u); // five quiet passes with the flag
}

TEST_F(TsF7V4SearchTest, TwoSensorsWithoutTheFlagAreBothReleased)
{
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    auto n8 = AddSensor(0x3333, 0x6100); // an F6 sensor: another line, kept apart
    CTsF7V4Program program(0, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 3); // two taken and one of another line
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_MANY_SENSORS);
    EXPECT_EQ(found, (SensorIdSet{0x1111, 0x2222}));
    EXPECT_EQ(SearchCommands(*a), 1u);
    for (const auto& s : {a, b, n8})
        EXPECT_EQ(Commands(*s, 0x04), (std::vector<std::string>{"04"})) << s->Id();
}

TEST_F(TsF7V4SearchTest, SensorsOfOtherLines)
{
    struct Case {
        int family;
        uint16_t hard;
        uint8_t count;      // with an F7 sensor taken beside it
        uint8_t countAlone; // the sensor alone
        int errorAlone;
        int searchAlone;
        bool releasedAlone;
        const char* why;
    } cases[] = {
        {TS_TYPE_F7V4, 0x8100, 2, 0, TS_ERR_NO_SENSOR, V4_SEARCH_NONE, true, "N8 first: left to the N8 family"},
        {TS_TYPE_F7V4, 0x1100, 2, 0, TS_ERR_NO_SENSOR, V4_SEARCH_NONE, true, "AC first: left to it"},
        {TS_TYPE_F7V4, 0x6100, 2, 0, TS_ERR_NO_SENSOR, V4_SEARCH_NONE, true, "F6: foreign, released"},
        {TS_TYPE_F7V4, 0x0123, 2, 0, TS_ERR_LINE_ZERO, V4_SEARCH_NONE, true, "line 0: error -9"},
        {TS_TYPE_F7V4, 0x3100, 2, 0, TS_ERR_NO_SENSOR, V4_SEARCH_UNSUPPORTED, true, "unknown line: -7"},
        {TS_TYPE_F6V4, 0x8100, 2, 0, TS_ERR_NO_SENSOR, V4_SEARCH_NONE, true, "N8 seen by F6: foreign"},
    };
    for (const Case& c : cases) {
        for (bool withF7 : {false, true}) {
            brelk.frames.ClearSensors();
            auto other = AddSensor(0x2000, c.hard);
            std::shared_ptr<SimV4Sensor> own;
            if (withF7)
                own = AddSensor(0x1000, c.family == TS_TYPE_F6V4 ? 0x6100 : 0x7100);
            std::unique_ptr<CTsF7V4Program> program;
            if (c.family == TS_TYPE_F6V4)
                program = std::make_unique<CTsF6V4Program>(0, 0);
            else
                program = std::make_unique<CTsF7V4Program>(0, 0);
            SensorIdSet found;
            const uint8_t count = program->SearchSensorCount(found);
            if (withF7) {
                EXPECT_EQ(count, c.count) << c.why;
                EXPECT_EQ(found, SensorIdSet{0x1000}) << c.why;
                EXPECT_EQ(Commands(*other, 0x04).size(), 1u) << c.why;
                EXPECT_TRUE(Commands(*own, 0x04).empty()) << c.why;
            } else {
                EXPECT_EQ(count, c.countAlone) << c.why;
                EXPECT_TRUE(found.empty()) << c.why;
                EXPECT_EQ(program->m_nErrorCode, c.errorAlone) << c.why;
                EXPECT_EQ(g_nSearchResult, c.searchAlone) << c.why;
                EXPECT_EQ(Commands(*other, 0x04).size(), c.releasedAlone ? 1u : 0u) << c.why;
            }
        }
    }
}

TEST_F(TsF7V4SearchTest, AnN8SensorFirstEndsTheSearchAtOnce)
{
    auto n8 = AddSensor(0x2000, 0x8100);
    CTsF7V4Program program(0, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 0);
    EXPECT_EQ(SearchCommands(*n8), 1u);
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR);
    EXPECT_FALSE(n8->Taken());
    // The N8 program takes it.
    CTsN8V4Program n8Program(0, 0);
    EXPECT_EQ(n8Program.SearchSensorCount(found), 1);
    EXPECT_EQ(found, SensorIdSet{0x2000});
}

TEST_F(TsF7V4SearchTest, TheInfoReadTakesEveryLine)
{
    AddSensor(0x2000, 0x8100);
    CTsF7V4Program program(0, 0);
    program.m_nInfoRead = 1;
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 1);
    EXPECT_EQ(program.m_nBootVersion, 0); // not lowered for a sensor of another line
}

TEST_F(TsF7V4SearchTest, ARecordTooShortToNameTheLineTakesNothing)
{
    auto sensor = AddSensor(0x1234);
    sensor->HardVersionRecord().resize(3);
    CTsF7V4Program program(0, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 0);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR); // not line 0 either
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Read Hard Version Error!"}));
}

TEST_F(TsF7V4SearchTest, ASilentHardVersionReadEndsThePass)
{
    auto sensor = AddSensor(0x1234);
    sensor->RefuseCommand(0x20, 0x01, 10); // the ten attempts of the first pass
    CTsF7V4Program program(0, 0);
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 0);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Read Hard Version Error."}));
}

TEST_F(TsF7V4SearchTest, WithoutTheBrelkTheSearchFindsNothing)
{
    AddSensor(0x1234);
    CTsF7V4Program program(0, 0);
    g_bAbort.Set();
    SensorIdSet found;
    EXPECT_EQ(program.SearchSensorCount(found), 0);
    EXPECT_FALSE(program.SearchSensors(found));
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
}

TEST_F(TsF7V4SearchTest, KeepAndEndLink)
{
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    CTsF7V4Program program(1, 0);
    SensorIdSet found;
    ASSERT_EQ(program.SearchSensorCount(found), 2);
    program.KeepLink(found);
    EXPECT_EQ(Commands(*a, 0x00).size(), 1u);
    EXPECT_FALSE(trace.Contains({"Keep Link error!"}));

    // A user stop: the end command still goes out, and the stop stays.
    g_bAbort.Set();
    brelk.frames.ClearRecords();
    EXPECT_TRUE(program.EndLink(found));
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(brelk.frames.LastRequest().lf.durationTm, 60u + 24 + 10);
    EXPECT_FALSE(a->Taken());
    EXPECT_FALSE(b->Taken());
    g_bAbort.Clear();

    // Nobody listening.
    brelk.frames.SetSilent(true);
    program.KeepLink(found);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Keep Link error!"}));
    EXPECT_FALSE(program.EndLink(SensorIdSet{}));
}

TEST_F(TsF7V4SearchTest, ReadPsnGivesTheFourRecords)
{
    struct Case {
        uint16_t hard;
        uint32_t identity;
        uint32_t version;
        bool infoRead;
    } cases[] = {
        {0x7203, 0xD610, 0xD5C0, false},
        {0x8100, 0xE410, 0xE3C0, true},
        {0x1100, 0x6000, 0x5FBF, true},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        auto sensor = AddSensor(0x1234, c.hard);
        sensor->SetIdentity("PSN-0123456789AB", c.identity);
        std::vector<uint8_t> version;
        for (int i = 0; i < 48; ++i)
            version.push_back(static_cast<uint8_t>(i));
        // The low address byte moves on alone: 5FBF, 5FCF, 5FDF.
        for (int i = 0; i < 3; ++i)
            sensor->WriteFlash((c.version & 0xFF00) | ((c.version + 0x10 * i) & 0xFF),
                               std::vector<uint8_t>(version.begin() + 16 * i, version.begin() + 16 * i + 16));
        CTsF7V4Program program(0, 0);
        program.m_nInfoRead = c.infoRead;
        CBinaryGroup records;
        ASSERT_TRUE(program.ReadPsn(records)) << std::hex << c.hard;
        ASSERT_EQ(records.m_aContain.size(), 4u);
        EXPECT_EQ(records.GetAt(0).GetSize(), 12);
        EXPECT_EQ(records.GetAt(0).GetAt(0), c.hard >> 8);
        EXPECT_EQ(records.GetAt(1).GetSize(), 16);
        EXPECT_EQ(BinaryToString(records.GetAt(2)), "PSN-0123456789AB");
        EXPECT_EQ(ToVector(records.GetAt(3)), version);
        EXPECT_FALSE(sensor->Taken()); // the link was ended
    }
}

TEST_F(TsF7V4SearchTest, ReadPsnFailures)
{
    {
        CTsF7V4Program program(0, 0);
        CBinaryGroup records;
        EXPECT_FALSE(program.ReadPsn(records)); // nobody there
        EXPECT_TRUE(records.m_aContain.empty());
    }
    auto sensor = AddSensor(0x1234);
    sensor->RefuseCommand(0x22, 0x01);
    CTsF7V4Program program(0, 0);
    CBinaryGroup records;
    EXPECT_FALSE(program.ReadPsn(records));
    EXPECT_EQ(records.m_aContain.size(), 1u);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Read PSN Error. Addr:1234"}));
    EXPECT_EQ(Commands(*sensor, 0x03).size(), 3u + 1u); // start sequence, then the end link

    // A count the reply does not hold is a failed read.
    sensor->RefuseCommand(0x22, 0x01, 0);
    sensor->SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
        if (r.Command() != 0x23)
            return false;
        reply.command = 0x23;
        reply.payload = {0x10, 0x41, 0x42};
        return true;
    });
    trace.Clear();
    records = CBinaryGroup();
    EXPECT_FALSE(program.ReadPsn(records));
    EXPECT_EQ(records.m_aContain.size(), 2u);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Read PSN Error!"}));
}

TEST_F(TsF7V4SearchTest, IdentityTexts)
{
    auto a = AddSensor(0x1111);
    a->SetIdentity("ABCDEFGHIJKLMNOP");
    auto blank = AddSensor(0x2222); // flash erased: 10 and sixteen FF
    auto shortReply = AddSensor(0x3333);
    shortReply->SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
        if (r.Command() != 0x23)
            return false;
        reply.command = 0x23;
        reply.payload = std::vector<uint8_t>(16, 0x41); // count and 15 bytes
        return true;
    });
    CTsF7V4Program program(0, 0);
    SensorTextMap texts;
    program.GetPsnText(SensorIdSet{0x1111, 0x2222, 0x3333, 0x4444}, texts);
    EXPECT_EQ(texts.at(0x1111), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(texts.at(0x2222), "NA");
    EXPECT_EQ(texts.at(0x3333), "NA");
    EXPECT_EQ(texts.at(0x4444), "NA"); // no answer
}

TEST_F(TsF7V4SearchTest, MeasureInfoAndTheSingleExchange)
{
    auto a = AddSensor(0x1111);
    a->SetIdentity("SENSOR-A-0000001");
    auto b = AddSensor(0x2222);
    b->InfoRecord()[6] = 0x01; // 0x0120: 4.10 V
    b->InfoRecord()[7] = 0x20;
    CTsF7V4Program program(1, 0);
    MeasureTextMap info;
    EXPECT_TRUE(program.ReadMeasureInfo(info));
    EXPECT_EQ(info.at("SENSOR-A-0000001"), "3.00V");
    EXPECT_EQ(info.at("PSNEmpty_Index01"), "4.10V");

    brelk.frames.ClearSensors();
    auto c = AddSensor(0x3333);
    CTsF7V4Program single(0, 0);
    EXPECT_TRUE(single.ExchangeFrames());
    EXPECT_EQ(Commands(*c, 0x02), (std::vector<std::string>{"02 20 00"}));
    EXPECT_EQ(Commands(*c, 0x23), (std::vector<std::string>{"23 10 D5 C0"}));
    EXPECT_EQ(c->ReceivedOf(0x01).front().frame.lf.durationTm, 65u);
    EXPECT_FALSE(c->Taken());
}

TEST_F(TsF7V4SearchTest, ASensorOnTheOtherFrequencyIsNotHeard)
{
    auto sensor = AddSensor(0x1234);
    sensor->SetFrequency(1);
    SensorIdSet found;
    CTsF7V4Program low(0, 0);
    EXPECT_EQ(low.SearchSensorCount(found), 0);
    CTsF7V4Program high(0, 1);
    EXPECT_EQ(high.SearchSensorCount(found), 1);
}

} // namespace

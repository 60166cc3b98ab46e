#include "DorvanSensorInfo.h"
#include "ProtocolText.h"
#include "V4ProgramFixture.h"

namespace {

constexpr uint16_t DATE = (24 << 9) | (11 << 5) | 30;

class DorvanSensorInfoTest : public V4ProgramFixture {
protected:
    // Records as the identity read gives them, with the measured words and a
    // programmed block of distinct values.
    static CBinaryGroup Records(uint16_t hard, uint16_t battery, uint16_t temperature, uint16_t pressure)
    {
        CBinaryGroup records;
        records.Add(Hex("00 00 04 11 00 00 9F 01 00 00 AA 55"));
        records.m_aContain[0].SetAt(0, static_cast<uint8_t>(hard >> 8));
        records.m_aContain[0].SetAt(1, static_cast<uint8_t>(hard));
        CBinary measure(std::vector<uint8_t>(16, 0).data(), 16);
        const uint16_t words[] = {battery, temperature, pressure};
        for (int i = 0; i < 3; ++i) {
            measure.SetAt(6 + 2 * i, static_cast<uint8_t>(words[i] >> 8));
            measure.SetAt(7 + 2 * i, static_cast<uint8_t>(words[i]));
        }
        records.Add(measure);
        records.Add(CBinary("PSN-0123456789AB", 16));
        records.Add(ProgrammedBlock());
        return records;
    }
    static CBinary ProgrammedBlock()
    {
        CBinary block(std::vector<uint8_t>(48, 0xEE).data(), 48);
        const struct {
            int at;
            const char* bytes;
        } fields[] = {{0, "C1 C2"},  {7, "00 AB CD EF"}, {17, "06 00"}, {39, "12 34"},
                      {41, "00 50"}, {43, "31 7E"},      {46, "00 B2"}};
        for (const auto& f : fields) {
            const CBinary bytes = Hex(f.bytes);
            for (int i = 0; i < bytes.GetSize(); ++i)
                block.SetAt(f.at + i, bytes.GetAt(i));
        }
        return block;
    }
    // A record filled with values no check gives, to see what a failure leaves.
    static DorvanSensorInfo Marked()
    {
        DorvanSensorInfo info;
        info.m_nHardVersion = 0xBEEF;
        info.m_fBattery = -1;
        info.m_fPressure = -1;
        info.m_nProgrammedId = 0xDEAD;
        info.m_Identity = Hex("99");
        return info;
    }
    static void ExpectUnchanged(const DorvanSensorInfo& info, const std::string& why)
    {
        EXPECT_EQ(info.m_nHardVersion, 0xBEEF) << why;
        EXPECT_EQ(info.m_fBattery, -1) << why;
        EXPECT_EQ(info.m_fPressure, -1) << why;
        EXPECT_EQ(info.m_nProgrammedId, 0xDEADu) << why;
        EXPECT_EQ(ToHex(info.m_Identity), "99") << why;
    }
    // Receiver modes of the search commands the Brelk took, in order.
    std::vector<int> SearchModes() const
    {
        std::vector<int> modes;
        for (const SimRequest& r : brelk.frames.Requests())
            if (modes.empty() || modes.back() != r.rf.recvMode)
                modes.push_back(r.rf.recvMode);
        return modes;
    }
};

TEST_F(DorvanSensorInfoTest, Conversions)
{
    // Battery in volts, temperatures in degrees Celsius, pressure in kPa.
    struct Case {
        const char* line;
        uint16_t hard;
        uint16_t battery;
        uint16_t temperature;
        uint16_t pressure;
        float volts;
        float celsius;
        float kpa;
    } cases[] = {
        {"F7", 0x7100, 0x0120, 0x0037, 100, 4.10f, 0, 157.2f},
        {"AC", 0x1100, 0x0120, 0x0050, 100, 0.288f, 25, 157.2f},
        {"N8, negative pressure", 0x8100, 0x00B2, 0x0050, 10, 3.00f, 25, 0},
        {"N8", 0x8100, 0x0000, 0x0000, 100, 1.22f, -55, 138.7f},
        {"F7 E line", 0xE100, 0x0120, 0x0037, 100, 4.10f, 0, 138.7f},
        {"F6", 0x6100, 0x0120, 0x00A0, 0, 4.10f, 105, 0},
    };
    for (const Case& c : cases) {
        DorvanSensorInfo info;
        ASSERT_TRUE(info.FillFromRecords(Records(c.hard, c.battery, c.temperature, c.pressure))) << c.line;
        EXPECT_FLOAT_EQ(info.m_fBattery, c.volts) << c.line;
        EXPECT_FLOAT_EQ(info.m_fTemperature, c.celsius) << c.line;
        EXPECT_FLOAT_EQ(info.m_fPressure, c.kpa) << c.line;
        EXPECT_EQ(info.m_nHardVersion, c.hard) << c.line;
    }

    DorvanSensorInfo info;
    ASSERT_TRUE(info.FillFromRecords(Records(0x7100, 0, 0, 0)));
    EXPECT_EQ(info.m_nBootVersion, 0x0411);
    EXPECT_EQ(info.m_nWordA, 0xAA55);
    EXPECT_EQ(info.m_nWordB, 0x1F01); // bit 15 cleared
    EXPECT_EQ(BinaryToString(info.m_Identity), "PSN-0123456789AB");
    EXPECT_EQ(info.m_Programmed.GetSize(), 48);
    EXPECT_EQ(info.m_nWordC, 0xC1C2);
    EXPECT_EQ(info.m_nProgrammedId, 0x00ABCDEFu);
    EXPECT_EQ(info.m_nWordD, 0x0600);
    EXPECT_EQ(info.m_nWordE, 0x1234);
    EXPECT_EQ(info.m_nProgramDate, 0x317E);
    EXPECT_FLOAT_EQ(info.m_fProgramTemperature, 25);
    EXPECT_FLOAT_EQ(info.m_fProgramBattery, 3.00f);
}

TEST_F(DorvanSensorInfoTest, AShortRecordIsAFailedCheck)
{
    struct Case {
        int record;
        int size; // -1: the record is missing
        const char* log;
    } cases[] = {
        {0, 11, "DorvanSensorInfo[0] is short: 11 of 12 bytes"},
        {1, 11, "DorvanSensorInfo[1] is short: 11 of 12 bytes"},
        {3, 47, "DorvanSensorInfo[3] is short: 47 of 48 bytes"},
        {3, 16, "DorvanSensorInfo[3] is short: 16 of 48 bytes"},
        {3, -1, "DorvanSensorCheck: 3 records of 4"},
        {0, 0, "DorvanSensorInfo[0] is short: 0 of 12 bytes"},
    };
    for (const Case& c : cases) {
        trace.Clear();
        CBinaryGroup records = Records(0x7100, 1, 2, 3);
        if (c.size < 0)
            records.m_aContain.pop_back();
        else
            records.m_aContain[static_cast<size_t>(c.record)] = CBinary(records.GetAt(c.record).GetBuffer(), c.size);
        DorvanSensorInfo info = Marked();
        EXPECT_FALSE(info.FillFromRecords(records)) << c.log;
        ExpectUnchanged(info, c.log);
        EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.log;
    }
    // The identity block is only kept: a short one is shown as it came.
    CBinaryGroup records = Records(0x7100, 1, 2, 3);
    records.m_aContain[2] = Hex("41 42");
    DorvanSensorInfo info;
    EXPECT_TRUE(info.FillFromRecords(records));
    EXPECT_EQ(ToHex(info.m_Identity), "41 42");
}

TEST_F(DorvanSensorInfoTest, ReadsBackWhatTheProgrammingWroteOnTheSecondFrequency)
{
    V4ImageSpec spec = SampleV4Image(TS_TYPE_F7V4, 0x400, 2);
    WriteImage(TS_TYPE_F7V4, 0xA3, BuildV4Image(spec));
    auto sensor = AddSensor(0x1234, 0x7100, 0x0411);
    sensor->SetIdentity("PSN-0123456789AB");
    sensor->SetFrequency(1);
    sensor->InfoRecord()[11] = 100; // pressure word
    {
        CTsF7V4Program program(0, 1);
        program.m_nDate = DATE;
        SensorIdSet found;
        ASSERT_EQ(program.SearchSensorCount(found), 1);
        ASSERT_TRUE(program.ProgramSensor(SensorIdMap{{0x1234, 0x00ABCDEF}}, Hex("00 A3")));
    }
    brelk.frames.ClearRecords();

    DorvanSensorInfo info;
    ASSERT_EQ(DorvanSensorCheck(info), 1);
    EXPECT_EQ(info.m_nFreqSelector, 1);
    EXPECT_EQ(SearchModes(), (std::vector<int>{0x10, 0x37})) << "the first attempt on selector 0";
    EXPECT_EQ(info.m_nProgrammedId, 0x00ABCDEFu);
    EXPECT_EQ(info.m_nProgramDate, DATE);
    EXPECT_FLOAT_EQ(info.m_fProgramTemperature, 25);
    EXPECT_FLOAT_EQ(info.m_fProgramBattery, 3.00f);
    EXPECT_EQ(info.m_nWordD, 0x0600);
    EXPECT_FLOAT_EQ(info.m_fBattery, 3.00f);
    EXPECT_FLOAT_EQ(info.m_fTemperature, 25);
    EXPECT_FLOAT_EQ(info.m_fPressure, 157.2f);
    EXPECT_EQ(info.m_nHardVersion, 0x7100);
    EXPECT_EQ(info.m_nBootVersion, 0x0411);
    EXPECT_EQ(BinaryToString(info.m_Identity), "PSN-0123456789AB");
    EXPECT_EQ(ToVector(info.m_Programmed), sensor->ReadFlash(0xD5C0, 48));
    EXPECT_EQ(info.m_nResultCode, 0xFFFE); // the reading object's -2: it programs nothing
    EXPECT_FALSE(sensor->Taken());
}

TEST_F(DorvanSensorInfoTest, AnN8SensorIsReadAtItsOwnAddresses)
{
    auto sensor = AddSensor(0x2000, 0x8100, 0x0412);
    sensor->SetIdentity("N8-PSN-000000042", SIM_N8_IDENTITY);
    const CBinary block = ProgrammedBlock();
    sensor->WriteFlash(SIM_N8_CONFIG, ToVector(block));
    sensor->InfoRecord()[11] = 10;
    DorvanSensorInfo info;
    ASSERT_EQ(DorvanSensorCheck(info), 1);
    EXPECT_EQ(info.m_nFreqSelector, 0);
    EXPECT_EQ(BinaryToString(info.m_Identity), "N8-PSN-000000042");
    EXPECT_EQ(info.m_nProgrammedId, 0x00ABCDEFu);
    EXPECT_FLOAT_EQ(info.m_fPressure, 0);
    EXPECT_EQ(SearchModes(), std::vector<int>{0x10});
}

TEST_F(DorvanSensorInfoTest, ChecksThatReadNothing)
{
    struct Case {
        const char* why;
        std::function<void()> setup;
        std::vector<int> modes;
        uint16_t code;
        const char* log;
    } cases[] = {
        {"nobody there", [] {}, {0x10, 0x37}, 0xFFFE, nullptr},
        {"two sensors: no second attempt",
         [this] {
             AddSensor(0x1111);
             AddSensor(0x2222);
         },
         {0x10},
         1,
         nullptr},
        {"version block cut short",
         [this] {
             auto s = AddSensor(0x1234);
             s->SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
                 if (r.Command() != 0x23 || r.data[3] != 0xD0)
                     return false;
                 reply.command = 0x77;
                 reply.payload = {0x23, 0x02};
                 return true;
             });
         },
         {0x10, 0x37},
         0xFFFE,
         "DorvanSensorInfo[3] is short: 16 of 48 bytes"},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        trace.Clear();
        c.setup();
        DorvanSensorInfo info = Marked();
        EXPECT_EQ(DorvanSensorCheck(info), 0) << c.why;
        ExpectUnchanged(info, c.why);
        EXPECT_EQ(info.m_nResultCode, c.code) << c.why;
        EXPECT_EQ(info.m_nFreqSelector, c.modes.size() - 1) << c.why;
        EXPECT_EQ(SearchModes(), c.modes) << c.why;
        if (c.log) {
            EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.why;
        }
    }
}

TEST_F(DorvanSensorInfoTest, AFailingPortEndsTheCheckAfterItsAttempt)
{
    auto sensor = AddSensor(0x1234);
    sensor->SetFrequency(1);
    // The failed writes set the stop, which the first attempt leaves set.
    brelk.port.Unplug(true);
    DorvanSensorInfo info = Marked();
    EXPECT_EQ(DorvanSensorCheck(info), 0);
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(info.m_nFreqSelector, 0) << "no second attempt";
    ExpectUnchanged(info, "failing port");
    brelk.port.Unplug(false);
}

} // namespace

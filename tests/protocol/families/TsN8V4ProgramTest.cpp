#include "TsN8V4Program.h"
#include "ProgressRecorder.h"
#include "ProtocolText.h"
#include "TsSnData.h"
#include "V4ProgramFixture.h"

#include <algorithm>

namespace {

constexpr int INDEX = 0x0B7;
constexpr uint16_t DATE = (25 << 9) | (3 << 5) | 9;

class TsN8V4ProgramTest : public V4ProgramFixture {
protected:
    // An N8 image past the F7 area (C000 to E000) in its container.
    V4ImageSpec Image(size_t dataBytes = 0x2000)
    {
        V4ImageSpec spec = SampleV4Image(TS_TYPE_N8V4, dataBytes, 9);
        WriteImage(TS_TYPE_N8V4, INDEX, BuildV4Image(spec));
        return spec;
    }
    std::shared_ptr<SimV4Sensor> AddN8(uint16_t id, uint16_t boot = 0x0411)
    {
        auto sensor = AddSensor(id, 0x8100, boot);
        sensor->SetIdentity("N8-PSN-000000042", SIM_N8_IDENTITY);
        return sensor;
    }
    std::unique_ptr<CTsN8V4Program> Searched(uint8_t multi, size_t expected)
    {
        auto program = std::make_unique<CTsN8V4Program>(multi, 0);
        program->m_nDate = DATE;
        program->SetProgressSink(&recorder);
        SensorIdSet found;
        program->SearchSensorCount(found);
        EXPECT_EQ(found.size(), expected);
        return program;
    }
    static std::vector<uint8_t> TableOf(const std::vector<uint32_t>& crcs)
    {
        std::vector<uint8_t> table(80, 0x00);
        for (size_t i = 0; i < crcs.size() && i < 20; ++i)
            for (int k = 0; k < 4; ++k)
                table[4 * i + k] = static_cast<uint8_t>(crcs[i] >> (24 - 8 * k));
        return table;
    }
    // Block writes as "12 seq len addrH addrL".
    static std::vector<std::string> WriteHeads(const SimV4Sensor& sensor)
    {
        std::vector<std::string> out;
        for (const SimV4Sensor::Request& r : sensor.ReceivedOf(0x12))
            out.push_back(ToHex(CBinary(r.data.data(), 5)));
        return out;
    }
    static bool Has(const std::vector<std::string>& list, const std::string& item)
    {
        return std::find(list.begin(), list.end(), item) != list.end();
    }

    std::vector<int> progress;
    ProgressRecorder recorder{progress};
};

TEST_F(TsN8V4ProgramTest, RecordsAreReadAtTheN8Addresses)
{
    // Whatever the hard version says: an F7 sensor read through the N8 program
    // (the info-read flag takes any line) is read at E410 and E3C0.
    for (uint16_t hard : {uint16_t{0x8100}, uint16_t{0x7100}}) {
        brelk.frames.ClearSensors();
        auto sensor = AddSensor(0x1234, hard);
        sensor->SetIdentity("N8-PSN-000000042", SIM_N8_IDENTITY);
        CTsN8V4Program program(0, 0);
        program.m_nInfoRead = 1;
        CBinaryGroup records;
        ASSERT_TRUE(program.ReadPsn(records)) << std::hex << hard;
        ASSERT_EQ(records.m_aContain.size(), 4u);
        EXPECT_EQ(BinaryToString(records.GetAt(2)), "N8-PSN-000000042");
        EXPECT_EQ(Commands(*sensor, 0x23),
                  (std::vector<std::string>{"23 10 E4 10", "23 10 E3 C0", "23 10 E3 D0", "23 10 E3 E0"}));
    }
    brelk.frames.ClearSensors();
    auto sensor = AddN8(0x2000);
    CTsN8V4Program program(0, 0);
    SensorTextMap texts;
    program.GetPsnText(SensorIdSet{0x2000, 0x3000}, texts);
    EXPECT_EQ(texts.at(0x2000), "N8-PSN-000000042");
    EXPECT_EQ(texts.at(0x3000), "NA");
    EXPECT_EQ(Commands(*sensor, 0x23), std::vector<std::string>{"23 10 E4 10"});
}

TEST_F(TsN8V4ProgramTest, ProgrammingWritesTheLargerFlashAndTheTwoPartTable)
{
    const V4ImageSpec spec = Image();
    auto sensor = AddN8(0x2000);
    auto program = Searched(0, 1);
    ASSERT_TRUE(program->ProgramSensor(SensorIdMap{{0x2000, 0x00C0FFEE}}, Hex("00 B7")));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);

    EXPECT_EQ(sensor->ReadFlash(0xC000, 0x2000), FlashOfBlocks(spec.blocks, 0xC000, 0x2000));
    EXPECT_EQ(sensor->ReadFlash(SIM_N8_CRC_TABLE, 80), TableOf(spec.crcs));
    const std::vector<uint8_t> config = sensor->ReadFlash(SIM_N8_CONFIG, 64);
    EXPECT_EQ(ToHex(CBinary(config.data() + 7, 4)), "00 C0 FF EE");
    EXPECT_EQ(ToHex(CBinary(config.data() + 43, 2)), "32 69");
    // Where an F7 sensor keeps its configuration, the N8 flash holds image data.
    EXPECT_EQ(sensor->ReadFlash(0xD5C0, 64), FlashOfBlocks(spec.blocks, 0xD5C0, 64));

    // The sensor's blank table matches nothing: everything from C000.
    EXPECT_EQ(Commands(*sensor, 0x10), std::vector<std::string>{"10 24 00 C0 00"});
    EXPECT_EQ(Commands(*sensor, 0x11),
              (std::vector<std::string>{"11 20 00 C0 00", "11 00 50 E3 70", "11 00 40 E3 C0"}));
    const std::vector<std::string> writes = WriteHeads(*sensor);
    ASSERT_EQ(writes.size(), 0x2000u / 64 + 3);
    EXPECT_EQ(writes[writes.size() - 3], "12 00 40 E3 70");
    EXPECT_EQ(writes[writes.size() - 2], "12 01 10 E3 B0");
    EXPECT_EQ(writes.back(), "12 00 40 E3 C0");
    const std::vector<std::string> reads = Commands(*sensor, 0x23);
    for (const char* table : {"23 10 E3 70", "23 10 E3 80", "23 10 E3 90", "23 10 E3 A0", "23 10 E3 B0"})
        EXPECT_TRUE(Has(reads, table)) << table;
    EXPECT_TRUE(Has(reads, "23 10 E4 10"));
    EXPECT_EQ(program->m_aPsnBlocks.m_aContain.size(), 1u);

    // The waits of the N8 writer, as the Brelk was told them (one sensor, flag clear).
    const uint32_t extra = 12 + 10 - 20;
    EXPECT_EQ(sensor->ReceivedOf(0x10).front().frame.lf.durationTm, 800u + extra);
    EXPECT_EQ(sensor->ReceivedOf(0x11).front().frame.lf.durationTm, 300u + extra);
    EXPECT_EQ(sensor->ReceivedOf(0x12).front().frame.lf.durationTm, 220u + extra);
    EXPECT_EQ(sensor->ReceivedOf(0x13).front().frame.lf.durationTm, 1200u + extra);

    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_FALSE(sensor->Taken());
    EXPECT_FALSE(trace.Contains({"[ERROR]"}));
}

TEST_F(TsN8V4ProgramTest, BlocksTheSensorAlreadyHoldsAreNotWrittenAgain)
{
    struct Case {
        uint16_t boot;
        int sensors;
        int equalCrcs;
        const char* erase;
        const char* firstAnnounce;
        bool tableRead;
    } cases[] = {
        {0x0411, 1, 17, "10 02 00 E2 00", "11 00 50 E3 70", true}, // no image block left to write
        {0x0411, 1, 3, "10 1E 00 C6 00", "11 1A 00 C6 00", true},
        {0x0411, 1, 0, "10 24 00 C0 00", "11 20 00 C0 00", true},
        {0x0410, 1, 17, "10 24 00 C0 00", "11 20 00 C0 00", false},
        {0x0411, 2, 17, "10 24 00 C0 00", "11 20 00 C0 00", false},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        progress.clear();
        const V4ImageSpec spec = Image();
        std::vector<std::shared_ptr<SimV4Sensor>> sensors;
        for (int i = 0; i < c.sensors; ++i) {
            auto s = AddN8(static_cast<uint16_t>(0x2000 + i), c.boot);
            s->WriteFlash(0xC000, FlashOfBlocks(spec.blocks, 0xC000, 0x2400 - 0x90));
            std::vector<uint32_t> held = spec.crcs;
            for (size_t k = static_cast<size_t>(c.equalCrcs); k < held.size(); ++k)
                held[k] ^= 0x100;
            s->WriteFlash(SIM_N8_CRC_TABLE, TableOf(held));
            sensors.push_back(s);
        }
        auto program = Searched(c.sensors > 1, static_cast<size_t>(c.sensors));
        SensorIdMap ids;
        for (const auto& s : sensors)
            ids[s->Id()] = s->Id();
        ASSERT_TRUE(program->ProgramSensor(ids, Hex("00 B7"))) << c.erase << " " << c.equalCrcs;
        const SimV4Sensor& s = *sensors.front();
        EXPECT_EQ(Commands(s, 0x10), std::vector<std::string>{c.erase}) << c.equalCrcs;
        EXPECT_EQ(Commands(s, 0x11).front(), c.firstAnnounce) << c.equalCrcs;
        EXPECT_EQ(Has(Commands(s, 0x23), "23 10 E3 70"), c.tableRead) << c.equalCrcs;
        EXPECT_EQ(s.ReadFlash(0xC000, 0x2000), FlashOfBlocks(spec.blocks, 0xC000, 0x2000)) << c.equalCrcs;
        EXPECT_EQ(s.ReadFlash(SIM_N8_CRC_TABLE, 80), TableOf(spec.crcs)) << c.equalCrcs;
    }
}

TEST_F(TsN8V4ProgramTest, TheModeByteOfTheFlashWriteIsPutBack)
{
    struct Case {
        uint16_t boot;
        bool fail;
        uint8_t flashMode;
    } cases[] = {
        {0x0413, false, 0x09},
        {0x0414, false, 0x0A},
        {0x0414, true, 0x0A},
        {0x0500, true, 0x0A},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        trace.Clear();
        Image(0x400);
        auto sensor = AddN8(0x2000, c.boot);
        if (c.fail)
            sensor->RefuseCommand(0x13, 0x05); // the check of the image write
        auto program = Searched(0, 1);
        EXPECT_EQ(program->ProgramSensor(SensorIdMap{{0x2000, 0x2000}}, Hex("00 B7")), !c.fail) << std::hex << c.boot;
        EXPECT_EQ(program->m_nMode, 9) << std::hex << c.boot;
        // The flash writer's steps go to every sensor at once; the
        // configuration write, addressed to the sensor, and the end link
        // come after it in the object's own mode.
        size_t flashSteps = 0;
        for (uint8_t command : {0x10, 0x11, 0x12, 0x13, 0x22, 0x03})
            for (const SimV4Sensor::Request& r : sensor->ReceivedOf(command)) {
                const bool flash = r.sensorId == 0xFFFF && command != 0x03;
                flashSteps += flash;
                EXPECT_EQ(r.mode, flash ? c.flashMode : 0x09) << std::hex << c.boot << " " << int(command);
            }
        EXPECT_GT(flashSteps, 3u);
        if (c.fail) {
            EXPECT_TRUE(trace.Contains({"[ERROR]", "Check Sensor Error!"}));
            EXPECT_EQ(program->m_nErrorCode, TS_ERR_WRITE_FAILED);
        }
    }
    // No image: the writer's earliest way out puts the mode back too.
    AddN8(0x3000, 0x0414);
    CTsN8V4Program program(0, 0);
    program.m_nBootVersion = 0x0414;
    EXPECT_FALSE(program.WriteSensorFlashCrc(SensorIdSet{0x3000}, nullptr, 5));
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_IMAGE);
    EXPECT_EQ(program.m_nMode, 9);
}

TEST_F(TsN8V4ProgramTest, AnImageWithoutItsTableWritesNone)
{
    V4ImageSpec spec = SampleV4Image(TS_TYPE_N8V4, 0x400, 9);
    spec.trailerHead = std::vector<uint8_t>{0x54, 0x11, 0x11, 0xE3, 0x71};
    WriteImage(TS_TYPE_N8V4, INDEX, BuildV4Image(spec));
    auto sensor = AddN8(0x2000);
    auto program = Searched(0, 1);
    CTsSnData image(TS_TYPE_N8V4, INDEX);
    ASSERT_TRUE(image.GetTrailerValues().empty());
    EXPECT_TRUE(program->WriteSensorFlashCrc(SensorIdSet{0x2000}, &image, 5));
    EXPECT_EQ(Commands(*sensor, 0x11), std::vector<std::string>{"11 04 00 C0 00"});
    EXPECT_FALSE(Has(Commands(*sensor, 0x23), "23 10 E3 70")) << "nothing to compare with";
}

TEST_F(TsN8V4ProgramTest, ThePlainWriterErasesTheWholeArea)
{
    const V4ImageSpec spec = Image(0x1810);
    auto sensor = AddN8(0x2000);
    auto program = Searched(0, 1);
    CTsSnData image(TS_TYPE_N8V4, INDEX);
    ASSERT_TRUE(program->WriteSensorFlash(SensorIdSet{0x2000}, &image, 5));
    EXPECT_EQ(Commands(*sensor, 0x10), std::vector<std::string>{"10 24 00 C0 00"});
    EXPECT_EQ(sensor->ReceivedOf(0x10).front().frame.lf.durationTm, 500u + 2);
    EXPECT_EQ(Commands(*sensor, 0x11), std::vector<std::string>{"11 18 10 C0 00"});
    const std::vector<std::string> writes = WriteHeads(*sensor);
    ASSERT_EQ(writes.size(), 0x1810u / 32 + 1);
    EXPECT_EQ(writes[1], "12 01 20 C0 20");
    EXPECT_EQ(writes.back(), "12 C0 10 D8 00"); // the short last block: one piece of 16
    EXPECT_EQ(sensor->ReadFlash(0xC000, 0x1810), FlashOfBlocks(spec.blocks, 0xC000, 0x1810));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);
}

TEST_F(TsN8V4ProgramTest, AnF7SensorRefusesTheN8Area)
{
    // The simulated lines hold their own areas: what shows that the N8
    // writer's addresses are the N8 ones.
    Image();
    auto f7 = AddSensor(0x1234, 0x7100);
    CTsN8V4Program program(0, 0);
    program.m_nInfoRead = 1;
    SensorIdSet found;
    ASSERT_EQ(program.SearchSensorCount(found), 1);
    CTsSnData image(TS_TYPE_N8V4, INDEX);
    EXPECT_FALSE(program.WriteSensorFlashCrc(found, &image, 5));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Erase Flash Error!"}));
    EXPECT_EQ(f7->Answered().back(), SIM_V4_NEGATIVE);
}

} // namespace

#include "ProgressRecorder.h"
#include "ProtocolText.h"
#include "TsF6V4Program.h"
#include "TsSnData.h"
#include "V4ProgramFixture.h"

#include <algorithm>

namespace {

constexpr int INDEX = 0xA3;
constexpr uint16_t DATE = (24 << 9) | (5 << 5) | 17;

class TsF7V4WriteTest : public V4ProgramFixture {
protected:
    // An image in the family's container, and a program that found the sensors.
    V4ImageSpec Image(int type = TS_TYPE_F7V4, size_t dataBytes = 0x1000)
    {
        V4ImageSpec spec = SampleV4Image(type, dataBytes, 3);
        WriteImage(type, INDEX, BuildV4Image(spec));
        return spec;
    }
    template <class Program = CTsF7V4Program> std::unique_ptr<Program> Searched(uint8_t multi, size_t expected)
    {
        auto program = std::make_unique<Program>(multi, 0);
        program->m_nDate = DATE;
        program->SetProgressSink(&recorder);
        SensorIdSet found;
        program->SearchSensorCount(found);
        EXPECT_EQ(found.size(), expected);
        brelk.frames.ClearRecords();
        return program;
    }
    // The flash of the image area as the image leaves it.
    static std::vector<uint8_t> ImageFlash(const V4ImageSpec& spec, size_t length)
    {
        return FlashOfBlocks(spec.blocks, 0xC000, length);
    }
    // The configuration block a sensor should hold after programming.
    static std::vector<uint8_t> PatchedConfig(const V4ImageSpec& spec, uint32_t id, const SimV4Sensor& sensor)
    {
        std::vector<uint8_t> c = spec.config;
        SimV4Sensor& s = const_cast<SimV4Sensor&>(sensor);
        const std::vector<uint8_t>& info = s.InfoRecord();
        const uint8_t patch[][2] = {{7, uint8_t(id >> 24)},
                                    {8, uint8_t(id >> 16)},
                                    {9, uint8_t(id >> 8)},
                                    {10, uint8_t(id)},
                                    {17, 0x06},
                                    {18, 0x00},
                                    {39, 0x00},
                                    {40, 0x00},
                                    {41, info[8]},
                                    {42, info[9]},
                                    {43, DATE >> 8},
                                    {44, DATE & 0xFF},
                                    {45, 0x01},
                                    {46, info[6]},
                                    {47, info[7]}};
        for (const auto& p : patch)
            c[p[0]] = p[1];
        return c;
    }
    static std::vector<uint8_t> TableOf(const std::vector<uint32_t>& crcs)
    {
        std::vector<uint8_t> table(64, 0x00);
        for (size_t i = 0; i < crcs.size() && i < 16; ++i)
            for (int k = 0; k < 4; ++k)
                table[4 * i + k] = static_cast<uint8_t>(crcs[i] >> (24 - 8 * k));
        return table;
    }
    // The addresses of the block writes a sensor received.
    static std::vector<uint32_t> BlockAddresses(const SimV4Sensor& sensor)
    {
        std::vector<uint32_t> out;
        for (const SimV4Sensor::Request& r : sensor.ReceivedOf(0x12))
            out.push_back(static_cast<uint32_t>((r.data[3] << 8) | r.data[4]));
        return out;
    }
    static bool Ascending(const std::vector<int>& values) { return std::is_sorted(values.begin(), values.end()); }

    std::vector<int> progress;
    ProgressRecorder recorder{progress};
};

TEST_F(TsF7V4WriteTest, ProgrammingOneSensorWritesImageAndConfiguration)
{
    struct Case {
        int type;
        uint16_t hard;
    } cases[] = {{TS_TYPE_F7V4, 0x7100}, {TS_TYPE_F6V4, 0x6100}};
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        progress.clear();
        auto sensor = AddSensor(0x1234, c.hard, 0x0411);
        sensor->SetIdentity("PSN-0123456789AB");
        const V4ImageSpec spec = Image(c.type);
        std::unique_ptr<CTsF7V4Program> program;
        if (c.type == TS_TYPE_F6V4)
            program = Searched<CTsF6V4Program>(0, 1);
        else
            program = Searched(0, 1);
        ASSERT_TRUE(program->ProgramSensor(SensorIdMap{{0x1234, 0x00ABCDEF}}, Hex("00 A3"))) << c.type;
        EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);

        EXPECT_EQ(sensor->ReadFlash(0xC000, 0x1000), ImageFlash(spec, 0x1000));
        EXPECT_EQ(sensor->ReadFlash(0xD580, 64), TableOf(spec.crcs));
        EXPECT_EQ(sensor->ReadFlash(0xD5C0, 64), PatchedConfig(spec, 0x00ABCDEF, *sensor));
        const std::vector<uint8_t> config = sensor->ReadFlash(0xD5C0, 64);
        EXPECT_EQ(ToHex(CBinary(config.data() + 7, 4)), "00 AB CD EF"); // the new id, big-endian
        EXPECT_EQ(ToHex(CBinary(config.data() + 43, 2)), "30 B1");      // the date word

        EXPECT_EQ(Commands(*sensor, 0x10), (std::vector<std::string>{"10 16 00 C0 00"}));
        EXPECT_EQ(Commands(*sensor, 0x11),
                  (std::vector<std::string>{"11 10 00 C0 00", "11 00 40 D5 80", "11 00 40 D5 C0"}));
        EXPECT_EQ(BlockAddresses(*sensor).size(), 64u + 2);
        EXPECT_EQ(program->m_setWrittenIds, SensorIdSet{0x00ABCDEF});
        ASSERT_EQ(program->m_aPsnBlocks.m_aContain.size(), 1u);
        EXPECT_EQ(BinaryToString(program->m_aPsnBlocks.GetAt(0)), "PSN-0123456789AB");
        EXPECT_FALSE(sensor->Taken()); // the link was ended

        EXPECT_EQ(progress.front(), 0);
        EXPECT_EQ(progress.back(), 100);
        EXPECT_TRUE(Ascending(progress));
        EXPECT_NE(std::find(progress.begin(), progress.end(), 90), progress.end());
        EXPECT_FALSE(trace.Contains({"[ERROR]"}));
    }
}

TEST_F(TsF7V4WriteTest, ThreeSensorsGetOneImageAndEachItsOwnId)
{
    const V4ImageSpec spec = Image();
    auto a = AddSensor(0x3000);
    auto b = AddSensor(0x1000);
    auto c = AddSensor(0x2000);
    auto program = Searched(1, 3);
    // New ids as the application hands them out: the start id and steps of 1111.
    const SensorIdMap ids{{0x1000, 0x00100000}, {0x2000, 0x00101111}, {0x3000, 0x00102222}};
    ASSERT_TRUE(program->ProgramSensor(ids, Hex("00 A3")));
    for (const auto& entry : ids) {
        const SimV4Sensor& s = *(entry.first == 0x1000 ? b : entry.first == 0x2000 ? c : a);
        EXPECT_EQ(s.ReadFlash(0xC000, 0x1000), ImageFlash(spec, 0x1000)) << s.Id();
        EXPECT_EQ(s.ReadFlash(0xD5C0, 64), PatchedConfig(spec, entry.second, s)) << s.Id();
        const std::vector<std::string> reads = Commands(s, 0x23);
        EXPECT_EQ(std::count(reads.begin(), reads.end(), "23 10 D5 80"), 0) << "no CRC table read for several";
    }
    EXPECT_EQ(program->m_setWrittenIds, (SensorIdSet{0x00100000, 0x00101111, 0x00102222}));
    EXPECT_EQ(Commands(*a, 0x10), (std::vector<std::string>{"10 16 00 C0 00"}));
}

TEST_F(TsF7V4WriteTest, BlocksTheSensorAlreadyHoldsAreNotWrittenAgain)
{
    struct Case {
        uint16_t boot;
        int sensors;
        int equalCrcs; // leading CRCs of the sensor's table that equal the image's
        size_t dataBytes;
        const char* erase;
        const char* announce; // of the image blocks; "" when none is written
        uint32_t firstBlock;
        bool tableRead;
    } cases[] = {
        {0x0411, 1, 3, 0x1000, "10 10 00 C6 00", "11 0A 00 C6 00", 0xC600, true},
        {0x0411, 1, 0, 0x1000, "10 16 00 C0 00", "11 10 00 C0 00", 0xC000, true},
        {0x0411, 1, 10, 0x1000, "10 02 00 D4 00", "", 0, true},
        {0x0411, 1, 10, 0x1440, "10 02 00 D4 00", "11 00 40 D4 00", 0xD400, true},
        {0x0410, 1, 10, 0x1000, "10 16 00 C0 00", "11 10 00 C0 00", 0xC000, false},
        {0x04FF, 2, 10, 0x1000, "10 16 00 C0 00", "11 10 00 C0 00", 0xC000, false},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        const V4ImageSpec spec = Image(TS_TYPE_F7V4, c.dataBytes);
        std::vector<std::shared_ptr<SimV4Sensor>> sensors;
        for (int i = 0; i < c.sensors; ++i) {
            auto s = AddSensor(static_cast<uint16_t>(0x1000 + i), 0x7100, c.boot);
            // The sensor holds the image, and a table whose first equalCrcs values match.
            const std::vector<uint8_t> flash = ImageFlash(spec, 0x1600);
            s->WriteFlash(0xC000, flash);
            std::vector<uint32_t> held = spec.crcs;
            for (size_t k = static_cast<size_t>(c.equalCrcs); k < held.size(); ++k)
                held[k] ^= 0x01;
            s->WriteFlash(0xD580, TableOf(held));
            sensors.push_back(s);
        }
        auto program = Searched(c.sensors > 1, static_cast<size_t>(c.sensors));
        SensorIdMap ids;
        for (const auto& s : sensors)
            ids[s->Id()] = s->Id();
        ASSERT_TRUE(program->ProgramSensor(ids, Hex("00 A3"))) << c.erase << " " << c.equalCrcs;
        const SimV4Sensor& s = *sensors.front();
        EXPECT_EQ(Commands(s, 0x10), std::vector<std::string>{c.erase}) << c.equalCrcs;
        const std::vector<std::string> announces = Commands(s, 0x11);
        ASSERT_EQ(announces.size(), *c.announce ? 3u : 2u) << c.equalCrcs;
        if (*c.announce) {
            EXPECT_EQ(announces.front(), c.announce);
        }
        const std::vector<uint32_t> blocks = BlockAddresses(s);
        if (*c.announce) {
            EXPECT_EQ(blocks.front(), c.firstBlock) << c.equalCrcs;
        } else {
            EXPECT_EQ(blocks, (std::vector<uint32_t>{0xD580, 0xD5C0})) << "only the CRC table and configuration";
        }
        const std::vector<std::string> reads = Commands(s, 0x23);
        const bool tableRead = std::find(reads.begin(), reads.end(), "23 10 D5 80") != reads.end();
        EXPECT_EQ(tableRead, c.tableRead) << std::hex << c.boot;
        EXPECT_EQ(s.ReadFlash(0xC000, c.dataBytes), ImageFlash(spec, c.dataBytes));
        EXPECT_EQ(s.ReadFlash(0xD580, 64), TableOf(spec.crcs));
        EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);
    }
}

TEST_F(TsF7V4WriteTest, FailuresEndWithTheirCodeAndNeverWithSuccess)
{
    struct Case {
        const char* why;
        std::function<void(SimV4Sensor&)> fault;
        bool withImage;
        int error;
        const char* log;
    } cases[] = {
        {"refused CRC check", [](SimV4Sensor& s) { s.RefuseCommand(0x13, 0x05); }, true, TS_ERR_WRITE_FAILED,
         "Check Sensor Error!"},
        {"block replies lost",
         [](SimV4Sensor& s) {
             s.SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
                 if (r.Command() != 0x12 || r.data[3] != 0xC4)
                     return false;
                 reply.answer = false;
                 return true;
             });
         },
         true, TS_ERR_WRITE_FAILED, "Write Data Error"},
        {"no image", [](SimV4Sensor&) {}, false, TS_ERR_NO_IMAGE, "Check Sn Data Error"},
        {"erase refused", [](SimV4Sensor& s) { s.RefuseCommand(0x10, 0x02); }, true, TS_ERR_WRITE_FAILED,
         "Erase Flash Error!"},
        {"write window refused", [](SimV4Sensor& s) { s.RefuseCommand(0x11, 0x02); }, true, TS_ERR_WRITE_FAILED,
         "Req Write Error!"},
        {"CRC table unreadable", [](SimV4Sensor& s) { s.RefuseCommand(0x23, 0x02); }, true, TS_ERR_WRITE_FAILED,
         "Read CRC32 Error. Addr:1234"},
        {"configuration check refused",
         [](SimV4Sensor& s) {
             s.SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
                 if (r.Command() != 0x13 || r.sensorId != 0x1234)
                     return false;
                 reply.command = 0x77;
                 reply.payload = {0x13, 0x05};
                 return true;
             });
         },
         true, TS_ERR_WRITE_FAILED, "Check Sensor Error!"},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        std::remove(programFolder.File("F7V4Bin.bin").c_str());
        trace.Clear();
        auto sensor = AddSensor(0x1234);
        if (c.withImage)
            Image();
        auto program = Searched(0, 1);
        c.fault(*sensor);
        EXPECT_FALSE(program->ProgramSensor(SensorIdMap{{0x1234, 0x5678}}, Hex("00 A3"))) << c.why;
        EXPECT_EQ(program->m_nErrorCode, c.error) << c.why;
        EXPECT_TRUE(trace.Contains({"[ERROR]", c.log})) << c.why;
        EXPECT_NE(progress.back(), 100) << c.why;
        EXPECT_TRUE(program->m_setWrittenIds.empty()) << c.why << ": no id was written";
        EXPECT_FALSE(Commands(*sensor, 0x03).empty()) << c.why << ": the link is ended";
    }
}

TEST_F(TsF7V4WriteTest, ALostReplyIsAskedAgainAndTheImageStaysWhole)
{
    auto sensor = AddSensor(0x1234);
    const V4ImageSpec spec = Image();
    auto program = Searched(0, 1);
    // The sensor writes the block, but its reply is lost once.
    int lost = 0;
    sensor->SetHook([&lost, raw = sensor.get()](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
        if (r.Command() == 0x12 && r.data[3] == 0xC4 && r.data[4] == 0x40 && lost++ == 0) {
            std::vector<uint8_t> block(r.data.begin() + 5, r.data.end());
            raw->WriteFlash(0xC440, block);
            reply.answer = false;
            return true;
        }
        return false;
    });
    ASSERT_TRUE(program->ProgramSensor(SensorIdMap{{0x1234, 0x1234}}, Hex("00 A3")));
    EXPECT_EQ(lost, 2); // the first try and its repetition
    EXPECT_EQ(sensor->ReadFlash(0xC000, 0x1000), ImageFlash(spec, 0x1000));
}

TEST_F(TsF7V4WriteTest, AnImageWhoseBlocksEndBeforeItsSizeIsRefused)
{
    AddSensor(0x1234);
    V4ImageSpec spec = SampleV4Image(TS_TYPE_F7V4, 0x1000, 3);
    spec.totalSize = 0x1040;
    WriteImage(TS_TYPE_F7V4, INDEX, BuildV4Image(spec));
    auto program = Searched(0, 1);
    EXPECT_FALSE(program->ProgramSensor(SensorIdMap{{0x1234, 0x1234}}, Hex("00 A3")));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_WRITE_FAILED);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "SnData is short! 4096 of 4160 bytes"}));

    // An image without a size writes nothing.
    SensorIdSet found;
    ASSERT_EQ(program->SearchSensorCount(found), 1); // taken again after the failed job
    spec.totalSize = 0;
    WriteImage(TS_TYPE_F7V4, INDEX, BuildV4Image(spec));
    CTsSnData image(TS_TYPE_F7V4, INDEX);
    progress.clear();
    EXPECT_FALSE(program->WriteSensorFlashCrc(SensorIdSet{0x1234}, &image, 5));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "SnData is empty!"}));
    EXPECT_EQ(progress, std::vector<int>{5});

    // Nor does one without its CRC table.
    spec = SampleV4Image(TS_TYPE_F7V4, 0x1000, 3);
    spec.trailerHead = std::vector<uint8_t>{0x44, 0x11, 0x11, 0xD5, 0x81};
    WriteImage(TS_TYPE_F7V4, INDEX, BuildV4Image(spec));
    CTsSnData noTable(TS_TYPE_F7V4, INDEX);
    EXPECT_TRUE(noTable.GetTrailerValues().empty());
    EXPECT_TRUE(program->WriteSensorFlashCrc(SensorIdSet{0x1234}, &noTable, 5)); // no table to write

    EXPECT_FALSE(program->WriteSensorFlashCrc(SensorIdSet{0x1234}, nullptr, 5));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_NO_IMAGE);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "SnData is NULL!"}));
}

TEST_F(TsF7V4WriteTest, AnImageWithoutItsConfigurationBlockIsNoSuccess)
{
    auto sensor = AddSensor(0x1234);
    V4ImageSpec spec = SampleV4Image(TS_TYPE_F7V4, 0x1000, 3);
    spec.withConfig = false;
    WriteImage(TS_TYPE_F7V4, INDEX, BuildV4Image(spec));
    auto program = Searched(0, 1);
    // No configuration block could follow the flash: the image is refused
    // before the first erase, so the sensor keeps what it held, and the
    // application must not read the error code as a programmed sensor.
    EXPECT_FALSE(program->ProgramSensor(SensorIdMap{{0x1234, 0x5678}}, Hex("00 A3")));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Check Sn Data Error"}));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_NO_IMAGE);
    EXPECT_EQ(program->m_imageProblem.fault, ImageFault::ImageDamaged);
    EXPECT_EQ(program->m_imageProblem.container, "F7V4Bin.bin");
    EXPECT_TRUE(program->m_setWrittenIds.empty());
    EXPECT_NE(progress.back(), 100);
    EXPECT_TRUE(sensor->ReceivedOf(0x10).empty()) << "an erase";
    EXPECT_TRUE(sensor->ReceivedOf(0x12).empty()) << "a write";
    EXPECT_EQ(sensor->ReadFlash(0xC000, 0x1000), std::vector<uint8_t>(0x1000, 0xFF));
    EXPECT_EQ(sensor->ReadFlash(0xD5C0, 64), std::vector<uint8_t>(64, 0xFF));
}

TEST_F(TsF7V4WriteTest, ArgumentChecks)
{
    auto sensor = AddSensor(0x1234);
    CTsF7V4Program program(0, 0);
    EXPECT_FALSE(program.ProgramSensor(SensorIdMap{}, Hex("00 A3")));
    EXPECT_FALSE(program.ProgramSensor(SensorIdMap{{0x1234, 1}}, CBinary()));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Program Sensor F7V4, Sensors Or Config Is Error!"}));
    EXPECT_FALSE(program.WriteSensorConfig(SensorIdSet{0x1234}, CBinary(std::vector<uint8_t>(63).data(), 63), 90));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Cfg Len Is Not 64. is 63"}));
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_WRITE_FAILED);
}

TEST_F(TsF7V4WriteTest, ConfigurationOfSeveralSensors)
{
    const V4ImageSpec spec = Image();
    auto a = AddSensor(0x1111);
    auto b = AddSensor(0x2222);
    auto c = AddSensor(0x3333);
    b->InfoRecord().resize(8); // too short to give its temperature word
    auto program = Searched(1, 3);
    const CBinary config(spec.config.data(), 64);
    const SensorIdSet all{0x1111, 0x2222, 0x3333};
    // 3333 is not in the map: it keeps its own id.
    const SensorIdMap ids{{0x1111, 0xA0001111}, {0x2222, 0xA0002222}};
    EXPECT_FALSE(program->WriteSensorConfig(all, config, 90, &all, &ids));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_WRITE_FAILED); // one failed: no success
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Req Wirte Cfg Error. Addr:2222"}));
    // Each sensor got its own block: the configuration write is addressed.
    EXPECT_EQ(a->ReadFlash(0xD5C0, 64), PatchedConfig(spec, 0xA0001111, *a));
    EXPECT_EQ(c->ReadFlash(0xD5C0, 64), PatchedConfig(spec, 0x3333, *c));
    EXPECT_EQ(b->ReadFlash(0xD5C0, 64), std::vector<uint8_t>(64, 0xFF));
    EXPECT_EQ(program->m_setWrittenIds, (SensorIdSet{0xA0001111, 0x3333}));
    for (const SimV4Sensor::Request& r : a->ReceivedOf(0x12))
        EXPECT_EQ(r.sensorId, 0x1111);

    b->InfoRecord().resize(16);
    EXPECT_TRUE(program->WriteSensorConfig(SensorIdSet{0x2222}, config, 90, &all, &ids));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);
}

TEST_F(TsF7V4WriteTest, AKeepAwakeFailureStopsTheWritesWithoutSuccess)
{
    const V4ImageSpec spec = Image();
    std::vector<std::shared_ptr<SimV4Sensor>> sensors;
    SensorIdSet all;
    for (uint16_t i = 1; i <= 9; ++i) {
        sensors.push_back(AddSensor(static_cast<uint16_t>(0x1000 + i)));
        all.insert(0x1000u + i);
    }
    auto program = Searched(1, 9);
    const CBinary config(spec.config.data(), 64);
    EXPECT_TRUE(program->WriteSensorConfig(all, config, 90, &all));
    EXPECT_EQ(Commands(*sensors[0], 0x00).size(), 1u); // after the 7th
    EXPECT_TRUE(Ascending(progress));
    EXPECT_EQ(progress.back(), 100);

    sensors[8]->SetHook([](const SimV4Sensor::Request& r, SimV4Sensor::Reply& reply) {
        if (r.Command() != 0x00)
            return false;
        reply.answer = false;
        return true;
    });
    for (auto& s : sensors)
        s->Flash().assign(SIM_V4_FLASH_SIZE, 0xFF);
    EXPECT_FALSE(program->WriteSensorConfig(all, config, 90, &all));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_WRITE_FAILED);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Keep Link error!"}));
    EXPECT_NE(sensors[6]->ReadFlash(0xD5C0, 1)[0], 0xFF); // the 7th was written
    EXPECT_EQ(sensors[7]->ReadFlash(0xD5C0, 1)[0], 0xFF); // the 8th never was
}

TEST_F(TsF7V4WriteTest, ThePlainWriterSendsHalves)
{
    auto sensor = AddSensor(0x1234);
    const V4ImageSpec spec = Image(TS_TYPE_F7V4, 0x1010);
    auto program = Searched(0, 1);
    CTsSnData image(TS_TYPE_F7V4, INDEX);
    ASSERT_TRUE(program->WriteSensorFlash(SensorIdSet{0x1234}, &image, 5));
    EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);
    EXPECT_EQ(Commands(*sensor, 0x10), (std::vector<std::string>{"10 16 00 C0 00"}));
    EXPECT_EQ(sensor->ReceivedOf(0x10).front().frame.lf.durationTm, 500u + 22 - 20);
    EXPECT_EQ(Commands(*sensor, 0x11), (std::vector<std::string>{"11 10 10 C0 00"}));
    const std::vector<SimV4Sensor::Request> writes = sensor->ReceivedOf(0x12);
    ASSERT_EQ(writes.size(), 0x1010u / 32 + 1);
    EXPECT_EQ(ToHex(CBinary(writes[1].data.data(), 5)), "12 01 20 C0 20");
    EXPECT_EQ(ToHex(CBinary(writes.back().data.data(), 5)), "12 80 10 D0 00"); // the short last block
    EXPECT_EQ(sensor->ReadFlash(0xC000, 0x1010), ImageFlash(spec, 0x1010));
    EXPECT_TRUE(sensor->ReceivedOf(0x23).empty() || Commands(*sensor, 0x23).front() != "23 10 D5 80");
}

} // namespace

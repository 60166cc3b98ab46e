#include "ProgressRecorder.h"
#include "ProtocolText.h"
#include "SensorBootContext.h"
#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsN8V4Program.h"
#include "V4ProgramFixture.h"

#include <algorithm>
#include <functional>

namespace {

// A V4 object whose search reports the sensor the test gives it.
class GivenSearch : public CTsF7V4Program {
public:
    GivenSearch(uint16_t hard, uint16_t boot) : CTsF7V4Program(0, 0), m_hard(hard), m_boot(boot) {}
    bool SearchSensors(SensorIdSet& found) override
    {
        found.insert(0x1234);
        m_nHardVersion = m_hard;
        m_nBootVersion = m_boot;
        return true;
    }

private:
    uint16_t m_hard;
    uint16_t m_boot;
};

// A V1/V3 object that is of another type once it has programmed.
class TypeChanging : public CTsF7V3Program {
public:
    TypeChanging() : CTsF7V3Program(0) {}
    bool SearchSensors(SensorIdSet& found) override
    {
        found.insert(0x1234);
        return true;
    }
    bool ProgramSensor(const SensorIdMap&, const CBinary&) override
    {
        SetType(TS_TYPE_N8V4);
        return true;
    }
};

class SensorBootTest : public V4ProgramFixture {
protected:
    std::unique_ptr<CTsProgram> Make(int type, uint8_t freq, uint8_t multi = 0)
    {
        switch (type) {
        case TS_TYPE_F6V1: return std::make_unique<CTsF6V1Program>(freq);
        case TS_TYPE_F7V3: return std::make_unique<CTsF7V3Program>(freq);
        case TS_TYPE_F6V4: return std::make_unique<CTsF6V4Program>(multi, freq);
        case TS_TYPE_N8V4: return std::make_unique<CTsN8V4Program>(multi, freq);
        default: {
            auto program = std::make_unique<CTsF7V4Program>(multi, freq);
            program->SetType(type);
            return program;
        }
        }
    }
    // The V4 boot image of a family under its number.
    V4ImageSpec V4Boot(int type, int number)
    {
        V4ImageSpec spec = SampleV4Image(type, 0x600, 4);
        WriteImage(type, number, BuildV4Image(spec));
        return spec;
    }
    V1ImageSpec V1Boot(int type, int number)
    {
        V1ImageSpec spec = SampleV1BootImage(150, 2);
        WriteImage(type, number, BuildV1Image(spec));
        return spec;
    }

    std::vector<int> progress;
    ProgressRecorder recorder{progress};
};

TEST_F(SensorBootTest, BootCommands)
{
    struct Case {
        int type;
        const char* freq0;
        const char* freq1;
    } cases[] = {
        {TS_TYPE_F7V4, "02 0B", "02 0A"}, {TS_TYPE_F6V4, "02 0B", "02 0A"}, {TS_TYPE_F6V1, "F5", "F4"},
        {TS_TYPE_F7V3, "F5", "F4"},       {TS_TYPE_N8V4, "", ""},           {TS_TYPE_ACV4, "", ""},
    };
    for (const Case& c : cases) {
        for (uint8_t freq : {0, 1}) {
            auto program = Make(c.type, freq);
            SensorBootContext context;
            context.program = program.get();
            EXPECT_EQ(ToHex(BuildBootCommand(context)), freq ? c.freq1 : c.freq0) << c.type << " " << int(freq);
        }
    }
    EXPECT_TRUE(BuildBootCommand(SensorBootContext{}).IsEmpty());
}

TEST_F(SensorBootTest, BootVersionThresholds)
{
    struct Case {
        int type;
        uint16_t boot;
        int result;
        bool update;
    } cases[] = {
        {TS_TYPE_F7V4, 0x0000, -1, false}, {TS_TYPE_F7V4, 0x0100, 0, true},  {TS_TYPE_F7V4, 0x0410, 0, true},
        {TS_TYPE_F7V4, 0x0411, 0, false},  {TS_TYPE_F7V4, 0x04FF, 0, false}, {TS_TYPE_F7V4, 0x0500, 2, false},
        {TS_TYPE_F6V4, 0x0410, 0, true},   {TS_TYPE_F6V4, 0x0600, 2, false}, {TS_TYPE_F7V3, 0x0000, 0, true},
        {TS_TYPE_F6V1, 0x0500, 0, true},   {TS_TYPE_N8V4, 0x0100, 0, false}, {TS_TYPE_ACV4, 0x0100, 0, false},
    };
    for (const Case& c : cases) {
        auto program = Make(c.type, 0);
        program->m_nBootVersion = c.boot;
        SensorBootContext context;
        context.program = program.get();
        bool update = !c.update;
        EXPECT_EQ(GetSensorBootVer(context, update), c.result) << c.type << " " << std::hex << c.boot;
        EXPECT_EQ(update, c.update) << c.type << " " << std::hex << c.boot;
    }
    bool update = true;
    EXPECT_EQ(GetSensorBootVer(SensorBootContext{}, update), -1);
    EXPECT_FALSE(update);
}

TEST_F(SensorBootTest, ResultCodes)
{
    struct Case {
        const char* why;
        std::function<void()> setup;
        std::function<std::unique_ptr<CTsProgram>()> program;
        int code;
        size_t found;
    } cases[] = {
        {"no sensor", [] {}, [this] { return Make(TS_TYPE_F7V4, 0); }, 254, 0},
        {"only a sensor of a line no program writes", [this] { AddSensor(0x1234, 0x5100); },
         [this] { return Make(TS_TYPE_F7V4, 0); }, 249, 0},
        {"two sensors without the multi-sensor flag",
         [this] {
             AddSensor(0x1111, 0x7100, 0x0410);
             AddSensor(0x2222, 0x7100, 0x0410);
         },
         [this] { return Make(TS_TYPE_F7V4, 0); }, 5, 2},
        {"current boot", [this] { AddSensor(0x1234, 0x7100, 0x0411); }, [this] { return Make(TS_TYPE_F7V4, 0); }, 1, 1},
        {"last supported boot", [this] { AddSensor(0x1234, 0x7100, 0x04FF); }, [this] { return Make(TS_TYPE_F7V4, 0); },
         1, 1},
        {"boot version 0", [this] { AddSensor(0x1234, 0x7100, 0x0000); }, [this] { return Make(TS_TYPE_F7V4, 0); }, 1,
         1},
        {"boot too new", [this] { AddSensor(0x1234, 0x7100, 0x0500); }, [this] { return Make(TS_TYPE_F7V4, 0); }, 6, 1},
        {"N8: no boot update", [this] { AddSensor(0x1234, 0x8100, 0x0100); }, [this] { return Make(TS_TYPE_N8V4, 0); },
         1, 1},
        {"V4 updated",
         [this] {
             AddSensor(0x1234, 0x7100, 0x0410);
             V4Boot(TS_TYPE_F7V4, 0x20B);
         },
         [this] { return Make(TS_TYPE_F7V4, 0); }, 3, 1},
        {"V4 boot image missing", [this] { AddSensor(0x1234, 0x7100, 0x0410); },
         [this] { return Make(TS_TYPE_F7V4, 0); }, 4, 1},
        {"V1/V3 updated",
         [this] {
             AddV3Sensor(0x1234);
             V1Boot(TS_TYPE_F7V3, 0xF5);
         },
         [this] { return Make(TS_TYPE_F7V3, 0); }, 2, 1},
        {"V1/V3 boot image missing", [this] { AddV3Sensor(0x1234); }, [this] { return Make(TS_TYPE_F7V3, 0); }, 4, 1},
        {"no object", [] {}, [] { return std::unique_ptr<CTsProgram>(); }, 7, 0},
        {"updated, then of another type", [] {}, [] { return std::make_unique<TypeChanging>(); }, 7, 1},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        std::remove(programFolder.File("F7V4Bin.bin").c_str());
        std::remove(programFolder.File("F7Bin.bin").c_str());
        g_nSearchResult = V4_SEARCH_NONE;
        c.setup();
        std::unique_ptr<CTsProgram> program = c.program();
        SensorBootContext context;
        context.program = program.get();
        EXPECT_EQ(UpdateSensorBoot(context), c.code) << c.why;
        EXPECT_EQ(context.found.size(), c.found) << c.why;
    }
}

TEST_F(SensorBootTest, SeveralSensorsWithoutTheFlagAreLetGoUnchanged)
{
    V4Boot(TS_TYPE_F7V4, 0x20B);
    auto a = AddSensor(0x1111, 0x7100, 0x0410);
    auto b = AddSensor(0x2222, 0x7100, 0x0410);
    CTsF7V4Program program(0, 0);
    SensorBootContext context;
    context.program = &program;
    ASSERT_EQ(UpdateSensorBoot(context), BOOT_MANY_SENSORS);
    for (const auto& s : {a, b}) {
        EXPECT_TRUE(s->ReceivedOf(0x10).empty()) << "no update";
        // Released by the search, then the link ended.
        EXPECT_EQ(Commands(*s, 0x04).size(), 1u);
        EXPECT_EQ(s->ReceivedOf(0x03).back().sensorId, 0xFFFF);
        EXPECT_GT(s->ReceivedOf(0x03).back().frame.lf.durationTm, 60u) << "the end link to the targets";
    }
}

TEST_F(SensorBootTest, AnF7V4ObjectSeeingAnF6HardVersionGoesOnAsF6V4)
{
    GivenSearch program(0x6123, 0x0411);
    SensorBootContext context;
    context.program = &program;
    EXPECT_EQ(UpdateSensorBoot(context), BOOT_NOT_NEEDED);
    EXPECT_EQ(program.GetType(), TS_TYPE_F6V4);
    EXPECT_TRUE(trace.Contains({"[RECORD]", "HardVersion:6123"}));

    GivenSearch f7(0x7123, 0x0411);
    context.program = &f7;
    EXPECT_EQ(UpdateSensorBoot(context), BOOT_NOT_NEEDED);
    EXPECT_EQ(f7.GetType(), TS_TYPE_F7V4);
}

TEST_F(SensorBootTest, AnF6SensorBesideTheF7OneLeavesTheObjectF7V4)
{
    // The F6 sensor is read after the F7 one (higher id) but not taken: its
    // hard version must not turn the F7 sensor's job into an F6 one.
    AddSensor(0x1000, 0x7100, 0x0411);
    AddSensor(0x2000, 0x6100, 0x0411);
    CTsF7V4Program program(0, 0);
    SensorBootContext context;
    context.program = &program;
    EXPECT_EQ(UpdateSensorBoot(context), BOOT_NOT_NEEDED);
    EXPECT_EQ(context.found, SensorIdSet{0x1000});
    EXPECT_EQ(program.GetHardVersion(), 0x7100);
    EXPECT_EQ(program.GetType(), TS_TYPE_F7V4);
}

TEST_F(SensorBootTest, AV1V3SensorComesBackAsAV4SensorWithId8FFF)
{
    struct Case {
        int type;
        uint8_t freq;
        int image;
        uint16_t v4Hard;
        int v4Type; // what the application makes of the object after the update
    } cases[] = {
        {TS_TYPE_F7V3, 0, 0xF5, 0x7100, TS_TYPE_F7V4},
        {TS_TYPE_F6V1, 1, 0xF4, 0x6100, TS_TYPE_F6V4},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        progress.clear();
        const V1ImageSpec spec = V1Boot(c.type, c.image);
        auto sensor = AddV3Sensor(0x1234, c.v4Hard);
        sensor->SetFrequency(c.freq);
        std::unique_ptr<CTsProgram> program = Make(c.type, c.freq);
        program->SetProgressSink(&recorder);
        SensorBootContext context;
        context.program = program.get();
        ASSERT_EQ(UpdateSensorBoot(context), BOOT_UPDATED_V1) << c.type;
        EXPECT_EQ(context.found, SensorIdSet{0x1234});

        const std::vector<uint8_t>& config = sensor->Config();
        ASSERT_EQ(config.size(), 67u);
        EXPECT_EQ(config[3], c.image) << "the boot command in the configuration";
        EXPECT_EQ(ToHex(CBinary(config.data() + 10, 5)), "01 00 00 8F FF");
        EXPECT_EQ(sensor->BootCode().size(), 150u);
        EXPECT_EQ(progress.front(), 0);
        EXPECT_EQ(progress.back(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        program.reset();

        // The application goes on with a V4 object of the matching line.
        CTsF7V4Program v4(1, c.freq);
        v4.SetType(c.v4Type);
        SensorIdSet found;
        EXPECT_TRUE(v4.SearchSensors(found)) << c.type;
        EXPECT_EQ(found, SensorIdSet{0x8FFF});
        EXPECT_EQ(v4.m_nBootVersion, 0x0411);
    }
}

TEST_F(SensorBootTest, V4SensorsBelow411AreUpdatedAndKeepTheirOwnIds)
{
    struct Case {
        int type;
        uint16_t hard;
        uint8_t freq;
        uint8_t multi;
        std::vector<uint16_t> ids;
        int image;
    } cases[] = {
        {TS_TYPE_F7V4, 0x7100, 1, 0, {0x1234}, 0x20A},
        {TS_TYPE_F7V4, 0x7100, 0, 1, {0x1111, 0x2222, 0x3333}, 0x20B},
        {TS_TYPE_F6V4, 0x6100, 0, 0, {0x4321}, 0x20B},
    };
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        const V4ImageSpec spec = V4Boot(c.type, c.image);
        std::vector<std::shared_ptr<SimV4Sensor>> sensors;
        for (uint16_t id : c.ids)
            sensors.push_back(AddSensor(id, c.hard, 0x0410));
        std::unique_ptr<CTsProgram> program = Make(c.type, c.freq, c.multi);
        SensorBootContext context;
        context.program = program.get();
        ASSERT_EQ(UpdateSensorBoot(context), BOOT_UPDATED_V4) << c.type << " " << c.ids.size();
        SensorIdSet ids;
        for (const auto& s : sensors) {
            ids.insert(s->Id());
            EXPECT_EQ(s->ReadFlash(0xC000, 0x600), FlashOfBlocks(spec.blocks, 0xC000, 0x600)) << s->Id();
            EXPECT_EQ(Commands(*s, 0x10), std::vector<std::string>{"10 16 00 C0 00"}) << "no skipping below 411";
            // Its own id stays in its configuration block: never one id for all.
            const std::vector<uint8_t> config = s->ReadFlash(0xD5C0, 64);
            EXPECT_EQ(CBinary(config.data() + 7, 4).ToInteger(), s->Id());
        }
        EXPECT_EQ(context.found, ids);
        EXPECT_EQ(program->m_setWrittenIds, ids);
        EXPECT_EQ(program->m_nErrorCode, TS_ERR_OK);
    }
}

} // namespace

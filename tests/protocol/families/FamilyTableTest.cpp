#include "FamilyTable.h"
#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsN8V4Program.h"
#include "V4ProgramFixture.h"

#include <string>
#include <vector>

namespace {

class FamilyTableTest : public V4ProgramFixture {};

TEST_F(FamilyTableTest, TheAttemptsGoThroughTheFamiliesInOrderOverAndOver)
{
    std::vector<std::string> names;
    for (const SensorFamily* family : FamilyAttemptOrder())
        names.push_back(family->name);
    EXPECT_EQ(names, (std::vector<std::string>{"F7V4", "N8V4", "F6V4", "F7V3", "F6V1"}));
    for (int attempt = 0; attempt < 10; ++attempt)
        EXPECT_EQ(&FamilyOfAttempt(attempt), FamilyAttemptOrder()[attempt % 5]) << attempt;
}

TEST_F(FamilyTableTest, EachFamilyConstructsAnObjectOfItsOwnClassAndType)
{
    struct Case {
        int type;
        FrameKind frame;
        bool isV4Program;
        uint8_t multiSensor; // the flag the object keeps from Create(1, ...)
    } cases[] = {
        {TS_TYPE_F7V4, FrameKind::V4, true, 1},    {TS_TYPE_N8V4, FrameKind::V4, true, 1},
        {TS_TYPE_F6V4, FrameKind::V4, true, 1},    {TS_TYPE_F7V3, FrameKind::V1V3, false, 0},
        {TS_TYPE_F6V1, FrameKind::V1V3, false, 0},
    };
    for (const Case& c : cases) {
        const SensorFamily* family = FindFamily(c.type);
        ASSERT_NE(family, nullptr) << c.type;
        EXPECT_EQ(family->frame, c.frame) << c.type;
        std::unique_ptr<CTsProgram> program = family->Create(1, 1);
        ASSERT_NE(program, nullptr) << c.type;
        EXPECT_EQ(program->GetType(), c.type);
        EXPECT_EQ(program->m_nFreqSelector, 1) << c.type;
        EXPECT_EQ(program->m_nMultiSensor, c.multiSensor) << c.type;
        EXPECT_EQ(dynamic_cast<CTsV4Program*>(program.get()) != nullptr, c.isV4Program) << c.type;
    }
    EXPECT_NE(dynamic_cast<CTsN8V4Program*>(FindFamily(TS_TYPE_N8V4)->Create(0, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<CTsF6V1Program*>(FindFamily(TS_TYPE_F6V1)->Create(0, 0).get()), nullptr);
    // AC sensors are read, never programmed here; AT images belong to no family.
    EXPECT_EQ(FindFamily(TS_TYPE_ACV4)->Create(0, 0), nullptr);
    EXPECT_EQ(FindFamily(SN_TYPE_AT), nullptr);
    EXPECT_EQ(FindFamily(TS_TYPE_F7V4)->ImageName(0xA3), "F7V4Bin/F7_0A3.bin");
}

TEST_F(FamilyTableTest, EveryLineBelongsToOneFamilyAndKeepsItsRecordsThere)
{
    struct Case {
        uint8_t line;
        const char* family; // null: no family takes it
        uint16_t identity;
        uint16_t config;
    } cases[] = {
        {V4_LINE_F7, "F7V4", 0xD610, 0xD5C0}, {V4_LINE_F7E, "F7V4", 0xD610, 0xD5C0},
        {V4_LINE_F6, "F6V4", 0xD610, 0xD5C0}, {V4_LINE_N8, "N8V4", 0xE410, 0xE3C0},
        {V4_LINE_AC, "ACV4", 0x6000, 0x5FBF}, {V4_LINE_ZERO, nullptr, 0xD610, 0xD5C0},
        {0x30, nullptr, 0xD610, 0xD5C0},
    };
    for (const Case& c : cases) {
        const SensorFamily* family = FamilyOfLine(c.line);
        EXPECT_EQ(family ? std::string(family->name) : std::string(), c.family ? c.family : "") << int(c.line);
        EXPECT_EQ(V4RecordsOfLine(c.line).identity, c.identity) << int(c.line);
        EXPECT_EQ(V4RecordsOfLine(c.line).config, c.config) << int(c.line);
    }
    EXPECT_EQ(V4LineOf(0x8123), V4_LINE_N8);
    EXPECT_EQ(V4RecordsOfType(TS_TYPE_N8V4).identity, 0xE410);
    EXPECT_EQ(V4RecordsOfType(TS_TYPE_F7V3).identity, 0xD610); // no V4 line: the F7 records
}

TEST_F(FamilyTableTest, TheTableSaysWhatTheBootCheckAndTheChipCheckDecide)
{
    struct Case {
        int type;
        int afterBoot;         // the type after a boot update to the V4 boot
        bool refuses40;        // a selection of chip status 0x40 cannot take it
        const char* boot1;     // boot command bytes, frequency selector 1
        const char* bootOther; // and the other selector
    } cases[] = {
        {TS_TYPE_F6V1, TS_TYPE_F6V4, true, "F4", "F5"},        {TS_TYPE_F7V3, TS_TYPE_F7V4, false, "F4", "F5"},
        {TS_TYPE_F7V4, TS_TYPE_F7V4, false, "02 0A", "02 0B"}, {TS_TYPE_F6V4, TS_TYPE_F7V4, true, "02 0A", "02 0B"},
        {TS_TYPE_N8V4, TS_TYPE_F7V4, false, "", ""},           {TS_TYPE_ACV4, TS_TYPE_F7V4, false, "", ""},
    };
    const auto hex = [](std::span<const uint8_t> bytes) {
        return bytes.empty() ? std::string() : ToHex(CBinary(bytes.data(), static_cast<int>(bytes.size())));
    };
    for (const Case& c : cases) {
        const SensorFamily& family = *FindFamily(c.type);
        EXPECT_EQ(TypeAfterBootUpdate(c.type), c.afterBoot) << family.name;
        for (const char* status : {"0x40", "0X40"})
            EXPECT_EQ(family.RefusesChip(status), c.refuses40) << family.name << " " << status;
        for (const char* status : {"", "0x4", "0x400", "0x41", " 0x40"})
            EXPECT_FALSE(family.RefusesChip(status)) << family.name << " '" << status << "'";
        EXPECT_EQ(hex(family.BootCommand(1)), c.boot1) << family.name;
        EXPECT_EQ(hex(family.BootCommand(0)), c.bootOther) << family.name;
        EXPECT_EQ(std::string(FamilyName(c.type)), family.name);
    }
    EXPECT_EQ(std::string(FamilyName(SN_TYPE_AT)), "");

    // Only the first attempt's search ends earlier links, and it hands F6 sensors to F6V4.
    const SensorFamily& f7 = *FindFamily(TS_TYPE_F7V4);
    EXPECT_EQ(f7.HandOverOf(V4_LINE_F6), FindFamily(TS_TYPE_F6V4));
    for (uint8_t line : {V4_LINE_F7, V4_LINE_F7E, V4_LINE_N8, V4_LINE_AC})
        EXPECT_EQ(f7.HandOverOf(line), nullptr) << int(line);
    for (const SensorFamily& family : SensorFamilies()) {
        EXPECT_EQ(family.endsEarlierLinks, &family == &f7) << family.name;
        if (&family != &f7) {
            EXPECT_EQ(family.HandOverOf(V4_LINE_F6), nullptr) << family.name;
        }
    }

    std::unique_ptr<CTsProgram> after = CreateAfterBootUpdate(1);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->GetType(), TS_TYPE_F7V4);
    EXPECT_EQ(after->m_nMultiSensor, 1);
    EXPECT_EQ(after->m_nFreqSelector, 1);
}

TEST_F(FamilyTableTest, AnN8SensorIsFoundByTheSecondAttempt)
{
    AddSensor(0x2000, 0x8100);
    std::vector<std::string> tried;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const SensorFamily& family = FamilyOfAttempt(attempt);
        tried.push_back(family.name);
        std::unique_ptr<CTsProgram> program = family.Create(0, 0);
        SensorIdSet found;
        if (program->SearchSensors(found)) {
            EXPECT_EQ(found, SensorIdSet{0x2000});
            break;
        }
        EXPECT_EQ(program->m_nErrorCode, TS_ERR_NO_SENSOR) << family.name;
    }
    EXPECT_EQ(tried, (std::vector<std::string>{"F7V4", "N8V4"}));
}

} // namespace

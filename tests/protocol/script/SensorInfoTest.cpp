#include "SensorInfo.h"
#include "ActivationFixtures.h"
#include "ByteText.h"
#include "Expression.h"
#include "TableFileWriter.h"
#include "TempFolder.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

namespace {

// Scripts that give the byte as it is, a fixed text, and no text at all.
constexpr uint32_t BYTE_SCRIPT = 0x00000201;
constexpr uint32_t HEX_SCRIPT = 0x00000202;
constexpr uint32_t TEXT_SCRIPT = 0x00000203;
constexpr uint32_t CONSTANT_SCRIPT = 0x00000204; // no input needed
constexpr uint32_t MISSING_SCRIPT = 0x00000299;

class SensorInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CExpression::ResetScripts();
        TableFileWriter w(4);
        w.AddTexts(BYTE_SCRIPT, {"int x1; int y = x1;", "%d"});
        w.AddTexts(HEX_SCRIPT, {"y = x1 x2", "%02X%02X"});
        w.AddTexts(TEXT_SCRIPT,
                   {"int x1; switch (x1) { case 1: y = \"BATTERY OK\"; case 2: y = \"ok\"; default: y = \"LOW\"; }"});
        w.AddTexts(CONSTANT_SCRIPT, {"int y = 42;"});
        w.Write(program.File("express.tab"));
    }
    void TearDown() override { CExpression::ResetScripts(); }

    static CBinary Config(const std::vector<std::vector<uint8_t>>& fields)
    {
        std::vector<uint8_t> all;
        for (const auto& f : fields)
            all.insert(all.end(), f.begin(), f.end());
        return CBinary(all.data(), static_cast<int>(all.size()));
    }

    ScopedDataFolder data;
    TempFolder program;
    ScopedEnv env{"BRELK_PROGRAM_DIR", program.Path()};
};

// Frame bytes: 12 34 (id), pressure, temperature, battery code.
TEST_F(SensorInfoTest, FieldsAreReadThroughTheirScripts)
{
    struct Case {
        const char* frame;
        uint32_t batteryScript;
        uint32_t pressureScript;
        uint32_t id;
        int32_t pressure;
        int32_t temp;
        uint8_t battery;
    } cases[] = {
        {"12 34 C8 19 01", TEXT_SCRIPT, BYTE_SCRIPT, 0x1234, 200, 25, 0}, // "BATTERY OK" holds "OK"
        {"12 34 C8 19 02", TEXT_SCRIPT, BYTE_SCRIPT, 0x1234, 200, 25, 1}, // "ok" is not "OK"
        {"12 34 C8 19 03", TEXT_SCRIPT, BYTE_SCRIPT, 0x1234, 200, 25, 1},
        {"12 34 C8 19 01", MISSING_SCRIPT, BYTE_SCRIPT, 0x1234, 200, 25, 0}, // an empty battery text: 0
        {"12 34 C8 B4 01", TEXT_SCRIPT, BYTE_SCRIPT, 0x1234, 200, 180, 0},
        {"12 34 C8 B5 01", TEXT_SCRIPT, BYTE_SCRIPT, 0x1234, 200, SENSOR_VALUE_NONE, 0}, // 181
        {"12 34 C8 19 01", TEXT_SCRIPT, MISSING_SCRIPT, 0x1234, SENSOR_VALUE_NONE, 25, 0},
    };
    for (const Case& c : cases) {
        const CBinary config =
            Config({FieldConfig(HEX_SCRIPT, {{0, 8}, {8, 8}}), FieldConfig(c.pressureScript, {{16, 8}}),
                    FieldConfig(BYTE_SCRIPT, {{24, 8}}), FieldConfig(c.batteryScript, {{32, 8}})});
        CSensorInfo info;
        ASSERT_TRUE(info.Parse(Hex(c.frame), config, 0)) << c.frame;
        EXPECT_EQ(info.m_ID, c.id);
        EXPECT_EQ(info.m_Pressure, c.pressure) << c.frame;
        EXPECT_EQ(info.m_Temp, c.temp) << c.frame;
        EXPECT_EQ(info.m_Battery, c.battery) << c.frame;
        EXPECT_EQ(info.m_SpecialRFID, 0);
    }
}

TEST_F(SensorInfoTest, ConfigurationsOfFourOrFiveFields)
{
    const CBinary frame = Hex("12 34 56 78 01");
    const std::vector<uint8_t> id = FieldConfig(HEX_SCRIPT, {{0, 8}, {8, 8}}); // 11 bytes
    const std::vector<uint8_t> byte = FieldConfig(BYTE_SCRIPT, {{16, 8}});     // 8 bytes
    TraceCapture trace;

    // Exactly four fields ending at the last byte.
    CSensorInfo four;
    EXPECT_TRUE(four.Parse(frame, Config({id, byte, byte, byte}), 1));
    EXPECT_EQ(four.m_ID, 0x1234u);
    EXPECT_EQ(four.m_SpecialRFID, 1);
    // A fifth field is computed and not used.
    CSensorInfo five;
    EXPECT_TRUE(five.Parse(frame, Config({id, byte, byte, byte, id}), 0));
    EXPECT_EQ(five.m_Pressure, 0x56);
    // Three fields: the fourth offset is the end.
    CSensorInfo three;
    three.m_ID = 7;
    EXPECT_FALSE(three.Parse(frame, Config({id, id, id}), 1));
    EXPECT_TRUE(trace.Contains({"Offset(33) More Than CfgSize(33)"}));
    EXPECT_EQ(three.m_ID, 7u);
    EXPECT_EQ(three.m_SpecialRFID, 1);
    // Too short a configuration.
    CSensorInfo shortOne;
    EXPECT_FALSE(shortOne.Parse(frame, Config({byte, byte, byte}), 0));
    EXPECT_TRUE(trace.Contains({"Parse Sensor Info Error! The Cfg Len(24) Less Than 25"}));
    // A field cut short by the end of the configuration gives an empty text.
    std::vector<uint8_t> cut = byte;
    cut.resize(6);
    CSensorInfo cutOne;
    EXPECT_TRUE(cutOne.Parse(frame, Config({id, byte, byte, cut}), 0));
    EXPECT_EQ(cutOne.m_Battery, 0);
}

TEST_F(SensorInfoTest, FieldWithoutRangesTakesEightBytesAndNoData)
{
    const CBinary frame = Hex("12 34 56 78 01");
    const std::vector<uint8_t> none = FieldConfig(CONSTANT_SCRIPT, {});
    ASSERT_EQ(none.size(), 8u);
    const std::vector<uint8_t> byte = FieldConfig(BYTE_SCRIPT, {{16, 8}});
    CSensorInfo info;
    ASSERT_TRUE(info.Parse(frame, Config({none, byte, byte, FieldConfig(BYTE_SCRIPT, {{24, 8}})}), 0));
    // With no data the script gives no text, even one that needs no input.
    EXPECT_EQ(info.m_ID, 0u);
    EXPECT_EQ(info.m_Pressure, 0x56);
    EXPECT_EQ(info.m_Temp, 0x56);
    EXPECT_EQ(info.m_Battery, 1);
    EXPECT_EQ(info.CalcByCfg(frame, CBinary(none.data(), 8)), "");
}

TEST_F(SensorInfoTest, CalcByCfgCutsTheBitRanges)
{
    const CBinary frame = Hex("A5 F0 0F");
    struct Case {
        std::vector<uint8_t> field;
        const char* result;
    } cases[] = {
        {FieldConfig(BYTE_SCRIPT, {{4, 8}}), "95"}, // 0101 1111
        {FieldConfig(BYTE_SCRIPT, {{0, 3}}), "5"},  // 101, right-aligned
        {FieldConfig(HEX_SCRIPT, {{16, 4}, {0, 8}}), "00A5 "},
        {FieldConfig(BYTE_SCRIPT, {{20, 8}}), ""},              // past the frame: no data
        {{0x01, 0x00, 0x00, 0x02}, ""},                         // 4 bytes or fewer
        {{0x02, 0x00, 0x00, 0x02, 0x01, 0x00, 0x00, 0x08}, ""}, // a range missing
    };
    for (const Case& c : cases) {
        CSensorInfo info;
        EXPECT_EQ(info.CalcByCfg(frame, CBinary(c.field.data(), static_cast<int>(c.field.size()))), c.result);
    }
}

TEST(SensorInfoValue, CopiesAndEmptiness)
{
    CSensorInfo a;
    EXPECT_TRUE(a.IsEmpty());
    a.m_SpecialRFID = 1;
    EXPECT_TRUE(a.IsEmpty()); // the special flag alone is no answer
    a.m_Temp = -5;
    CSensorInfo b(a);
    EXPECT_FALSE(b.IsEmpty());
    EXPECT_EQ(b.m_Temp, -5);
    EXPECT_EQ(b.m_SpecialRFID, 1);
}

} // namespace

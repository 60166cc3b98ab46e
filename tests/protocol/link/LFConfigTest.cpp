#include "LFConfig.h"
#include "ByteText.h"
#include "TempFolder.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

namespace {

class LFConfigTest : public ::testing::Test {
protected:
    ScopedDataFolder data;
    TraceCapture trace;
};

TEST_F(LFConfigTest, ANewConfigurationHasVoltageOneAndCodeTypeOne)
{
    CLFConfig lf;
    EXPECT_EQ(lf.LfCodeType, 1);
    EXPECT_EQ(ToHex(lf.ToToolData()), "01 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(LFConfigTest, InputToWireForm)
{
    struct Case {
        const char* input;
        const char* wire;
        const char* why;
    } cases[] = {
        {"28 22 01 00 00 80 00 03 E8 00 80", "02 00 28 01 00 00 E8 03 00 80 80 00",
         "LfMode 40, DurationTm 1000 ms with bit 31, BitWidth 128"},
        {"00 01 02 00 0A 00 00 01 F4 12 34", "01 00 00 02 0A 00 F4 01 00 00 34 12", "LfMode 0 takes BitWidth"},
        {"01 01 02 00 0A 00 00 01 F4 12 34", "01 00 01 02 0A 00 F4 01 00 00 34 12", "LfMode 1 takes BitWidth"},
        {"02 01 02 00 0A 00 00 01 F4 12 34", "01 00 02 02 0A 00 F4 01 00 00 80 00", "LfMode 2: BitWidth 128"},
        {"00 C2 00 00 00 00 00 00 00 00 00 EE EE", "02 03 00 00 00 00 00 00 00 00 00 00",
         "C2: VolMode 2, BridgeMode 3; bytes behind byte 10 ignored"},
    };
    for (const Case& c : cases) {
        CLFConfig lf;
        ASSERT_TRUE(lf.Init(Hex(c.input))) << c.why;
        EXPECT_EQ(ToHex(lf.ToToolData()), c.wire) << c.why;
    }
}

TEST_F(LFConfigTest, FieldsOfTheInputForm)
{
    CLFConfig lf;
    ASSERT_TRUE(lf.Init(Hex("09 42 03 01 F4 80 00 13 88 00 00")));
    EXPECT_EQ(lf.LfMode, 9);
    EXPECT_EQ(lf.VolMode, 2);
    EXPECT_EQ(lf.BridgeMode, 1);
    EXPECT_EQ(lf.Times, 3);
    EXPECT_EQ(lf.LfSpaceTm, 500);
    EXPECT_EQ(lf.DurationTm, 0x80001388u);
    EXPECT_EQ(lf.BitWidth, 128);
    EXPECT_EQ(lf.LfCodeType, 1); // not part of the input form
}

TEST_F(LFConfigTest, RefusedInputsKeepTheEarlierValues)
{
    CLFConfig lf;
    ASSERT_TRUE(lf.Init(Hex("28 22 01 00 00 80 00 03 E8 00 80")));
    const std::string before = ToHex(lf.ToToolData());

    EXPECT_FALSE(lf.Init(Hex("00 01 02 00 0A 00 00 01 F4 12")));
    EXPECT_TRUE(trace.Contains({"[ERROR] Lf Init Error. Length less than 12."}));
    EXPECT_FALSE(lf.Init(CBinary()));

    EXPECT_FALSE(lf.Init(Hex("00 03 02 00 0A 00 00 01 F4 12 34")));
    EXPECT_TRUE(trace.Contains({"[ERROR] Lf Init Error. Voltage Cfg Error. 3"}));
    EXPECT_FALSE(lf.Init(Hex("00 C7 02 00 0A 00 00 01 F4 12 34")));
    EXPECT_TRUE(trace.Contains({"[ERROR] Lf Init Error. Voltage Cfg Error. 199"}));

    EXPECT_EQ(ToHex(lf.ToToolData()), before);
}

} // namespace

#include "ScriptFormat.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ScriptFormat, EveryConversionGetsAValueOfItsType)
{
    struct Case {
        const char* format;
        std::vector<ScriptValue> values;
        const char* expected;
    } cases[] = {
        {"%d", {ScriptValue::Int32(-3)}, "-3"},
        {"%i kPa", {ScriptValue::Int64(300)}, "300 kPa"},
        {"%5.2f", {ScriptValue::Real(3.14159)}, " 3.14"},
        {"%.2f", {ScriptValue::Int32(250)}, "250.00"},
        {"%d", {ScriptValue::Real(-2.9)}, "-2"},
        {"%d", {ScriptValue::Real(1e30)}, "9223372036854775807"},
        {"%02X", {ScriptValue::Int32(0xAB)}, "AB"},
        {"%02X", {ScriptValue::Int32(-2)}, "FFFFFFFE"},       // an int's 32 bits
        {"%X", {ScriptValue::Int64(-2)}, "FFFFFFFFFFFFFFFE"}, // a 64-bit value's 64
        {"%o %u", {ScriptValue::Int32(8), ScriptValue::Int32(-1)}, "10 4294967295"},
        {"%c", {ScriptValue::Int32(0x141)}, "A"},
        {"%s", {ScriptValue::Int32(5, "0x05")}, "0x05"}, // the value's own text
        {"%s", {ScriptValue::Int32(5)}, "5"},
        {"%s", {ScriptValue::Real(0.5)}, "0.500000000000"},
        {"[%-4s]", {ScriptValue::Text("OK")}, "[OK  ]"},
        {"%.1s", {ScriptValue::Text("OK")}, "O"},
        {"%d", {ScriptValue::Text("12")}, "0"},
        {"%d %d", {ScriptValue::Int32(7)}, "7 0"}, // more conversions than values
        {"%d", {ScriptValue::Int32(1), ScriptValue::Int32(2)}, "1"},
        {"100%% %d", {ScriptValue::Int32(1)}, "100% 1"},
        {"%b", {ScriptValue::Int32(5)}, "101"},
        {"%08b", {ScriptValue::Int32(5)}, "00000101"},
        {"%-6b|", {ScriptValue::Int32(5)}, "101   |"},
        {"%b", {ScriptValue::Int32(0)}, "0"},
        {"%b", {ScriptValue::Int32(-1)}, "11111111111111111111111111111111"},
        {"%#x %#d %05s", {ScriptValue::Int32(31), ScriptValue::Int32(5), ScriptValue::Text("a")}, "0x1f 5     a"},
        {"%+d % d", {ScriptValue::Int32(3), ScriptValue::Int32(3)}, "+3  3"},
        {"no conversion", {}, "no conversion"},
        {"", {ScriptValue::Int32(1)}, ""},
    };
    for (const Case& c : cases) {
        std::string out = "<";
        EXPECT_TRUE(CScriptFormat::Format(c.format, c.values, out)) << c.format;
        EXPECT_EQ(out, std::string("<") + c.expected) << c.format;
    }
}

TEST(ScriptFormat, RefusesWhatPrintfWouldMisuse)
{
    for (const char* format : {"%n", "%d%n", "%*d", "%.*f", "%ld", "%lld", "%hhd", "%zu", "%p", "%", "abc%", "%5", "%q",
                               "%E", "%1000d", "%.513f", "%-", "%.2"}) {
        std::string out = "kept";
        EXPECT_FALSE(CScriptFormat::Format(format, ScriptValue::Int32(1), out)) << format;
        EXPECT_EQ(out, "kept") << format;
        EXPECT_FALSE(CScriptFormat::IsAllowed(format)) << format;
    }
    EXPECT_TRUE(CScriptFormat::IsAllowed("%512d"));
    EXPECT_TRUE(CScriptFormat::IsAllowed("%02X%02X "));
}

TEST(ScriptFormat, TruncationSaturates)
{
    EXPECT_EQ(TruncateToInt64(-1.9), -1);
    EXPECT_EQ(TruncateToInt64(1e300), INT64_MAX);
    EXPECT_EQ(TruncateToInt64(-1e300), INT64_MIN);
    EXPECT_EQ(TruncateToInt64(std::nan("")), 0);
}

} // namespace

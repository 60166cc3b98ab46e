#include "Mathematical.h"
#include "ByteText.h"
#include "CodePage.h"

#include <gtest/gtest.h>

namespace {

// Parse and Calculate over AA 55 01, as the script evaluator runs them.
bool Eval(const std::string& expression, const std::string& format, std::string& result)
{
    CMathematical math;
    std::string error;
    if (!math.Parse(error, expression))
        return false;
    return math.Calculate(result, Hex("AA 55 01"), math.Postfix(), format);
}

TEST(Mathematical, ExpressionsGiveTheirValues)
{
    struct Case {
        const char* expression;
        const char* format;
        const char* expected;
    } cases[] = {
        // Unary and binary minus.
        {"-5+3", "%d", "-2"},
        {"2-3", "%d", "-1"},
        {"2*-3", "%d", "-6"},
        {"5--3", "%d", "8"},
        {"0x10-1", "%d", "15"},
        {"0xAB-1", "%d", "170"},
        // 8-bit arithmetic works in an int; an operand above 255 takes 64 bits.
        {"255+1", "%d", "256"},
        {"200+100", "%d", "300"},
        {"256+1", "%d", "257"},
        {"100000*100000", "%d", "10000000000"},
        {"7/2", "%d", "3"},
        {"7/2.0", "%.1f", "3.5"},
        {"-7%3", "%d", "-1"},
        {"1e3+1", "%d", "2"}, // no point: a decimal, read up to the "e"
        {"-9223372036854775807-1", "%d", "-9223372036854775808"},
        {"1<<33", "%d", "2"}, // the shift count's low 5 bits
        {"256>>1", "%d", "128"},
        // Precedence and parentheses.
        {"2+3*4", "%d", "14"},
        {"(2+3)*4", "%d", "20"},
        {"6&3|8", "%d", "10"},
        {"1<2==1", "%d", "1"},
        {"3>=3&&2!=2", "%d", "0"},
        {"0||5", "%d", "1"},
        {"5^1", "%d", "4"},
        {"x1*2", "%d", "2"}, // letters are skipped
        // Not and complement write hexadecimal texts.
        {"!0", "%s", "0x01"},
        {"!7", "%s", "0x00"},
        {"!0.0", "%s", "1"},
        {"~0x0F", "%s", "0xF0"},
        {"~256", "%s", "0xFFFFFEFF"},
        {"~0x0F+1", "%d", "241"},
        // Double arithmetic.
        {"1.5*2", "%s", "3.000000000000"},
        {"1.5*2", "%.2f", "3.00"},
        {"2.5>1", "%d", "1"},
        {"5.5%2", "%.1f", "1.5"},
        // Byte operands over AA 55 01.
        {"BYTE[0]", "%02X", "AA"},
        {"BYTE[1].BIT[2]", "%d", "4"},
        {"BYTE[1]BIT[2]", "%d", "4"},
        {"BYTE[0].BIT[3]", "%d", "8"},
        {"BYTE[1]+1", "%d", "86"},
        {"BYTE[2].BIT[0]*3", "%d", "3"},
        {"BYTE[1].BIT[2]+1", "%d", "5"}, // the "." of a bit part is no decimal point
        {"BYTE[0]+0.5", "%.1f", "170.5"},
        {"CHAR[1]+2", "%d", "2"}, // char operands count as 0
        // Conditionals.
        {"1?5:6", "%d", "5"},
        {"0?5:6", "%d", "6"},
        {"2>1?10+1:20", "%d", "11"},
        {"0?1:0?7:8", "%d", "8"},
        {"0?1:1?7:8", "%d", "7"},
        {"1?0?2:3:4", "%d", "3"},
        {"1?1?2:3:4", "%d", "2"},
        {"(0?1:2)*3", "%d", "6"},
        {"0.00001?1:2", "%d", "1"},
        {"0.000001?1:2", "%d", "2"},
        // The final value through the format.
        {"300", "%02X", "12C"},
        {"-1", "%X", "FFFFFFFF"},
        {"0x1FF", "%X", "1FF"},
        {"0x05", "%s", "0x05"},
        {"3", "%.1f", "3.0"},
        {"5", "%b", "101"},
        {"0x05", "%04b", "0101"},
        {"7.9", "%d", "7"},
        {"7.9", "%d kPa", "7"}, // a real under "%d" is written with %lld alone
        {"10.5", "%02X", "0A"},
        {"2.25", "%.1f", "2.2"},
        {"\"abc\"", "%d", "\"abc\""},
    };
    for (const Case& c : cases) {
        std::string result;
        EXPECT_TRUE(Eval(c.expression, c.format, result)) << c.expression;
        EXPECT_EQ(result, c.expected) << c.expression << " with " << c.format;
    }
}

TEST(Mathematical, FailuresGiveNoValue)
{
    struct Case {
        const char* expression;
        const char* format;
    } cases[] = {
        {"5/0", "%d"},
        {"5%0", "%d"},
        {"5.0/0", "%f"},
        {"5%0.0", "%f"},
        {"-2147483648/-1", "%d"}, // int overflow in the 8-bit arithmetic
        {"-2147483648%-1", "%d"},
        {"(-9223372036854775807-1)/-1", "%d"},
        {"0x8000000000000000%-1", "%d"},
        {"1.0e300*1.0e300", "%f"},
        {"BYTE[3]", "%d"},
        {"BYTE[1].BIT[8]", "%d"},
        {"BYTE[]", "%d"},
        {"+", "%d"},
        {"1+", "%d"},
        {"1?2", "%d"},
        {"", "%d"},
        {"1", "%n"},
        {"1", "%*d"},
        {"1", "%ld"},
    };
    for (const Case& c : cases) {
        std::string result = "kept";
        EXPECT_FALSE(Eval(c.expression, c.format, result)) << c.expression;
        EXPECT_EQ(result, "kept") << c.expression;
    }
}

TEST(Mathematical, ParseFailuresCarryTheirTexts)
{
    struct Case {
        const char* expression;
        const wchar_t* text;
    } cases[] = {
        {"BIT[2]", L"BIT\u53EA\u80FD\u4E0EBYTE\u4E00\u8D77\u4F7F\u7528\uFF0C\u4E0D\u80FD\u5355\u72EC\u4F7F\u7528"},
        {"1+BYTE[-1]", L"BYTE[]\uFF0CBYTE[].BIT[]\u4E2D\u62EC\u53F7\u4E2D\u4E0D\u80FD\u6709 - \u53F7"},
        {"BYTE[1].BIT[-2]", L"BYTE[]\uFF0CBYTE[].BIT[]\u4E2D\u62EC\u53F7\u4E2D\u4E0D\u80FD\u6709 - \u53F7"},
        {"CHAR[ -1]", L"CHAR[]\uFF0C\u4E2D\u62EC\u53F7\u4E2D\u4E0D\u80FD\u6709 - \u53F7"},
    };
    for (const Case& c : cases) {
        CMathematical math;
        std::string error;
        EXPECT_FALSE(math.Parse(error, c.expression)) << c.expression;
        std::wstring wide;
        ASSERT_TRUE(CodePageToWide(kCodePageGbk, error.data(), error.size(), wide));
        EXPECT_EQ(wide, c.text) << c.expression;
    }
}

TEST(Mathematical, PostfixOrder)
{
    struct Case {
        const char* expression;
        const char* postfix;
    } cases[] = {
        {"-5+3", "-5 3 +"},       {"2 - 3", "2 3 -"},
        {"1+2*3", "1 2 3 * +"},   {"(1+2)*3", "1 2 + 3 *"},
        {"8/4/2", "8 4 / 2 /"},   {"!!1", "1 ! !"},
        {"a ? b1 : c2", "1 2 ?"}, {"1?2:3+4", "1 2 3 4 + ?"},
        {"x == 0x1F", "0x1F =="}, {"\"t\" + BYTE[1].BIT[2]", "\"t\" BYTE[1].BIT[2] +"},
    };
    for (const Case& c : cases) {
        CMathematical math;
        std::string error;
        ASSERT_TRUE(math.Parse(error, c.expression)) << c.expression;
        EXPECT_EQ(math.Postfix(), c.postfix) << c.expression;
    }
    EXPECT_EQ(CMathematical::Precedence("("), 200);
    EXPECT_EQ(CMathematical::Precedence("~"), 190);
    EXPECT_EQ(CMathematical::Precedence("<<"), 160);
    EXPECT_EQ(CMathematical::Precedence("||"), 90);
    EXPECT_EQ(CMathematical::Precedence(":"), 80);
    EXPECT_EQ(CMathematical::Precedence(","), 60);
    EXPECT_EQ(CMathematical::Precedence("12"), 0);
}

TEST(Mathematical, HexNumbersCountOtherCharactersAsZero)
{
    EXPECT_EQ(ParseHex64("0x1F"), 0x1Fu);
    EXPECT_EQ(ParseHex64("0X1g"), 0x10u);
    EXPECT_EQ(ParseHex64("0x"), 0u);
    EXPECT_EQ(ParseHex32("0x123456789"), 0x23456789u);
    EXPECT_EQ(ParseHex64("0xFFFFFFFFFFFFFFFFF"), 0xFFFFFFFFFFFFFFFFu);
}

} // namespace

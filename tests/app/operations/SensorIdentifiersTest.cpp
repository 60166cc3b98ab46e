#include "SensorIdentifiers.h"

#include "VehicleRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <set>

namespace {

CSensorParam Param(const std::wstring& code, const std::wstring& idLength)
{
    CSensorParam record;
    record.fields[0] = code;
    record.fields[7] = idLength;
    return record;
}

TEST(SensorIdentifiersTest, RandomInRangeKeepsTheGeneratorsArithmetic)
{
    struct Case {
        int seed, low, range, expected;
    };
    // Worked by hand: seed x 950706376 (wrapping), remainder by 2^31 - 1,
    // unsigned / (2^32 - 1) x range, truncated.
    const Case cases[] = {
        {0, 0xFFF, 0xFFFFFF, 0xFFF}, // a zero seed always yields low
        {1, 0xFFF, 0xFFFFFF, 0x38AAA0},     {1, 0xFF, 0xFFFF, 0x38AA},          {1, 0xFFF, 0xFFFFF, 0x38AA9},
        {12345, 0xFFF, 0xFFFFFF, 0x9C234B}, {32767, 0xFFF, 0xFFFFFF, 0x17B95F}, {3304, 0xFF, 0xFFFF, 0x5A2A},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RandomInRange(c.seed, c.low, c.range), c.expected) << c.seed;
}

// The duplicates that n identifiers drawn by RandomInRange from uniform
// seeds have on average: n minus the expected count of distinct values, where
// a value below low never comes, one of [low, 2 low) comes twice as often (the
// generator moves [0, low) up by low) and every other one once in range.
double ExpectedDuplicates(int n, int low, int range)
{
    const double once = 1.0 / range;
    auto distinct = [n](double p, double values) { return values * (1 - std::pow(1 - p, n)); };
    return n - distinct(2 * once, low) - distinct(once, range - 2.0 * low);
}

TEST(SensorIdentifiersTest, TenThousandNewIdentifiersRepeatNoMoreThanChanceDoes)
{
    constexpr int kIds = 10000;
    struct Case {
        const wchar_t* length;
        int low, range;
        uint32_t prefix, prefixShift;
    };
    // The three lengths, one prefix each ("firstid" 0x40).
    const Case cases[] = {
        {L"4", 0xFFF, 0xFFFFFF, 0x40, 24}, {L"3.5", 0xFFF, 0xFFFFF, 0x40, 20}, {L"3", 0xFF, 0xFFFF, 0x40, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length);
        std::set<std::wstring> seen;
        for (int i = 0; i < kIds; ++i) {
            const GeneratedId id = GenerateSensorId(Param(L"040", c.length), 0x040, L"0x40", true, NewIdSeed());
            const uint32_t value = static_cast<uint32_t>(std::wcstoul(id.text.c_str(), nullptr, 16));
            ASSERT_EQ(value >> c.prefixShift, c.prefix) << id.text;
            ASSERT_GE(value - (c.prefix << c.prefixShift), static_cast<uint32_t>(c.low)) << id.text;
            seen.insert(id.text);
        }
        const double expected = ExpectedDuplicates(kIds, c.low, c.range);
        const int duplicates = kIds - static_cast<int>(seen.size());
        // Six standard deviations and more: a run of the right generator
        // never reaches it, one seeded by the millisecond or with 15 bits
        // (about 1,400 duplicates of 10,000 in the widest range) always does.
        EXPECT_LE(duplicates, expected + 6 * std::sqrt(expected) + 10) << "expected about " << expected;
    }
}

TEST(SensorIdentifiersTest, NewSeedsSpanThirtyTwoBitsAndTwoInARowDiffer)
{
    std::set<int> seeds;
    bool above15Bits = false, negative = false;
    for (int i = 0; i < 1000; ++i) {
        const int seed = NewIdSeed();
        above15Bits = above15Bits || seed > 0x7FFF;
        negative = negative || seed < 0;
        seeds.insert(seed);
    }
    EXPECT_TRUE(above15Bits);
    EXPECT_TRUE(negative);
    // 1,000 draws of 2^32: one repeat comes once in about 8,600 runs, two
    // once in about 10^8.
    EXPECT_GE(seeds.size(), 999u);
}

TEST(SensorIdentifiersTest, LargestIdentifierOfADigitCount)
{
    EXPECT_EQ(MaxValueForHexDigits(0), 1u);
    EXPECT_EQ(MaxValueForHexDigits(1), 0xFu);
    EXPECT_EQ(MaxValueForHexDigits(6), 16777215u);
    EXPECT_EQ(MaxValueForHexDigits(7), 268435455u);
    EXPECT_EQ(MaxValueForHexDigits(8), 4294967295u);
    EXPECT_EQ(MaxValueForHexDigits(16), UINT64_MAX);
    EXPECT_EQ(MaxValueForHexDigits(40), UINT64_MAX);
}

TEST(SensorIdentifiersTest, DigitsAndWidthLimitByIdentifierLength)
{
    struct Case {
        const wchar_t* code;
        const wchar_t* length;
        int hex, dec;
        uint64_t max;
    };
    const Case cases[] = {
        {L"040", L"4", 8, 10, 0xFFFFFFFFu}, {L"1A3", L"3.5", 7, 9, 0xFFFFFFFu},
        {L"0B2", L"3", 6, 8, 0xFFFFFFu},    {L"040", L"", 8, 10, 0xFFFFFFFFu}, // an empty field counts as "4"
        {L"1ED", L"4", 6, 8, 0xFFFFFFu},                                       // "1ED" has 6 digits whatever its length
        {L"1ED", L"3.5", 6, 8, 0xFFFFFFu},
    };
    for (const Case& c : cases) {
        const CSensorParam record = Param(c.code, c.length);
        EXPECT_EQ(IdDigitsOf(record).hex, c.hex) << c.code << " " << c.length;
        EXPECT_EQ(IdDigitsOf(record).dec, c.dec) << c.code << " " << c.length;
        EXPECT_EQ(MaxIdOf(record), c.max) << c.code << " " << c.length;
        // At the limit in both bases, and one past it.
        const std::wstring hexLimit = FormatIdText(static_cast<uint32_t>(c.max), true, &record);
        EXPECT_EQ(static_cast<int>(hexLimit.size()), c.hex);
        EXPECT_EQ(ParseIdText(hexLimit, 16).value64, c.max);
        const ParsedId decLimit = ParseIdText(std::to_wstring(c.max), 10);
        EXPECT_EQ(decLimit.result, IdParse::Ok);
        EXPECT_LE(decLimit.value64, MaxIdOf(record));
        EXPECT_GT(ParseIdText(std::to_wstring(c.max + 1), 10).value64, MaxIdOf(record));
    }
}

TEST(SensorIdentifiersTest, FormatIdText)
{
    const CSensorParam four = Param(L"040", L"4"), threeHalf = Param(L"1A3", L"3.5"), three = Param(L"0B2", L"3"),
                       sixDigit = Param(L"1ED", L"4");
    struct Case {
        uint32_t id;
        bool hex;
        const CSensorParam* record;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0x00ABCDEF, true, &four, L"00ABCDEF"},
        {0x00ABCDEF, true, &threeHalf, L"0ABCDEF"},
        {0x00ABCDEF, true, &three, L"ABCDEF"},
        {0x00ABCDEF, false, &four, L"11259375"},
        {0x00000001, true, &sixDigit, L"000001"},
        {0xFFFFFFFF, false, &three, L"4294967295"},
        {0x1234, true, nullptr, L"00001234"}, // no record: 8 digits
        {0x1234, false, nullptr, L"4660"},
        {0x12345678, true, &three, L"12345678"}, // wider than the sensor: never cut
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatIdText(c.id, c.hex, c.record), c.expected) << c.id;
}

TEST(SensorIdentifiersTest, PrefixByteFromFirstId)
{
    struct Case {
        const wchar_t* text;
        uint8_t expected;
    };
    const Case cases[] = {
        {L"FF", 0},      {L" ff ", 0},      {L"0x40", 0x40},
        {L"40", 0x40},   {L"FF(1A)", 0x1A}, {L"ff(2b)", 0x2B},
        {L"0xFF", 0},    {L"FFF", 0},       {L"", 0},
        {L"1234", 0x34}, {L"zz", 0},        {L"FF(100000000)", 0xFF}, // saturated at 32 bits, as wcstol was
    };
    for (const Case& c : cases)
        EXPECT_EQ(IdPrefixByte(c.text), c.expected) << std::string(c.text, c.text + wcslen(c.text));
}

TEST(SensorIdentifiersTest, AdjustBitThreeForFourCodes)
{
    EXPECT_EQ(AdjustNewSensorId(0x07C, 0x12345670), 0x12345678u); // ending in 0 ends in 8
    EXPECT_EQ(AdjustNewSensorId(0x081, 0x12345670), 0x12345678u);
    EXPECT_EQ(AdjustNewSensorId(0x073, 0x1234567F), 0x12345677u); // ending in F ends in 7
    EXPECT_EQ(AdjustNewSensorId(0x07E, 0x1234567F), 0x12345677u);
    EXPECT_EQ(AdjustNewSensorId(0x040, 0x1234567F), 0x1234567Fu);
    EXPECT_EQ(AdjustNewSensorId(0x107C, 0x10), 0x18u); // the low 12 bits of the code
}

TEST(SensorIdentifiersTest, GeneratedIdentifiersByLengthAndBase)
{
    struct Case {
        const wchar_t* code;
        const wchar_t* length;
        unsigned sensorCode;
        const wchar_t* firstid;
        bool hex;
        int seed;
        const wchar_t* expected;
        bool notSupported;
    };
    const Case cases[] = {
        {L"040", L"4", 0x040, L"0x40", true, 1, L"4038AAA0", false},
        {L"040", L"4", 0x040, L"FF", true, 1, L"0038AAA0", false}, // "FF": top byte 00
        {L"040", L"4", 0x040, L"FF", true, 0, L"00000FFF", false}, // zero seed: low
        {L"1A3", L"3.5", 0x1A3, L"0x1A", true, 1, L"1A38AA9", false},
        {L"0B2", L"3", 0x0B2, L"0x2B", true, 1, L"2B38AA", false},
        {L"07C", L"4", 0x07C, L"FF", true, 1, L"0038AAA8", false},     // bit 3 set
        {L"1ED", L"3", 0x1ED, L"FF(1A)", true, 1, L"38AAA0", false},   // hexadecimal: "1ED" first
        {L"1ED", L"3", 0x1ED, L"FF(1A)", false, 1, L"1718442", false}, // decimal: the length first: 0x1A38AA
        {L"1ED", L"5", 0x1ED, L"FF", false, 1, L"3713696", false},     // decimal "1ED" after the lengths
        {L"040", L"4", 0x040, L"0x40", false, 1, L"1077455520", false},
        {L"0C0", L"5", 0x0C0, L"FF", true, 1, L"", true},   // hexadecimal: not supported
        {L"0C0", L"5", 0x0C0, L"FF", false, 1, L"", false}, // decimal: empty without a word
    };
    for (const Case& c : cases) {
        const GeneratedId id = GenerateSensorId(Param(c.code, c.length), c.sensorCode, c.firstid, c.hex, c.seed);
        EXPECT_EQ(id.text, c.expected) << c.code << " " << c.hex;
        EXPECT_EQ(id.notSupported, c.notSupported) << c.code << " " << c.hex;
    }
}

TEST(SensorIdentifiersTest, TypedIdentifiersParseWholeOrNotAtAll)
{
    struct Case {
        const wchar_t* text;
        int base;
        IdParse result;
        uint64_t value64;
        uint32_t value32;
    };
    const Case cases[] = {
        {L"", 16, IdParse::Empty, 0, 0},
        {L"12G4", 16, IdParse::Invalid, 0, 0},
        {L"12A4", 10, IdParse::Invalid, 0, 0},
        {L"0x12", 16, IdParse::Invalid, 0, 0},
        {L" 12", 10, IdParse::Invalid, 0, 0},
        {L"-1", 10, IdParse::Invalid, 0, 0},
        {L"00ABCDEF", 16, IdParse::Ok, 0xABCDEF, 0xABCDEF},
        {L"abcdef", 16, IdParse::Ok, 0xABCDEF, 0xABCDEF},
        {L"4294967295", 10, IdParse::Ok, 4294967295u, 0xFFFFFFFF},
        // Beyond 32 bits the 64-bit value shows it; the 32-bit one saturates as wcstoul did.
        {L"4294967296", 10, IdParse::Ok, 4294967296u, 0xFFFFFFFF},
        {L"9999999999", 10, IdParse::Ok, 9999999999u, 0xFFFFFFFF},
        {L"99999999999999999999999", 10, IdParse::Ok, UINT64_MAX, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        const ParsedId id = ParseIdText(c.text, c.base);
        EXPECT_EQ(id.result, c.result) << c.base;
        EXPECT_EQ(id.value64, c.value64) << c.base;
        EXPECT_EQ(id.value32, c.value32) << c.base;
    }
}

TEST(SensorIdentifiersTest, ThirtyTwoBitLibraryConversions)
{
    EXPECT_EQ(WcsToULong32(L"ffffffff", 16), 0xFFFFFFFFu);
    EXPECT_EQ(WcsToULong32(L"100000000", 16), 0xFFFFFFFFu); // saturates
    EXPECT_EQ(WcsToULong32(L"-1", 10), 0xFFFFFFFFu);        // negated
    EXPECT_EQ(WcsToULong32(L"  0x1Fz", 16), 0x1Fu);
    EXPECT_EQ(WcsToULong32(L"12G4", 16), 0x12u);
    EXPECT_EQ(WcsToLong32(L"7FFFFFFF", 16), 0x7FFFFFFF);
    EXPECT_EQ(WcsToLong32(L"80000000", 16), 0x7FFFFFFF);
    EXPECT_EQ(WcsToLong32(L"-80000000", 16), INT32_MIN);
    EXPECT_EQ(WcsToLong32(L"-99999999999", 10), INT32_MIN);
    EXPECT_EQ(WcsToLong32(L"0x", 16), 0);
}

} // namespace

#include "TextScrambling.h"
#include "FixedScrambleRandom.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>

namespace {

// Installs a source that always gives the same byte, for the scope.
TEST(TextScrambling, ScrambledLengthFollowsTheTextLength)
{
    const struct {
        size_t plain;
        size_t scrambled;
    } cases[] = {{0, 4}, {1, 4}, {2, 4}, {3, 8}, {4, 8}, {5, 8}, {6, 12}, {300, 404}};
    for (const auto& c : cases) {
        const std::string text(c.plain, 'x');
        const std::string s = StrEncrypt(text.c_str(), static_cast<int>(text.size()));
        EXPECT_EQ(s.size(), c.scrambled) << c.plain;
        EXPECT_EQ(StrDecrypt(s), text) << c.plain;
    }
}

TEST(TextScrambling, FixedVectors)
{
    // Lead byte 0x11 with its low bits replaced by the filler count marker,
    // bit-reversed text, filler 0x11; then base64.
    FixedScrambleRandom r(0x11);
    const struct {
        std::string plain;
        const char* scrambled;
    } cases[] = {
        {"", "ERER"},          // lead + two filler bytes
        {"AB", "EIJC"},        // 3 bytes, no filler
        {"abc", "EYZGxhER"},   // two filler bytes
        {"Brelk", "EEJOpjbW"}, // 6 bytes, no filler
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrEncrypt(c.plain.c_str(), -1), c.scrambled) << c.plain;
        EXPECT_EQ(StrDecrypt(c.scrambled), c.plain) << c.scrambled;
    }
}

TEST(TextScrambling, ZeroRandomByteBecomesAA)
{
    FixedScrambleRandom r(0);
    EXPECT_EQ(StrEncrypt("", -1), "qaqq"); // A9 AA AA
}

TEST(TextScrambling, DecryptLengthRules)
{
    FixedScrambleRandom r(0x11);
    const std::string s = StrEncrypt("/vornix/composesource/tpms_na.xml", -1);
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {s + ",", "/vornix/composesource/tpms_na.xml"}, // the index's trailing comma
        {s + "ab", "/vornix/composesource/tpms_na.xml"}, {"", ""}, {"E", ""}, {"ERE", ""}, {"ERER", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrDecrypt(c.in), c.out) << c.in;
}

TEST(TextScrambling, BytesWithZerosAndHighValuesRoundTrip)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    all += std::string("\0\0", 2);
    const std::string s = StrEncrypt(all.data(), static_cast<int>(all.size()));
    for (char c : s)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/');
    EXPECT_EQ(StrDecrypt(s), all);
    // A negative length stops at the first zero.
    EXPECT_EQ(StrDecrypt(StrEncrypt("ab\0cd", -1)), "ab");
    EXPECT_EQ(StrDecrypt(StrEncrypt(nullptr, 5)), "");
}

TEST(TextScrambling, CharactersOutsideTheAlphabetDecodeAsZero)
{
    std::string bytes;
    ASSERT_TRUE(StrDecodeBlock("E!A=", 4, bytes));
    EXPECT_EQ(bytes, std::string("\x10\x00\x00", 3));
    // Bytes above 0x7F are outside the alphabet too and read nothing out of range.
    ASSERT_TRUE(StrDecodeBlock("\xff\x80\xC3\xA9", 4, bytes));
    EXPECT_EQ(bytes, std::string("\0\0\0", 3));
    EXPECT_NO_FATAL_FAILURE(StrDecrypt("\xff\xfe\xfd\xfc\x80\x81\x82\x83"));
}

TEST(TextScrambling, BlockLengthRules)
{
    const uint8_t in[6] = {0x10, 0x82, 0x42, 0xff, 0x00, 0x01};
    std::string out = "old";
    EXPECT_FALSE(StrEncodeBlock(in, 0, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(StrEncodeBlock(in, 4, out));
    EXPECT_FALSE(StrEncodeBlock(nullptr, 3, out));
    ASSERT_TRUE(StrEncodeBlock(in, 6, out));
    EXPECT_EQ(out, "EIJC/wAB");

    EXPECT_FALSE(StrDecodeBlock("EIJ", 3, out));
    EXPECT_TRUE(StrDecodeBlock("", 0, out));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(StrDecodeBlock("EIJC/wAB", 8, out));
    EXPECT_EQ(out, std::string(reinterpret_cast<const char*>(in), 6));
}

TEST(TextScrambling, PermuteBitsIsBitReversal)
{
    uint8_t b[] = {0x01, 0x0F, 0xA5, 0x41, 0x00, 0xFF};
    PermuteBits(b, sizeof b);
    const uint8_t want[] = {0x80, 0xF0, 0xA5, 0x82, 0x00, 0xFF};
    EXPECT_EQ(std::memcmp(b, want, sizeof b), 0);
    PermuteBits(b, sizeof b);
    const uint8_t back[] = {0x01, 0x0F, 0xA5, 0x41, 0x00, 0xFF};
    EXPECT_EQ(std::memcmp(b, back, sizeof b), 0);
    PermuteBits(nullptr, 3);
}

TEST(TextScrambling, DefaultSourceVariesTheScrambledForm)
{
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i)
        seen.insert(StrEncrypt("hello", -1));
    EXPECT_GT(seen.size(), 1u);
    for (const auto& s : seen)
        EXPECT_EQ(StrDecrypt(s), "hello");
}

} // namespace

#include "ProtocolText.h"
#include "BitField.h"
#include "ByteText.h"

#include <gtest/gtest.h>

namespace {

TEST(ProtocolTextTest, PathAndCase)
{
    EXPECT_EQ(ToBackslashPath("Upgrade/F7V4Bin/F7_01.bin"), "Upgrade\\F7V4Bin\\F7_01.bin");
    std::string text = "AbC-Z_z\xC4";
    ToLowerInPlace(text);
    EXPECT_EQ(text, "abc-z_z\xC4");
}

TEST(ProtocolTextTest, SplitString)
{
    struct Case {
        const char* text;
        const char* delimiter;
        std::vector<std::string> parts;
    } cases[] = {
        {"a,,b", ",", {"a", "", "b"}},
        {"a,b,", ",", {"a", "b", ""}},
        {",", ",", {"", ""}},
        {"abc", ",", {"abc"}},
        {"1::2::3", "::", {"1", "2", "3"}},
        {"", ",", {}},
        {"abc", "", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> out;
        EXPECT_EQ(SplitString(c.delimiter, out, c.text), static_cast<int>(c.parts.size())) << c.text;
        EXPECT_EQ(out, c.parts) << c.text;
    }
}

TEST(ProtocolTextTest, JoinAndReplace)
{
    EXPECT_EQ(JoinStrings({"a", "", "b"}, ", "), "a, , b");
    EXPECT_EQ(JoinStrings({}, ","), "");

    std::string text = "01, 02 ,03";
    EXPECT_EQ(ReplaceAll(" ", text, ""), 3);
    EXPECT_EQ(text, "01,02,03");
    text = "no blank";
    EXPECT_EQ(ReplaceAll("x", text, "y"), 1);
    EXPECT_EQ(text, "no blank");
    // Nothing to split at must not erase the text.
    EXPECT_EQ(ReplaceAll("", text, "y"), 0);
    EXPECT_EQ(text, "no blank");
}

TEST(ProtocolTextTest, HexTextToBinary)
{
    struct Case {
        const char* text;
        const char* delimiter;
        const char* bytes;
    } cases[] = {
        {"0x1A,ff, 0B", ",", "1A FF 0B"},
        {"abc", "", "0A BC"},
        {"0X1A0xFF", "", "1A FF"},
        {"12345", "", "01 23 45"},
        {"", "", ""},
        {"0x", "", ""},
        {"", ",", ""},
        {"1A,,0B", ",", "1A 00 0B"}, // an empty part reads as 0
        {"123,7", ",", "23 07"},     // the low 8 bits of each value
        {"AA 55", " ", "AA 55"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToHex(HexTextToBinary(c.text, c.delimiter)), c.bytes) << '"' << c.text << '"';
}

TEST(ProtocolTextTest, BinaryToTextAndBits)
{
    EXPECT_EQ(BinaryToText(Hex("0A FF 00"), " ", "%02X"), "0A FF 00");
    EXPECT_EQ(BinaryToText(Hex("0A FF"), "", "0x%02X, "), "0x0A, 0xFF, ");
    EXPECT_EQ(BinaryToText(Hex("07"), ",", "%d"), "7");
    EXPECT_EQ(BinaryToText(CBinary(), ",", "%02X"), "");
    EXPECT_EQ(ByteToBitText(0xA5), "10100101");
    EXPECT_EQ(ByteToBitText(0x00), "00000000");
}

TEST(ProtocolTextTest, BitTextToBinary)
{
    EXPECT_EQ(ToHex(BitTextToBinary("100000000")), "01 00");
    EXPECT_EQ(ToHex(BitTextToBinary("10100101")), "A5");
    EXPECT_EQ(ToHex(BitTextToBinary("101")), "05");
    EXPECT_EQ(ToHex(BitTextToBinary("")), "");
}

TEST(ProtocolTextTest, Integers)
{
    EXPECT_EQ(ToHex(IntegerToBinary(0x1234, 1)), "34");
    EXPECT_EQ(ToHex(IntegerToBinary(0x1234, 3)), "00 12 34");
    EXPECT_EQ(ToHex(IntegerToBinary(0, 2)), "00 00");
    EXPECT_EQ(ToHex(IntegerToBinary(0xDEADBEEF, 6)), "00 00 DE AD BE EF");
    EXPECT_EQ(IntegerToBinary(5, 0).GetSize(), 0);
    EXPECT_EQ(IntegerToBinary(5, 255).GetSize(), 255);
    EXPECT_EQ(IntegerToBinary(5, 256).GetSize(), 0);
    EXPECT_EQ(IntegerToBinary(5, -1).GetSize(), 0);
    EXPECT_EQ(Hex("00 12 34").ToInteger(), 0x1234u);
}

TEST(ProtocolTextTest, BinaryToStringStopsAtTheTerminator)
{
    EXPECT_EQ(BinaryToString(CBinary("01,02\0junk", 10)), "01,02");
    EXPECT_EQ(BinaryToString(CBinary("01", 2)), "01");
    EXPECT_EQ(BinaryToString(CBinary()), "");
}

TEST(BitFieldTest, GetBits)
{
    struct Case {
        const char* bytes;
        int offset;
        int count;
        const char* field;
    } cases[] = {
        {"A5 0F", 4, 8, "50"},     {"A5 0F", 4, 4, "05"},
        {"A5 0F", 0, 16, "A5 0F"},                            // byte-aligned: copied
        {"A5 0F", 8, 8, "0F"},     {"A5 0F", 3, 10, "00 A1"}, // 00 1010 0001, right-aligned in two bytes
        {"A5 0F", 4, -1, "05 0F"},                            // up to the end: 12 bits
        {"A5 0F", 16, -1, ""},     {"A5 0F", 9, 8, ""},       // runs past the last bit
        {"A5 0F", -1, 4, ""},      {"A5 0F", 0, 0, ""},
        {"", 0, -1, ""},           {"FF FF FF FF FF", 1, 33, "01 FF FF FF FF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToHex(GetBits(Hex(c.bytes), c.offset, c.count)), c.field)
            << c.bytes << " @" << c.offset << " +" << c.count;
}

TEST(BitFieldTest, SetBits)
{
    struct Case {
        const char* source;
        const char* target;
        int offset;
        int count;
        const char* result;
    } cases[] = {
        {"A0", "00 00", 4, 4, "0A 00"}, // the first 4 bits of the source
        {"FF", "00 00", 6, 4, "03 C0"},
        {"12 34", "AA BB CC", 8, 16, "AA 12 34"}, // byte-aligned
        {"F0", "", 12, 4, "00 0F"},               // the target grows with 00 bytes
        {"80", "FF", 0, 1, "FF"},
        {"00", "FF", 7, 1, "FE"},
        {"F0", "00", 0, 9, "00"}, // the source lacks bits: nothing
        {"F0", "00", -1, 4, "00"},
        // A count of 0 writes no bit, but the target still grows to the offset.
        {"F0", "", 12, 0, "00 00"},
        {"", "AB", 20, 0, "AB 00 00"},
        {"F0", "AB CD", 8, 0, "AB CD"},
        {"F0", "AB", 0, 0, "AB"},
        {"F0", "00", 4, -1, "00"}, // a negative count: nothing
    };
    for (const Case& c : cases) {
        CBinary target = Hex(c.target);
        SetBits(Hex(c.source), target, c.offset, c.count);
        EXPECT_EQ(ToHex(target), c.result) << c.source << " @" << c.offset << " +" << c.count;
    }
}

TEST(BitFieldTest, SetBitsLeavesSharersAlone)
{
    CBinary target = Hex("00 00");
    CBinary sharer(target);
    SetBits(Hex("FF"), target, 3, 5);
    EXPECT_EQ(ToHex(target), "1F 00");
    EXPECT_EQ(ToHex(sharer), "00 00");
}

TEST(BitFieldTest, InsertBits)
{
    struct Case {
        const char* source;
        int start;
        int count;
        const char* target;
        int position;
        const char* result;
    } cases[] = {
        {"00", 0, 4, "11 22 33", 0, "00 11 22 33"},
        {"10", 0, 4, "FF", 0, "01 FF"}, // 0001 in front: 0001 1111 1111
        {"F0", 0, 4, "00", 4, "00 F0"}, // 0000 1111 0000
        {"0F", 4, 4, "00", 8, "00 0F"}, // at the end: 0000 0000 1111
        {"C0", 0, 2, "00", 0, "03 00"},
        {"FF", 0, 0, "12", 3, "12"},
        {"FF", 4, 8, "00", 0, "F0 00"},   // source bits behind its end read as 0: 1111 0000
        {"80", 4, 8, "AB", 0, "00 AB"},   // 0000 0000 from bit 4 on, half of them missing
        {"FF", 0, 4, "AB", 100, "0A BF"}, // a position behind the end appends
        {"FF", 0, 4, "", 0, "0F"},
    };
    for (const Case& c : cases) {
        CBinary target = Hex(c.target);
        InsertBits(Hex(c.source), c.start, c.count, target, c.position);
        EXPECT_EQ(ToHex(target), c.result) << c.source << " into " << c.target << " @" << c.position;
    }
}

} // namespace

#include "TsVerify.h"
#include "ByteText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const CTsVerify& verify = CTsVerify::GetInstance();

CBinary Text(const char* s) { return CBinary(s, static_cast<int>(std::strlen(s))); }

TEST(TsVerifyTest, CrcRoutinesOnTheStandardCheckStrings)
{
    EXPECT_EQ(verify.Crc16(Text("abc"), 0x0000, 0x8005), 0xCADB);
    EXPECT_EQ(verify.Crc8(Text("123"), 0x00, 0x07), 0xC0);
    // "123456789", the catalogued check values of the same parameter sets.
    EXPECT_EQ(verify.Crc8(Text("123456789"), 0x00, 0x07), 0xF4);        // CRC-8
    EXPECT_EQ(verify.Crc16(Text("123456789"), 0x0000, 0x8005), 0xFEE8); // CRC-16/UMTS
    EXPECT_EQ(verify.Crc16(Text("123456789"), 0xFFFF, 0x1021), 0x29B1); // CRC-16/CCITT-FALSE
    EXPECT_EQ(verify.Crc16(Text("123456789"), 0x0000, 0x1021), 0x31C3); // CRC-16/XMODEM
    EXPECT_EQ(verify.Crc8Lsb(Text("123456789"), 0x00, 0x8C), 0xA1);     // CRC-8/MAXIM
}

// Each value worked out by hand from the type's rule; "s" stands for one
// shift step of the register (left, ^ poly on a carry out of the top bit).
struct VerifyCase {
    uint32_t type;
    const char* data;
    uint16_t init;
    uint16_t poly;
    uint32_t expected;
    const char* how;
};

const VerifyCase kCases[] = {
    {0, "01", 0, 0x07, 0x07, "01 shifted 7 times is 80, the 8th shift carries: 00 ^ 07"},
    {1, "01", 0, 0x8005, 0x8005, "0100 shifted 7 times is 8000, the 8th carries: 0000 ^ 8005"},
    {2, "01 02 03", 0, 0, 0x06, "1 + 2 + 3"},
    {2, "FF 02", 0x10, 0, 0x11, "10 + FF + 02 = 111, mod 256"},
    {3, "01 02 03", 0, 0, 0x00, "1 ^ 2 ^ 3"},
    {3, "0F", 0xF0, 0, 0xFF, "F0 ^ 0F"},
    {4, "01 02 03", 0, 0, 0xFFFFFFFA, "-(6) as 32 bits"},
    {4, "", 0, 0, 0x00000000, "-(0)"},
    {5, "0F", 0, 0x07, 0x2D, "low 4 bits 1111: per bit s then ^07: 07, 0E^07=09, 12^07=15, 2A^07=2D"},
    {5, "FF", 0, 0x07, 0x2D, "the high 4 bits of byte 0 are not taken"},
    {5, "00 00 00 00 C1", 0, 0x07, 0x07, "byte 4 gives only 000001: zeros keep 0, the last 1 gives 07"},
    {6, "04", 0, 0, 0xFA, "04 + 01 + 00 + 00 = 05, NOT is FA"},
    {6, "FF", 1, 0, 0xAE, "01 + FF + 3F + 0F + 03 = 151, mod 256 51, NOT is AE"},
    {7, "01", 0, 0x8005, 0xDAC6, "8005 (as type 1) ^ 5AC3"},
    {8, "01", 0, 0x07, 0xD1, "07 (as type 0) ^ D6"},
    {9, "04", 0, 0, 0x02, "FA (as type 6) & 3"},
    {10, "C1", 0, 0, 0x02, "C1 ^ (C1 >> 6 = 03) = C2, & 3F"},
    {10, "41 80", 0, 0, 0x02, "(41 ^ 01) ^ (80 ^ 02) = 40 ^ 82 = C2, & 3F"},
    {11, "1F", 0, 0, 0x5D, "1F's 5 bits on top: F8; 5 s with 07: F7 E9 D5 AD 5D"},
    {11, "FF", 0, 0, 0x5D, "only the low 5 bits of byte 0"},
    {12, "C1", 0, 0, 0x85, "(02 (as type 10) << 1) | 81"},
    {13, "80", 0, 0, 0x89, "bit 1: 00 ^ 07 = 07; seven 0 bits: 0E 1C 38 70 E0 C7 89"},
    {14, "04", 0, 0, 0xFA, "as type 6"},
    {15, "01", 0, 0x07, 0x69, "07 (as type 0) ^ 6E"},
    {16, "01 02 03", 0x12, 0x34, 0x00, "always 0"},
    {17, "49", 0, 0, 0x00, "49 ^ 49 = 0; the missing bytes are 0 and zeros stay 0"},
    {17, "49 00 00 00 01", 0, 0, 0x40, "0 after 32 steps; ^ 01 then 6 steps: 40"},
    {17, "49 00 00 00 01 FF", 0, 0, 0x40, "a sixth byte is not read"},
    {18, "00 01", 0, 0x07, 0xD2,
     "c = CRC8(01) = 07; start (NOT 00 & 40) | (00 & 30) = 40; 40^07 = 47, 8 s: 8E 1B 36 6C D8 B7 69 D2"},
    {18, "40 01", 0, 0x07, 0x15, "start (BF & 40) | (40 & 30) = 00; 07, 8 s: 0E 1C 38 70 E0 C7 89 15"},
    {18, "", 0x55, 0x07, 0x00, "no byte 0: 0"},
    {19, "01", 0, 0x07, 0xFFFFFFE8, "07 - 1F = -24"},
    {20, "01", 0, 0x07, 0xFFFFFFD9, "07 - 2E = -39"},
    {21, "01", 0, 0x07, 0x80, "start = sum 01; 01 ^ 01 = 00, stays 00; | 80"},
    {22, "80", 0, 0x07, 0xE0, "80 reversed is 01; CRC8 07; reversed E0"},
    {23, "81", 0, 0x8005, 0x0085, "81 - 80 = 01; CRC16 8005; 80 - 80 = 00, 05 - 80 = 85"},
    {24, "01", 0, 0x8C, 0x5E, "right shifts ^8C on a 1 out: 8C 46 23 9D C2 61 BC 5E"},
    {25, "01 02 03", 0x12, 0x34, 0x00, "no such type"},
    {1000, "01", 0, 0x07, 0x00, "no such type"},
};

TEST(TsVerifyTest, EveryVerifyTypeOnAHandWorkedInput)
{
    bool covered[25] = {};
    for (const VerifyCase& c : kCases)
        if (c.type < 25)
            covered[c.type] = true;
    for (int type = 0; type < 25; ++type)
        EXPECT_TRUE(covered[type]) << "no case for type " << type;
    for (const VerifyCase& c : kCases)
        EXPECT_EQ(verify.Calc(c.type, Hex(c.data), c.init, c.poly), c.expected)
            << "type " << c.type << " of " << c.data << ": " << c.how;
}

TEST(TsVerifyTest, EmptyDataGivesTheInitialValue)
{
    EXPECT_EQ(verify.Calc(0, CBinary(), 0x5A, 0x07), 0x5Au);
    EXPECT_EQ(verify.Calc(1, CBinary(), 0x1234, 0x8005), 0x1234u);
    EXPECT_EQ(verify.Calc(2, CBinary(), 0x5A, 0), 0x5Au);
    EXPECT_EQ(verify.Calc(3, CBinary(), 0x5A, 0), 0x5Au);
    EXPECT_EQ(verify.Calc(24, CBinary(), 0x5A, 0x8C), 0x5Au);
    // The 8-bit routines take the low byte of a 16-bit initial value.
    EXPECT_EQ(verify.Calc(0, CBinary(), 0x125A, 0x07), 0x5Au);
}

TEST(TsVerifyTest, SumAndXorRoutines)
{
    EXPECT_EQ(verify.Sum8(Hex("80 80 01"), 0x02), 0x03);
    EXPECT_EQ(verify.Xor8(Hex("F0 0F"), 0x01), 0xFE);
}

} // namespace

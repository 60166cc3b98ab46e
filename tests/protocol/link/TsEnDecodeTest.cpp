#include "TsEnDecode.h"
#include "ByteText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

CTsEnDecode& coder = CTsEnDecode::GetInstance();

TEST(TsEnDecodeTest, ChipsPerBit)
{
    const int expected[] = {2, 2, 2, 2, 3, 1, 2, 2, 3, 1, 1};
    for (uint32_t type = 0; type <= 10; ++type)
        EXPECT_EQ(CTsEnDecode::GetChipsPerBit(type), expected[type]) << type;
    EXPECT_EQ(CTsEnDecode::GetChipsPerBit(0xFFFFFFFF), 1);
}

// Chip strings worked out by hand from the code tables; the spaces in the
// comments separate the chips of one data bit.
TEST(TsEnDecodeTest, EncodeByteExact)
{
    struct Case {
        const char* data;
        uint32_t type;
        const char* chips;
    } cases[] = {
        {"A5", 0, "99 66"}, // 10 01 10 01 01 10 01 10
        {"A5", 1, "66 99"}, // 01 10 01 10 10 01 10 01
        {"00 FF", 0, "55 55 AA AA"},
        {"80", 4, "D2 49 24"}, // 110 then seven times 100
        {"00", 4, "92 49 24"}, // eight times 100
        {"80", 8, "9B 6D B6"}, // 100 then seven times 110
        {"5A", 5, "5A"},       // the bits themselves, ending on the byte border
        {"A5 3C", 5, "A5 3C"},
        // 2: a preset 1 chip, then from level 0: a 1 changes the level at the
        // start and in the middle (10), each 0 only in the middle (01, 10, ...);
        // chip 16 and the rest of its byte stay 1.
        {"80", 2, "CC CC FF"}, // 1 | 10 01 10 01 10 01 10 01 | 1111111
        // 3: a leading 1 chip (byte 80), then from level 1: 01 10 01 ...; the
        // tail of the last byte is 1.
        {"80", 3, "B3 33 7F"}, // 1 | 01 10 01 10 01 10 01 10 | 0111111
        {"A5", 6, "00 00"},    // no levels for 6, 7 and above 8
        {"A5", 7, "00 00"},
        {"A5", 9, "00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToHex(coder.Encode(Hex(c.data), c.type)), c.chips) << c.data << " type " << c.type;
}

TEST(TsEnDecodeTest, EncodeOfNothingIsNothing)
{
    for (uint32_t type = 0; type <= 9; ++type)
        EXPECT_TRUE(coder.Encode(CBinary(), type).IsEmpty()) << type;
}

TEST(TsEnDecodeTest, DecodeByteExact)
{
    struct Case {
        const char* chips;
        uint32_t type;
        uint8_t start;
        const char* data;
        int errors;
    } cases[] = {
        {"99 66", 0, 0, "A5", 0},
        {"99 F0", 0, 0, "A0", 0}, // 10 01 10 01 then 11: over after four bits
        {"99 00", 0, 0, "A0", 0}, // a 00 group ends it as well
        {"66 99", 1, 0, "A5", 0},
        {"D2 49 24", 4, 0, "80", 0},
        {"DE 49 24", 4, 0, "80", 1}, // 110 111 100 100 100 100 100 100: the 111 is skipped
        {"FF", 4, 0, "80", 2},       // 111 111 11+0: the last group is completed with 0
        {"9B 6D B6", 8, 0, "80", 0},
        {"5A", 5, 0, "5A", 0},
        {"5A", 9, 0, "5A", 0}, // one chip per bit against the reference 1
        {"33", 6, 0, "F0", 0}, // 00 11 00 11: equal chips are 1
        {"99 66", 6, 0, "00", 0},
        {"99 66", 7, 0, "FF", 0}, // differing chips are 1
        // 2 and 3: bit 0 is chip 0 against the start level, then chips 1-2,
        // 3-4, ... give 1 when equal. CC CC FF = 1100 1100 1100 1100 1111 1111:
        // 1, then (1,0) (0,1) ... eight times 0, then (1,1) three times: 1000 0000 0111.
        {"CC CC FF", 2, 0x80, "80 70", 0},
        {"CC CC FF", 2, 0x00, "00 70", 0},
        {"B3 33 7F", 3, 0x80, "80 70", 0}, // 1011 0011 0011 0011 0111 1111
        {"B3 33 7F", 3, 0x00, "00 70", 0},
    };
    for (const Case& c : cases) {
        int errors = -1;
        EXPECT_EQ(ToHex(coder.Decode(Hex(c.chips), c.type, errors, c.start)), c.data) << c.chips << " type " << c.type;
        EXPECT_EQ(errors, c.errors) << c.chips << " type " << c.type;
    }
}

TEST(TsEnDecodeTest, DecodeOfNothingLeavesTheErrorCountAlone)
{
    for (uint32_t type = 0; type <= 9; ++type) {
        int errors = 42;
        EXPECT_TRUE(coder.Decode(CBinary(), type, errors, 0x80).IsEmpty());
        EXPECT_EQ(errors, 42);
    }
    int errors = 42;
    EXPECT_TRUE(coder.Decode(Hex("00"), 0, errors, 0).IsEmpty()); // 00 ends before the first bit
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(coder.Decode(Hex("FF FF FF"), 4, errors, 0).IsEmpty()); // every group skipped
    EXPECT_EQ(errors, 8);
}

// The codes whose encoder and decoder share one convention give the data back.
TEST(TsEnDecodeTest, RoundTripOfTheSymmetricCodes)
{
    std::mt19937 random(7);
    for (uint32_t type : {0u, 1u, 4u, 5u, 8u}) {
        for (int size : {1, 2, 7, 64, 300}) {
            std::vector<uint8_t> data(static_cast<size_t>(size));
            for (uint8_t& b : data)
                b = static_cast<uint8_t>(random());
            CBinary in(data.data(), size);
            int errors = -1;
            CBinary out = coder.Decode(coder.Encode(in, type), type, errors, 0);
            EXPECT_EQ(ToHex(out), ToHex(in)) << "type " << type << " size " << size;
            EXPECT_EQ(errors, 0);
        }
    }
}

TEST(TsEnDecodeTest, EncodeThatWouldPassTheLargestBufferGivesNothing)
{
    std::vector<uint8_t> data(20000, 0x55);
    EXPECT_TRUE(coder.Encode(CBinary(data.data(), 20000), 4).IsEmpty());
    EXPECT_EQ(coder.Encode(CBinary(data.data(), 20000), 5).GetSize(), 20000);
}

TEST(TsEnDecodeTest, WriteBits)
{
    struct Case {
        int bit;
        uint32_t value;
        int n;
        const char* before;
        const char* after;
    } cases[] = {
        {7, 0x2, 2, "00 00", "BF 00"}, // 10, then the byte's tail set to 1
        {1, 0x5, 3, "00 00", "02 FF"}, // 1 0 | 1 into the next byte, whose tail is 1
        {0, 0x0, 1, "FF FF", "FE FF"}, {3, 0xFF, 4, "00 00", "0F 00"},
        {7, 0x1, 9, "00 00", "00 00"}, // more than 8 bits: nothing
        {8, 0x1, 1, "00 00", "00 00"}, // no such bit: nothing
        {7, 0x0, 0, "00 00", "00 00"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = ToVector(Hex(c.before));
        WriteBits(bytes.data(), c.bit, c.value, c.n);
        EXPECT_EQ(ToHex(CBinary(bytes.data(), 2)), c.after) << c.bit << " " << c.n;
    }
}

} // namespace

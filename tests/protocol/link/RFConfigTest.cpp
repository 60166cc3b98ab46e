#include "RFConfig.h"
#include "ByteText.h"
#include "ProtocolText.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "TsVerify.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The RF input form from named fields, big-endian, so that tables say what
// they set.
struct RfInput {
    uint8_t recvMode = 0x21;
    uint16_t bps = 9600;
    uint8_t bps2 = 0x07;
    uint8_t codeType = 1;
    uint16_t rfCfgSize = 64;
    uint16_t vfType = 2;
    uint16_t preValue = 0;
    uint16_t ploy = 0;
    uint16_t vfPos = 24;
    uint8_t vfLen = 8;
    uint16_t shWidth = 0x1234;
    uint8_t shWidth2 = 0x56;
    uint16_t shSize = 16;
    std::string mask = "FF";  // (vfLen + 7) / 8 bytes
    std::string sh = "12 34"; // (shSize + 7) / 8 bytes
    std::string tail = "";    // frame-type byte last

    CBinary Bytes() const
    {
        CBinary b;
        auto be16 = [&b](uint16_t v) {
            b.Add(static_cast<uint8_t>(v >> 8));
            b.Add(static_cast<uint8_t>(v));
        };
        b.Add(recvMode);
        be16(bps);
        b.Add(bps2);
        b.Add(codeType);
        be16(rfCfgSize);
        be16(vfType);
        be16(preValue);
        be16(ploy);
        be16(vfPos);
        b.Add(vfLen);
        be16(shWidth);
        b.Add(shWidth2);
        be16(shSize);
        b.Append(Hex(mask));
        b.Append(Hex(sh));
        b.Append(Hex(tail));
        return b;
    }
};

class RFConfigTest : public ::testing::Test {
protected:
    ScopedDataFolder data;
    TraceCapture trace;
};

TEST_F(RFConfigTest, ANewConfiguration)
{
    CRFConfig rf;
    EXPECT_EQ(rf.RecvMode, 64);
    EXPECT_EQ(rf.CheckMask, 255u);
    EXPECT_TRUE(rf.m_SHData.IsEmpty());
    EXPECT_EQ(rf.FrameType, 0);
}

TEST_F(RFConfigTest, InitSetsEveryField)
{
    RfInput in;
    in.vfLen = 16;
    in.mask = "0F FF";
    in.sh = "AA 55";
    in.preValue = 0x1122;
    in.ploy = 0x8005;
    in.vfType = 7;
    CRFConfig rf;
    ASSERT_TRUE(rf.Init(in.Bytes()));
    EXPECT_EQ(rf.RecvMode, 0x21);
    EXPECT_EQ(rf.Bps, 9600);
    EXPECT_EQ(rf.Bps2, 7);
    EXPECT_EQ(rf.CodeType, 1u);
    EXPECT_EQ(rf.RfCfgSize, 64);
    EXPECT_EQ(rf.m_VfType, 7);
    EXPECT_EQ(rf.PreValue, 0x1122);
    EXPECT_EQ(rf.Ploy, 0x8005);
    EXPECT_EQ(rf.m_VfPos, 24);
    EXPECT_EQ(rf.m_VfLen, 16);
    EXPECT_EQ(rf.SHWidth, 0x1234);
    EXPECT_EQ(rf.SHWidth2, 0x56);
    EXPECT_EQ(rf.SHSize, 16);
    EXPECT_EQ(rf.CheckMask, 0x0FFFu);
    EXPECT_EQ(ToHex(rf.GetShData()), "AA 55");
    EXPECT_EQ(rf.FrameType, 0); // nothing behind the blocks: kept
}

TEST_F(RFConfigTest, CheckMaskBlock)
{
    struct Case {
        uint8_t vfLen;
        const char* mask;
        uint32_t expected;
    } cases[] = {
        {0, "", 0}, // no block: 0
        {4, "0F", 0x0F},
        {17, "01 FF FF", 0x01FFFF},
        {40, "11 22 33 44 55", 0x22334455}, // only the last four bytes count
    };
    for (const Case& c : cases) {
        RfInput in;
        in.vfLen = c.vfLen;
        in.mask = c.mask;
        CRFConfig rf;
        ASSERT_TRUE(rf.Init(in.Bytes())) << int(c.vfLen);
        EXPECT_EQ(rf.CheckMask, c.expected) << int(c.vfLen);
        EXPECT_EQ(ToHex(rf.m_SHData), "12 34") << int(c.vfLen);
    }
}

TEST_F(RFConfigTest, TheFrameTypeIsTheLastByteBehindTheBlocks)
{
    RfInput in;
    in.tail = "FD";
    CRFConfig rf;
    ASSERT_TRUE(rf.Init(in.Bytes()));
    EXPECT_EQ(rf.FrameType, 0xFD);
    in.tail = "00 00 F8";
    ASSERT_TRUE(rf.Init(in.Bytes()));
    EXPECT_EQ(rf.FrameType, 0xF8);
    in.tail = "";
    ASSERT_TRUE(rf.Init(in.Bytes()));
    EXPECT_EQ(rf.FrameType, 0xF8); // absent: kept
}

TEST_F(RFConfigTest, RefusedInputs)
{
    CRFConfig rf;
    CBinary twenty = CBinary(RfInput().Bytes().GetBuffer(), 20);
    EXPECT_FALSE(rf.Init(twenty));
    EXPECT_TRUE(trace.Contains({"[ERROR] RFConfig Init Error. Length less than 21. 20"}));

    RfInput mode;
    mode.recvMode = 64;
    EXPECT_FALSE(rf.Init(mode.Bytes()));
    EXPECT_TRUE(trace.Contains({"[ERROR] RFConfig Init RecvMode Error. Mode Is 64"}));
    EXPECT_EQ(rf.RecvMode, 64);

    RfInput code;
    code.recvMode = 3;
    code.bps = 4800;
    code.codeType = 9;
    EXPECT_FALSE(rf.Init(code.Bytes()));
    EXPECT_TRUE(trace.Contains({"[ERROR] RFConfig Init Decode Type. Type Is 9"}));
    EXPECT_EQ(rf.RecvMode, 3); // these two are already taken
    EXPECT_EQ(rf.Bps, 4800);
    EXPECT_EQ(rf.RfCfgSize, 0);
}

// The input must hold both blocks its own lengths announce.
TEST_F(RFConfigTest, AnInputShorterThanItsBlocksIsRefused)
{
    CRFConfig rf;
    RfInput good;
    good.sh = "AB CD";
    ASSERT_TRUE(rf.Init(good.Bytes()));

    struct Case {
        uint8_t vfLen;
        uint16_t shSize;
        const char* blocks;
    } cases[] = {
        {8, 16, "FF 12"},    // one sync byte missing
        {8, 16, ""},         // both blocks missing
        {32, 0, "FF FF FF"}, // the mask needs 4 bytes
        {0, 65535, "12 34"}, // 8192 sync bytes announced
        {255, 0, ""},
    };
    for (const Case& c : cases) {
        RfInput in;
        in.vfLen = c.vfLen;
        in.shSize = c.shSize;
        in.mask = c.blocks;
        in.sh = "";
        EXPECT_FALSE(rf.Init(in.Bytes())) << int(c.vfLen) << " " << c.shSize;
    }
    EXPECT_TRUE(trace.Contains({"[ERROR] RFConfig Init Error. Length less than 24. 23"}));
    // The earlier configuration is untouched.
    EXPECT_EQ(ToHex(rf.m_SHData), "AB CD");
    EXPECT_EQ(rf.m_VfLen, 8);
    EXPECT_EQ(rf.SHSize, 16);
}

TEST_F(RFConfigTest, WireForm)
{
    RfInput in;
    CRFConfig rf;
    ASSERT_TRUE(rf.Init(in.Bytes()));
    // 500000 / 9600 = 52 us per chip, 2 chips per bit for code 1, 2 x 64 chips.
    EXPECT_EQ(ToHex(rf.ToToolData()), "21 02 34 00 07 80 00 34 12 56");

    struct Case {
        uint32_t codeType;
        uint16_t bps;
        uint16_t size;
        const char* wire;
    } cases[] = {
        {1, 9600, 10, "21 02 34 00 07 20 00 34 12 56"}, // 20 chips: at least 32
        {4, 9600, 64, "21 03 34 00 07 C0 00 34 12 56"}, // 3 chips per bit
        {8, 19200, 64, "21 03 1A 00 07 C0 00 34 12 56"},
        {5, 9600, 64, "21 01 34 00 07 40 00 34 12 56"},    // 1 chip per bit
        {0, 0, 64, "21 02 34 00 07 80 00 34 12 56"},       // no rate: 52
        {2, 1, 64, "21 02 FF FF 07 80 00 34 12 56"},       // 500000 clamped to 16 bits
        {4, 9600, 30000, "21 03 34 00 07 FF FF 34 12 56"}, // 90000 chips clamped
    };
    for (const Case& c : cases) {
        rf.CodeType = c.codeType;
        rf.Bps = c.bps;
        rf.RfCfgSize = c.size;
        EXPECT_EQ(ToHex(rf.ToToolData()), c.wire) << c.codeType << " " << c.bps << " " << c.size;
    }
}

TEST_F(RFConfigTest, LastSyncHeaderLevel)
{
    struct Case {
        const char* sh;
        uint16_t bits;
        uint8_t level;
    } cases[] = {
        {"12 34", 16, 0x00},                                           // 0011 0100: bit 15 is 0
        {"12 35", 16, 0x80}, {"12 34", 14, 0x80},                      // bit 13
        {"12 34", 13, 0x00}, {"80", 1, 0x80},     {"12 34", 24, 0x00}, // fewer bytes than the size needs
        {"12 34", 0, 0x00},
    };
    for (const Case& c : cases) {
        CRFConfig rf;
        rf.m_SHData = Hex(c.sh);
        rf.SHSize = c.bits;
        EXPECT_EQ(rf.GetShLastLevel(), c.level) << c.sh << " " << c.bits;
    }
}

TEST_F(RFConfigTest, CopyFromSharesTheBuffers)
{
    RfInput in;
    in.tail = "FE";
    CRFConfig a;
    ASSERT_TRUE(a.Init(in.Bytes()));
    a.SetStatesCode(Hex("11 22"), 3, 4);
    CRFConfig b;
    b.CopyFrom(a);
    EXPECT_EQ(ToHex(b.ToToolData()), ToHex(a.ToToolData()));
    EXPECT_EQ(b.FrameType, 0xFE);
    EXPECT_EQ(b.m_StatesPos, 3);
    EXPECT_EQ(b.m_StatesLen, 4);
    EXPECT_TRUE(b.m_SHData.SharesWith(a.m_SHData));
    EXPECT_TRUE(b.m_StatesCode.SharesWith(a.m_StatesCode));
    EXPECT_TRUE(b.GetShData().SharesWith(a.m_SHData));
}

// A sum check (verify type 2) over the bytes before bit 24, the check byte at 24.
class RfCheckTest : public RFConfigTest {
protected:
    void SetUp() override
    {
        rf.m_VfType = 2;
        rf.m_VfPos = 24;
        rf.m_VfLen = 8;
        rf.RfCfgSize = 32;
        rf.CheckMask = 0xFF;
    }
    CRFConfig rf;
};

TEST_F(RfCheckTest, CheckField)
{
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 06")), RF_CHECK_VALID);
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 06 99")), RF_CHECK_VALID); // longer is fine
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 07")), RF_CHECK_INVALID);
    rf.CheckMask = 0x0E;
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 07")), RF_CHECK_VALID); // only the masked bits count
    rf.CheckMask = 0;
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 77")), RF_CHECK_VALID);
    EXPECT_EQ(rf.CalcVerify(Hex("01 02 03 77")), 6u);
}

TEST_F(RfCheckTest, AnUnalignedCheckField)
{
    // Bits before 20 checked (the byte at the cut with its low bits cleared),
    // the 8-bit check at bit 20: 01 02 3 | 0 6 | 0.
    rf.m_VfPos = 20;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("01 02 3F 60"))), "01 02 30");
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 33 30")), RF_CHECK_VALID);
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 33 40")), RF_CHECK_INVALID);
}

TEST_F(RfCheckTest, ShortTelegramsAreInvalidAndNeverReadPastTheirEnd)
{
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03")), RF_CHECK_INVALID);
    EXPECT_TRUE(
        trace.Contains({"[ERROR] CRFConfig::CheckRfData.Check Error! The Data(24) is Less Than RfCfgSize(32)!"}));
    EXPECT_EQ(rf.CheckRfData(CBinary()), RF_CHECK_INVALID);

    rf.m_VfPos = 40;
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 06")), RF_CHECK_INVALID);
    EXPECT_TRUE(trace.Contains({"[ERROR] CRFConfig::CheckRfData.Check Error! The VfPos(40) More Than RfCfgSize(32)!"}));
    // Beyond RfCfgSize but inside the telegram: checked.
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 04 05 0F")), RF_CHECK_VALID);

    // A check field running past the end reads as 0.
    rf.m_VfPos = 28;
    rf.m_VfType = 3; // XOR: 01 ^ 02 ^ 03 ^ 00 = 00
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 0F")), RF_CHECK_VALID);
    rf.m_VfType = 2;
    EXPECT_EQ(rf.CheckRfData(Hex("01 02 03 0F")), RF_CHECK_INVALID);
}

TEST_F(RfCheckTest, StateCodes)
{
    // State: the 4 bits at bit 4.
    rf.SetStatesCode(Hex("03 05"), 4, 4);
    EXPECT_EQ(rf.CheckRfData(Hex("05 00 00 05")), RF_CHECK_VALID);
    EXPECT_EQ(rf.CheckRfData(Hex("03 00 00 03")), RF_CHECK_VALID);
    EXPECT_EQ(rf.CheckRfData(Hex("04 00 00 04")), RF_CHECK_STATE_UNLISTED);
    EXPECT_EQ(rf.CheckRfData(Hex("04 00 00 05")), RF_CHECK_INVALID); // the check decides first

    rf.SetStatesCode(CBinary(), 4, 4); // an empty list accepts every state
    EXPECT_EQ(rf.CheckRfData(Hex("04 00 00 04")), RF_CHECK_VALID);

    rf.SetStatesCode(Hex("00"), 30, 8); // a state field past the end reads as 0
    EXPECT_EQ(rf.CheckRfData(Hex("04 00 00 04")), RF_CHECK_VALID);
}

TEST_F(RFConfigTest, VerifyRangeByFrameType)
{
    const CBinary t = Hex("A1 B2 C3 D4 E5 F6 07 18");
    const CBinary ones = Hex("FF FF FF FF FF FF 00 00");
    struct Case {
        uint8_t frameType;
        const CBinary& telegram;
        const char* range;
        const char* how;
    } cases[] = {
        {0x00, t, "A1 B2 C3 D4 E5 F6", "the 48 bits before the check"},
        {0x01, t, "00 A1 B2 C3 D4 E5 F6", "0000 in front, packed from the end"},
        {0x03, t, "00 A1 B2 C3 D4 E5 F6", "00 in front"},
        {0x04, t, "01 A1 B2 C3 D4 E5 F6", "0001 in front"},
        {0x06, t, "00 A1 B2 C3 D4 E5 F6", "000 in front"},
        {0x08, t, "0A 01 B2 C3 D4 E5 F6", "1010 | 0000 | 0001 1011 ..."},
        {0x02, ones, "00 03 FF FF FC FF FF FF", "000 in front (00 FF..), then 00 before bit 32"},
        {0x05, ones, "00 3C 3F FF FF F3 FF FF", "0000 before bit 4 (0F 0F FF..), then 00 before bit 38"},
        {0x07, ones, "00 38 C7 FF FF FF FF FF", "000 before bit 5 (1F 1F FF..), then 000 before bit 8"},
        {0xF9, t, "B2 C3 D4 E5 F6", "bytes 1 to 48 / 8 - 1"},
        {0xFE, t, "18 A1 B2 C3 D4 E5 F6", "the 8 bits from bit 56 in front"},
        {0x80, t, "A1 B2 C3 D4 E5", "last byte dropped"},
        {0xF7, t, "A1 B2 C3 D4 E5", "last byte dropped"},
        {0x09, t, "A1 B2 C3 D4 E5 F6", "no change"},
        {0x7F, t, "A1 B2 C3 D4 E5 F6", "no change"},
        {0xF8, t, "A1 B2 C3 D4 E5 F6", "no change"},
        {0xFA, t, "A1 B2 C3 D4 E5 F6", "no change"},
        {0xFF, t, "A1 B2 C3 D4 E5 F6", "no change"},
    };
    for (const Case& c : cases) {
        CRFConfig rf;
        rf.m_VfPos = 48;
        rf.FrameType = c.frameType;
        EXPECT_EQ(ToHex(rf.GetVerifyRange(c.telegram)), c.range) << std::hex << int(c.frameType) << ": " << c.how;
    }
}

TEST_F(RFConfigTest, VerifyRangeOfAShortTelegramReadsMissingBitsAsZero)
{
    CRFConfig rf;
    rf.m_VfPos = 20;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("A1"))), "A1 00 00");
    rf.m_VfPos = 48;
    rf.FrameType = 0xFE;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("A1 B2 C3 D4 E5 F6 07"))), "00 A1 B2 C3 D4 E5 F6");
    rf.FrameType = 0xF9;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("A1 B2 C3"))), "B2 C3 00 00 00");
    rf.m_VfPos = 8;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("A1 B2 C3"))), "");
    rf.m_VfPos = 0;
    rf.FrameType = 0x80;
    EXPECT_EQ(ToHex(rf.GetVerifyRange(Hex("A1"))), "");
}

TEST_F(RFConfigTest, CalcVerifyRunsTheVerifyTypeOverTheRange)
{
    CRFConfig rf;
    rf.m_VfType = 0;
    rf.PreValue = 0;
    rf.Ploy = 0x07;
    rf.m_VfPos = 24;
    rf.FrameType = 0xFE; // 8 bits from bit 32 in front: "1" "2" "3" -> "4" "1" "2" "3"
    EXPECT_EQ(rf.CalcVerify(Hex("31 32 33 00 34")), CTsVerify::GetInstance().Crc8(Hex("34 31 32 33"), 0, 0x07));
    rf.FrameType = 0;
    EXPECT_EQ(rf.CalcVerify(Hex("31 32 33 00")), 0xC0u);
}

TEST_F(RFConfigTest, FramePreparations)
{
    CRFConfig rf;
    rf.m_SHData = Hex("12 34 57");
    const CBinary frame = Hex("AB CD");
    EXPECT_EQ(ToHex(rf.BuildShData(frame)), "57 AB CD");
    EXPECT_EQ(ToHex(rf.BuildShData2(frame)), "34 57 AB CD");
    // 57 AB CD six bits earlier: (57 << 6 | AB >> 2) (AB << 6 | CD >> 2) (CD << 6).
    EXPECT_EQ(ToHex(rf.BuildShDataShift6(frame)), "EA F3 40");
    EXPECT_EQ(ToHex(rf.BuildShDataAa(frame)), "AA AA EA F3 40");
    EXPECT_EQ(ToHex(rf.BuildMarkShift6(frame)), "AA F3 40"); // 02 AB CD shifted
    // 34 57 AB CD four bits earlier, one byte shorter.
    EXPECT_EQ(ToHex(rf.BuildShData2Shift4(frame)), "45 7A BC");

    // A short sync header gives what it has.
    rf.m_SHData = Hex("57");
    EXPECT_EQ(ToHex(rf.BuildShData2(frame)), "57 AB CD");
    rf.m_SHData = CBinary();
    EXPECT_EQ(ToHex(rf.BuildShData(frame)), "AB CD");
    EXPECT_EQ(ToHex(rf.BuildShData2Shift4(CBinary())), "");
    EXPECT_EQ(ToHex(rf.BuildShDataShift6(CBinary())), "");
    EXPECT_EQ(ToHex(rf.BuildMarkShift6(CBinary())), "80");
}

CBinary Text(const char* s) { return CBinary(s, static_cast<int>(std::strlen(s)) + 1); } // with its NUL

TEST_F(RFConfigTest, SpecialSyncBlock)
{
    RfShConfigBlock block{};
    CRFConfig::ParseShConfig(Text("01, 02,03,04,0C,AA,BB,77"),
                             Text("B0,B1,B2,B3,B4,B5,08,10,03,11,22,33,02,A1,A2,01,F1"), block);
    EXPECT_EQ(ToHex(CBinary(block.data(), 8)), "01 02 03 04 0C AA BB 00");
    EXPECT_EQ(block[45], 0x77);
    EXPECT_EQ(ToHex(CBinary(&block[46], 6)), "B0 B1 B2 B3 B4 B5");
    EXPECT_EQ(block[52], 0x08); // states length
    EXPECT_EQ(block[53], 0x10); // states position
    EXPECT_EQ(block[54], 3);
    EXPECT_EQ(ToHex(CBinary(&block[55], 4)), "11 22 33 00");
    EXPECT_EQ(block[95], 2);
    EXPECT_EQ(ToHex(CBinary(&block[96], 3)), "A1 A2 00");
    EXPECT_EQ(block[136], 1);
    EXPECT_EQ(ToHex(CBinary(&block[137], 2)), "F1 00");
}

TEST_F(RFConfigTest, SpecialSyncBlockOfShortTexts)
{
    RfShConfigBlock block{};
    // 9 to 13 bytes: the states code is everything from byte 8 on.
    CRFConfig::ParseShConfig(Text("01,02,03"), Text("B0,B1,B2,B3,B4,B5,08,10,11,22"), block);
    EXPECT_EQ(block[0], 0); // a first text of 4 bytes or fewer fills nothing
    EXPECT_EQ(block[54], 2);
    EXPECT_EQ(ToHex(CBinary(&block[55], 3)), "11 22 00");
    EXPECT_EQ(block[95], 0);

    RfShConfigBlock empty{};
    CRFConfig::ParseShConfig(CBinary(), CBinary(), empty);
    EXPECT_EQ(empty, RfShConfigBlock{});
}

// Sizes in the texts that promise more than they hold copy only what is there.
TEST_F(RFConfigTest, SpecialSyncBlockCopiesOnlyThePresentBytes)
{
    RfShConfigBlock block;
    block.fill(0xEE);
    CRFConfig::ParseShConfig(Text("01,02,03,04,FF,AA"), Text("B0,B1,B2,B3,B4,B5,08,10,32,11,22,33,44,55"), block);
    EXPECT_EQ(block[4], 0xFF); // 255 bits announced
    EXPECT_EQ(block[5], 0xAA); // one byte present
    EXPECT_EQ(block[6], 0xEE); // the rest untouched
    EXPECT_EQ(block[45], 0);   // nothing behind them
    EXPECT_EQ(block[54], 5);   // 0x32 announced, 5 present
    EXPECT_EQ(ToHex(CBinary(&block[55], 6)), "11 22 33 44 55 EE");
    EXPECT_EQ(block[95], 0xEE); // no ask-space size in the text

    // 45 state bytes announced and present: 40 are taken, and the ask-space
    // size is read behind all 45.
    std::string second = "B0,B1,B2,B3,B4,B5,08,10,2D";
    for (int i = 0; i < 45; ++i)
        second += ",C" + std::to_string(i % 10);
    second += ",30,D1,D2"; // 0x30 ask bytes announced, 2 present
    block.fill(0);
    CRFConfig::ParseShConfig(Text("00"), Text(second.c_str()), block);
    EXPECT_EQ(block[54], 40);
    EXPECT_EQ(block[94], 0xC9);
    EXPECT_EQ(block[95], 2);
    EXPECT_EQ(ToHex(CBinary(&block[96], 3)), "D1 D2 00");
    EXPECT_EQ(block[136], 0);
}

} // namespace

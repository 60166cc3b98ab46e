#include "TsSnData.h"
#include "ByteText.h"
#include "FirmwareContainerWriter.h"
#include "Paths.h"
#include "TempFolder.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

class TsSnDataTest : public ::testing::Test {
protected:
    void Write(int type, const FirmwareContainerWriter& writer)
    {
        writer.WriteTo(program.File(FirmwareContainerName(type)));
    }
    void WriteOne(int type, int number, const std::vector<uint8_t>& plain)
    {
        FirmwareContainerWriter writer;
        writer.Add(FirmwareMemberName(type, number), plain);
        Write(type, writer);
    }
    static std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 0)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(i * 13 + seed);
        return bytes;
    }

    ScopedDataFolder data;
    TempFolder program;
    ScopedEnv programDir{"BRELK_PROGRAM_DIR", program.Path()};
    TraceCapture trace;
};

TEST_F(TsSnDataTest, ImageNamesOfEveryFamily)
{
    struct Case {
        int type;
        int number;
        const char* name;
    } cases[] = {
        {1, 0x0A, "F6Bin/F6_0A.bin"},     {2, 0x3C, "F7Bin/F7_3C.bin"},   {3, 0xA3, "F7V4Bin/F7_0A3.bin"},
        {4, 0x20B, "F6V4Bin/F6_20B.bin"}, {5, 0x001, "ATBin/AT_001.bin"}, {6, 0xFFF, "N8V4Bin/N8_FFF.bin"},
        {7, 0x10, "ACV4Bin/AC_010.bin"},  {0, 0xA3, "0A3.bin"},           {9, 0x5, "005.bin"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTsSnData::ImageName(c.type, c.number), c.name) << c.type;
}

TEST_F(TsSnDataTest, EachFamilyReadsItsMemberFromItsContainer)
{
    for (int type = 1; type <= 7; ++type) {
        const int number = type == 1 ? 0x0A : 0xA3;
        FirmwareContainerWriter writer;
        writer.Add(FirmwareMemberName(type, number + 1), Pattern(100, 1)); // a neighbour first
        writer.Add(FirmwareMemberName(type, number), Pattern(200, static_cast<uint8_t>(type)));
        Write(type, writer);
        CTsSnData image(type, number);
        ASSERT_TRUE(image.IsLoaded()) << type;
        EXPECT_EQ(ToVector(image.GetImage()), Pattern(200, static_cast<uint8_t>(type))) << type;
    }
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(TsSnDataTest, TheCurrentFolderComesFirst)
{
    WriteOne(3, 0xA3, Pattern(32, 1));
    TempFolder current;
    FirmwareContainerWriter writer;
    writer.Add("F7_0A3.bin", Pattern(32, 2));
    writer.WriteTo(current.File("f7v4bin.BIN")); // names match whatever their case
    const std::string before = GetCurrentFolder();
    ASSERT_EQ(chdir(current.Path().c_str()), 0);
    CTsSnData first(3, 0xA3);
    ASSERT_EQ(chdir(before.c_str()), 0);
    EXPECT_EQ(ToVector(first.GetImage()), Pattern(32, 2));
    CTsSnData fallback(3, 0xA3);
    EXPECT_EQ(ToVector(fallback.GetImage()), Pattern(32, 1));
}

TEST_F(TsSnDataTest, MissingContainerAndMember)
{
    CTsSnData none(3, 0xA3);
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Open file failed: " + program.Path() + "/F7V4Bin.bin"}));
    EXPECT_TRUE(trace.Contains({"[ERROR]", "TsSnFileName ./F7V4Bin/F7_0A3.bin Decode Failed!"}));

    WriteOne(3, 0xA4, Pattern(32));
    trace.Clear();
    CTsSnData missing(3, 0xA3);
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_TRUE(trace.Contains({"[ERROR]", "Can`t find file:---F7_0A3.bin---"}));
    EXPECT_EQ(missing.GetTotalSize(), 0);
    EXPECT_TRUE(missing.GetConfigBlock().IsEmpty());
    EXPECT_TRUE(missing.GetHeaderBlock().IsEmpty());
    EXPECT_TRUE(missing.GetTrailerValues().empty());
    EXPECT_TRUE(missing.GetDataBlock().IsEmpty());
    EXPECT_TRUE(trace.Contains({"[ERROR]", "CTsSnData::GetDataBlock. File Not Open!"}));
}

TEST_F(TsSnDataTest, EntriesThatDoNotFitTheContainer)
{
    struct Case {
        std::optional<int> fill;
        std::optional<uint32_t> offset;
        std::optional<uint32_t> size;
        int plainSize; // -1: the load fails
        const char* why;
    } cases[] = {
        {5, {}, {}, 4091, "fill 5 on 4096 stored bytes"},
        {0, {}, {}, 4096, "no fill"},
        {{}, {}, {}, 4096, "the writer's own fill"},
        {16, {}, {}, 4080, "a whole block of fill"},
        {-1, {}, {}, -1, "negative fill"},
        {{}, {}, 4112, -1, "size past the end"},
        {{}, 0xFFFFFFF0u, {}, -1, "offset past the end"},
        {{}, 64u + 4096 - 16, 32, -1, "offset plus size past the end"},
        {{}, 64u + 16, 32, 32, "a part of the stored bytes"},
        {{}, {}, 0, 0, "nothing stored"},
    };
    for (const Case& c : cases) {
        FirmwareEntry e;
        e.name = "F7_0A3.bin";
        e.plain = Pattern(4096);
        e.fill = c.fill;
        e.offset = c.offset;
        e.size = c.size;
        FirmwareContainerWriter writer;
        writer.Add(e);
        Write(3, writer);
        CBinary out;
        const int result = LoadUpgradeBin("./F7V4Bin/F7_0A3.bin", out);
        if (c.plainSize < 0) {
            EXPECT_EQ(result, -1) << c.why;
            EXPECT_TRUE(out.IsEmpty()) << c.why;
        } else {
            EXPECT_EQ(result, 0) << c.why;
            EXPECT_EQ(out.GetSize(), c.plainSize) << c.why;
        }
    }
    // What the partial read decrypts is the member's second and third blocks.
    FirmwareEntry e;
    e.name = "F7_0A3.bin";
    e.plain = Pattern(4096);
    e.offset = 64 + 16;
    e.size = 32;
    FirmwareContainerWriter writer;
    writer.Add(e);
    Write(3, writer);
    CBinary out;
    ASSERT_EQ(LoadUpgradeBin("./F7V4Bin/F7_0A3.bin", out), 0);
    EXPECT_EQ(ToVector(out), std::vector<uint8_t>(e.plain.begin() + 16, e.plain.begin() + 48));
}

TEST_F(TsSnDataTest, TheNameIsLookedForInTheNameFieldOnly)
{
    struct Case {
        std::string text;
        bool found;
        const char* why;
    } cases[] = {
        {"F7_0A3.bin", true, "the name itself"},
        {"F7V4Bin\\F7_0A3.bin", true, "a text that contains it"},
        {std::string(34, ' ') + "F7_0A3.bin", true, "ending at byte 44"},
        {std::string(35, ' ') + "F7_0A3.bin", false, "running past the name field"},
        {std::string("x\0F7_0A3.bin", 12), false, "behind the NUL"},
        {"F7_0A3.bi", false, "cut short"},
    };
    for (const Case& c : cases) {
        FirmwareEntry e;
        e.name = c.text;
        e.plain = Pattern(48);
        FirmwareContainerWriter writer;
        writer.Add(e);
        Write(3, writer);
        CTsSnData image(3, 0xA3);
        EXPECT_EQ(image.IsLoaded(), c.found) << c.why;
    }
    // The first entry that names it is the one used.
    FirmwareContainerWriter writer;
    writer.Add("old F7_0A3.bin", Pattern(48, 1));
    writer.Add("F7_0A3.bin", Pattern(48, 2));
    Write(3, writer);
    CTsSnData image(3, 0xA3);
    EXPECT_EQ(ToVector(image.GetImage()), Pattern(48, 1));
}

TEST_F(TsSnDataTest, AMemberTooLargeForABufferIsRefused)
{
    WriteOne(3, 0xA3, Pattern(32768));
    CBinary out;
    EXPECT_EQ(LoadUpgradeBin("./F7V4Bin/F7_0A3.bin", out), -1);
    WriteOne(3, 0xA3, Pattern(32767));
    EXPECT_EQ(LoadUpgradeBin("./F7V4Bin/F7_0A3.bin", out), 0);
    EXPECT_EQ(out.GetSize(), 32767);
}

TEST_F(TsSnDataTest, TrailerValuesPerFamily)
{
    struct Case {
        int type;
        int fromEnd;
        std::vector<uint8_t> head;
        int length;
        size_t values;
    } cases[] = {
        {3, 147, {0x44, 0x11, 0x11, 0xD5, 0x80}, 64, 10}, {4, 147, {0x44, 0x11, 0x11, 0xD5, 0x80}, 64, 10},
        {5, 216, {0x44, 0x11, 0x11, 0x3F, 0x00}, 64, 10}, {6, 163, {0x54, 0x11, 0x11, 0xE3, 0x70}, 80, 20},
        {7, 143, {0x40, 0x11, 0x11, 0x5F, 0x83}, 60, 15},
    };
    for (const Case& c : cases) {
        for (bool matching : {true, false}) {
            std::vector<uint8_t> plain = Pattern(400, 7);
            std::vector<uint8_t> head = c.head;
            if (!matching)
                head[4] ^= 0x01;
            std::copy(head.begin(), head.end(), plain.end() - c.fromEnd);
            WriteOne(c.type, 0x0A, plain);
            CTsSnData typed(c.type, 0x0A);
            const CBinary table = typed.GetHeaderBlock();
            if (!matching) {
                EXPECT_TRUE(typed.GetTrailerValues().empty()) << c.type;
                EXPECT_TRUE(table.IsEmpty()) << c.type;
                continue;
            }
            ASSERT_EQ(typed.GetTrailerValues().size(), c.values) << c.type;
            ASSERT_EQ(table.GetSize(), c.length) << c.type;
            const size_t start = plain.size() - static_cast<size_t>(c.fromEnd) + 5;
            EXPECT_EQ(ToVector(table), std::vector<uint8_t>(plain.begin() + static_cast<long>(start),
                                                            plain.begin() + static_cast<long>(start) + c.length));
            const uint32_t first = (uint32_t{plain[start]} << 24) | (uint32_t{plain[start + 1]} << 16) |
                                   (uint32_t{plain[start + 2]} << 8) | plain[start + 3];
            EXPECT_EQ(typed.GetTrailerValues().front(), first) << c.type;
        }
    }
    // The V1/V3 families have no trailer values, but their header block is read like F7V4's.
    std::vector<uint8_t> plain = Pattern(400, 7);
    const std::vector<uint8_t> head = {0x44, 0x11, 0x11, 0xD5, 0x80};
    std::copy(head.begin(), head.end(), plain.end() - 147);
    WriteOne(2, 0x0A, plain);
    CTsSnData f7(2, 0x0A);
    EXPECT_TRUE(f7.GetTrailerValues().empty());
    EXPECT_EQ(f7.GetHeaderBlock().GetSize(), 64);
}

TEST_F(TsSnDataTest, TheWriterLaysOutAnImageTheReaderTakesApart)
{
    for (int type : {3, 4, 6}) {
        V4ImageSpec spec = SampleV4Image(type, 0x1010, static_cast<uint8_t>(type));
        WriteOne(type, 0x2A, BuildV4Image(spec));
        CTsSnData image(type, 0x2A);
        ASSERT_TRUE(image.IsLoaded()) << type;
        EXPECT_EQ(image.GetTotalSize(), 0x1010) << type;
        EXPECT_EQ(image.GetTrailerValues(), spec.crcs) << type;
        EXPECT_EQ(ToVector(image.GetConfigBlock()), spec.config) << type;
        size_t blocks = 0;
        for (CBinary block = image.GetDataBlock(); !block.IsEmpty(); block = image.GetDataBlock(), ++blocks) {
            ASSERT_LT(blocks, spec.blocks.size());
            const FirmwareBlock& b = spec.blocks[blocks];
            EXPECT_EQ(block.GetAt(0), b.address >> 8);
            EXPECT_EQ(block.GetAt(1), b.address & 0xFF);
            EXPECT_EQ(ToVector(CBinary(block.GetBuffer() + 2, block.GetSize() - 2)), b.data);
        }
        EXPECT_EQ(blocks, spec.blocks.size()) << type;
        image.Rewind();
        EXPECT_EQ(image.GetDataBlock().GetSize(), 66);
    }
}

// 44 11 11, the start of a configuration record, fromEnd bytes before the end.
void PutConfigHead(std::vector<uint8_t>& image, size_t fromEnd)
{
    const uint8_t head[3] = {0x44, 0x11, 0x11};
    std::copy(head, head + 3, image.end() - static_cast<long>(fromEnd));
}

TEST_F(TsSnDataTest, ConfigurationBlocks)
{
    std::vector<uint8_t> plain = Pattern(300, 3);
    PutConfigHead(plain, 78);
    WriteOne(3, 0x01, plain);
    CTsSnData image(3, 0x01);
    EXPECT_EQ(ToVector(image.GetConfigBlock()), std::vector<uint8_t>(plain.end() - 78 + 5, plain.end() - 78 + 5 + 64));
    plain[plain.size() - 76] = 0x12;
    WriteOne(3, 0x01, plain);
    CTsSnData wrong(3, 0x01);
    EXPECT_TRUE(wrong.GetConfigBlock().IsEmpty());

    // Family 5 carries two halves of 64 bytes in one 138-byte record.
    std::vector<uint8_t> at = Pattern(300, 5);
    PutConfigHead(at, 147);
    WriteOne(5, 0x01, at);
    CTsSnData atImage(5, 0x01);
    std::vector<uint8_t> expected(at.end() - 147 + 5, at.end() - 147 + 69);
    expected.insert(expected.end(), at.end() - 147 + 74, at.end() - 147 + 138);
    EXPECT_EQ(ToVector(atImage.GetConfigBlock()), expected);

    // An image shorter than the record has none.
    WriteOne(3, 0x02, Pattern(70));
    CTsSnData tiny(3, 0x02);
    EXPECT_TRUE(tiny.GetConfigBlock().IsEmpty());
    EXPECT_TRUE(tiny.GetHeaderBlock().IsEmpty());
}

TEST_F(TsSnDataTest, DataBlockLengths)
{
    struct Case {
        int type;
        std::vector<uint8_t> image;
        std::vector<std::string> blocks; // what each call gives, "" for an empty block
        const char* why;
    } cases[] = {
        {1, {0x07, 1, 2, 3, 4, 0xA1, 0xA2, 9, 0x06, 1, 2, 3, 4, 0xB1, 9}, {"A1 A2", "B1", ""}, "V1: bytes 4 to L-2"},
        {1, {0x00, 0x07, 1, 2, 3, 4, 0xA1, 0xA2, 9}, {"", "A1 A2", ""}, "V1: length 0 moves one byte"},
        {2, {0x51, 0x07, 1, 2, 3, 4, 0xA1, 0xA2, 9}, {"", "A1 A2", ""}, "V1: length 81 moves one byte"},
        {1, {0x05, 1, 2, 3, 4, 9, 0x06, 1, 2, 3, 4, 0xB1, 9}, {"", "B1", ""}, "V1: length 5 holds nothing"},
        {1, {0x09, 1, 2, 3}, {"", ""}, "V1: a record cut off"},
        {3,
         {0x06, 0, 0, 0xC0, 0x00, 0xAA, 0xBB, 0x07, 0, 0, 0xC0, 0x02, 0xCC, 0xDD, 0xEE},
         {"C0 00 AA BB", "C0 02 CC DD EE", ""},
         "V4: N, 00 00, N - 2 bytes"},
        {3, {0x45, 0, 0, 0xC0}, {"", ""}, "V4: N of 69 cut off"},
        {3, {0x02, 0, 0, 0x05, 0, 0, 0xC0, 0x00, 0x11}, {"", "C0 00 11", ""}, "V4: N of 2 holds no address"},
        {4,
         {0x04, 0x11, 0x11, 0xD5, 0x80, 0x05, 0, 0, 0xC0, 0x00, 0x11},
         {"", "C0 00 11", ""},
         "V4: not 00 00: the whole record is passed"},
        {6, {0x45, 0, 0, 0xC0, 0x00}, {"", ""}, "V4: N of 69 is out of bounds"},
    };
    for (const Case& c : cases) {
        WriteOne(c.type, 0x01, c.image);
        CTsSnData typed(c.type, 0x01);
        ASSERT_TRUE(typed.IsLoaded()) << c.why;
        std::vector<std::string> got;
        for (size_t i = 0; i < c.blocks.size(); ++i)
            got.push_back(ToHex(typed.GetDataBlock()));
        EXPECT_EQ(got, c.blocks) << c.why;
    }
    // A V4 record of 68 is the largest: 66 bytes, address and 64 data bytes.
    std::vector<uint8_t> big = {0x44, 0, 0, 0xC0, 0x00};
    big.resize(69, 0x5A);
    big.push_back(0x45); // then 69: too long
    big.resize(big.size() + 69, 0x00);
    WriteOne(3, 0x01, big);
    CTsSnData image(3, 0x01);
    EXPECT_EQ(image.GetDataBlock().GetSize(), 66);
    EXPECT_TRUE(image.GetDataBlock().IsEmpty());
    EXPECT_TRUE(image.GetDataBlock().IsEmpty());
}

TEST_F(TsSnDataTest, TotalSize)
{
    std::vector<uint8_t> plain(200, 0x00);
    plain[200 - 6] = 0x12;
    plain[200 - 5] = 0x34;
    plain[200 - 79] = 0x0A;
    plain[200 - 78] = 0xBC;
    for (int type : {1, 2, 3, 6, 7}) {
        WriteOne(type, 0x01, plain);
        CTsSnData image(type, 0x01);
        EXPECT_EQ(image.GetTotalSize(), type <= 2 ? 0x0ABC : 0x1234) << type;
    }
    CTsSnData empty;
    EXPECT_EQ(empty.GetTotalSize(), 0);
    EXPECT_TRUE(empty.GetConfigBlock().IsEmpty());
}

TEST_F(TsSnDataTest, TheAcDataFile)
{
    TempFolder current;
    const std::string before = GetCurrentFolder();
    ASSERT_EQ(chdir(current.Path().c_str()), 0);
    const bool without = CTsSnData::HasAcV4File();
    current.Write("ACV4Bin.bin", "x");
    const bool with = CTsSnData::HasAcV4File();
    ASSERT_EQ(chdir(before.c_str()), 0);
    EXPECT_FALSE(without);
    EXPECT_TRUE(with);
}

} // namespace

namespace {

// What a writer is told of an image it cannot use: which container, and why.
TEST_F(TsSnDataTest, AnImageThatCannotBeUsedSaysWhichFileAndWhy)
{
    const std::vector<uint8_t> v4 = BuildV4Image(SampleV4Image(3, 0x400, 2));
    const std::vector<uint8_t> n8 = BuildV4Image(SampleV4Image(6, 0x400, 2));
    const std::vector<uint8_t> v1 = BuildV1Image(SampleV1BootImage(150, 2));
    std::vector<uint8_t> cutV1 = v1;
    cutV1.erase(cutV1.begin() + 20, cutV1.begin() + 30); // a record runs into the size word
    std::vector<uint8_t> badRecord = v4;
    badRecord[69 + 1] = 0x01; // the second record's 00 00 spoilt
    V4ImageSpec noConfig = SampleV4Image(3, 0x400, 2);
    noConfig.withConfig = false;
    struct Case {
        const char* what;
        int type;
        int number;
        // Writes the container; nothing: none is written.
        std::function<void()> write;
        ImageFault fault;
        bool loaded;
    } cases[] = {
        {"a whole V4 image", 3, 0xA3, [&] { WriteOne(3, 0xA3, v4); }, ImageFault::None, true},
        {"a whole N8 image", 6, 0x1A3, [&] { WriteOne(6, 0x1A3, n8); }, ImageFault::None, true},
        {"a whole V1 image", 2, 0xF5, [&] { WriteOne(2, 0xF5, v1); }, ImageFault::None, true},
        {"no container", 4, 0x7C, [] {}, ImageFault::ContainerMissing, false},
        {"no member", 3, 0xA3, [&] { WriteOne(3, 0xA4, v4); }, ImageFault::ImageMissing, false},
        {"an entry past the end", 3, 0xA3,
         [&] {
             FirmwareEntry e;
             e.name = "F7_0A3.bin";
             e.plain = v4;
             e.size = 0x100000;
             Write(3, FirmwareContainerWriter().Add(e));
         },
         ImageFault::ContainerDamaged, false},
        {"a container cut to half an entry", 3, 0xA3,
         [&] {
             FirmwareContainerWriter w;
             w.Add("F7_0A3.bin", v4);
             std::vector<uint8_t> bytes = w.Bytes();
             bytes.resize(40);
             program.Write("F7V4Bin.bin", std::string(bytes.begin(), bytes.end()));
         },
         ImageFault::ContainerDamaged, false},
        {"bytes not encrypted with the program's key", 3, 0xA3,
         [&] {
             FirmwareEntry e;
             e.name = "F7_0A3.bin";
             e.plain = v4;
             e.encrypt = false;
             Write(3, FirmwareContainerWriter().Add(e));
         },
         ImageFault::ImageDamaged, true},
        {"a spoilt data record", 3, 0xA3, [&] { WriteOne(3, 0xA3, badRecord); }, ImageFault::ImageDamaged, true},
        {"no configuration record", 3, 0xA3, [&] { WriteOne(3, 0xA3, BuildV4Image(noConfig)); },
         ImageFault::ImageDamaged, true},
        {"a V1 record cut", 2, 0xF5, [&] { WriteOne(2, 0xF5, cutV1); }, ImageFault::ImageDamaged, true},
        {"a V1 image of only its size word", 1, 0xF5, [&] { WriteOne(1, 0xF5, std::vector<uint8_t>(79, 0x00)); },
         ImageFault::ImageDamaged, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int type = 1; type <= 7; ++type)
            std::remove(program.File(FirmwareContainerName(type)).c_str());
        c.write();
        CTsSnData image(c.type, c.number);
        EXPECT_EQ(image.IsLoaded(), c.loaded);
        EXPECT_EQ(image.IsUsable(), c.fault == ImageFault::None);
        const ImageProblem problem = image.GetProblem();
        EXPECT_EQ(problem.fault, c.fault);
        if (c.fault != ImageFault::None) {
            EXPECT_EQ(problem.container, FirmwareContainerName(c.type));
            EXPECT_EQ(problem.member, FirmwareMemberName(c.type, c.number));
        }
    }
}

} // namespace

#include "DataSheet.h"
#include "ByteText.h"
#include "TableFileWriter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = TableFileWriter::Bytes;

// A key block with every byte different, longer than the key cycle.
Bytes LongKeyBlock()
{
    Bytes key(300);
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(i * 7 + 3);
    return key;
}

// Three-byte keys 10 20 00 .. 10 20 04 (every second one), texts "t0" ...
TableFileWriter ThreeByteTable()
{
    TableFileWriter w(3);
    for (uint8_t i = 0; i <= 8; i += 2)
        w.AddTexts(Bytes{0x10, 0x20, i}, {"t" + std::to_string(i), "second"});
    w.AddTexts(Bytes{0x10, 0x20, 0xFF}, {"last-of-row"});
    w.AddTexts(Bytes{0x10, 0x21, 0x00}, {"next-row"});
    return w;
}

std::vector<std::string> Texts(const CBinaryGroup& group)
{
    std::vector<std::string> out;
    for (const CBinary& b : group.m_aContain)
        out.push_back(std::string(reinterpret_cast<const char*>(b.GetBuffer()), static_cast<size_t>(b.GetSize())));
    return out;
}

std::string Text0(const std::string& t) { return t + std::string(1, '\0'); }

class DataSheetTest : public ::testing::Test {
protected:
    void Put(const std::string& name, const TableFileWriter& w) { w.Write(program.File(name)); }
    void Put(const std::string& name, const Bytes& b) { program.Write(name, std::string(b.begin(), b.end())); }

    TempFolder program;
    ScopedEnv env{"BRELK_PROGRAM_DIR", program.Path()};
};

TEST_F(DataSheetTest, FindsFirstLastAndMiddleKeysPlainAndScrambled)
{
    struct Case {
        const char* name;
        std::function<void(TableFileWriter&)> setup;
        bool scrambled;
    } cases[] = {
        {"plain", [](TableFileWriter&) {}, false},
        {"version 256 is plain", [](TableFileWriter& w) { w.SetVersion(0x0100); }, false},
        {"scrambled", [](TableFileWriter& w) { w.SetKeyBlock(LongKeyBlock()); }, true},
        {"scrambled, short key block",
         [](TableFileWriter& w) {
             w.SetKeyBlock(Bytes{0x5A, 0xA5, 0x3C});
         },
         true},
        {"scrambled, empty key block", [](TableFileWriter& w) { w.SetKeyBlock(Bytes{}); }, true},
    };
    for (const Case& c : cases) {
        for (uint8_t whole = 0; whole <= 1; ++whole) {
            SCOPED_TRACE(std::string(c.name) + (whole ? ", whole file" : ""));
            TableFileWriter w = ThreeByteTable();
            c.setup(w);
            Put("t.tab", w);
            CDataSheet sheet;
            sheet.m_bReadWholeFile = whole;
            ASSERT_TRUE(sheet.OpenTable("t.tab"));
            EXPECT_EQ(sheet.IsScrambled(), c.scrambled);
            EXPECT_EQ(sheet.KeyLength(), 3);
            EXPECT_EQ(sheet.EntryCount(), 7u);
            EXPECT_EQ(Texts(sheet.Lookup(Hex("10 20 00"))), (std::vector<std::string>{Text0("t0"), Text0("second")}));
            EXPECT_EQ(CDataSheet::FindText(sheet, Hex("10 21 00")), "next-row");
            EXPECT_EQ(CDataSheet::FindText(sheet, Hex("10 20 04")), "t4");
            EXPECT_EQ(CDataSheet::FindText(sheet, Hex("10 20 FF")), "last-of-row");
            for (const char* missing : {"00 00 00", "10 20 03", "10 20 09", "FF FF FF", "10 20", "10 20 00 00", ""})
                EXPECT_TRUE(sheet.Lookup(Hex(missing)).m_aContain.empty()) << missing;
        }
    }
}

TEST_F(DataSheetTest, VersionAboveTwoFiftySixMeansAKeyBlock)
{
    // Stored plain but declared 257: the reader takes the last bytes as the
    // key block length and descrambles, so the keys no longer match.
    TableFileWriter w = ThreeByteTable();
    w.SetVersion(0x0101);
    Bytes b = w.Build();
    b.push_back(0);
    b.push_back(0); // an empty key block
    Put("t.tab", b);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    EXPECT_TRUE(sheet.IsScrambled());
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("10 20 00")), "");
}

TEST_F(DataSheetTest, EveryScrambledOpenStartsFromACleanKeyBlock)
{
    TableFileWriter first = ThreeByteTable();
    first.SetKeyBlock(LongKeyBlock());
    Put("a.tab", first);
    // The second table's key block is 2 bytes long: every further key byte
    // is 0, not the one the first table left in the buffer.
    TableFileWriter second(2);
    second.AddTexts(Bytes{0x01, 0x02}, {std::string(40, 'z')});
    second.SetKeyBlock(Bytes{0x11, 0x22});
    Put("b.tab", second);

    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("a.tab"));
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("10 20 02")), "t2");
    ASSERT_TRUE(sheet.OpenTable("b.tab"));
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 02")), std::string(40, 'z'));
}

TEST_F(DataSheetTest, KeyAskedInSequenceProbesOnlyTheNextEntry)
{
    TableFileWriter w(2);
    for (int i = 0; i < 64; ++i)
        w.AddTexts(Bytes{0x01, static_cast<uint8_t>(i)}, {"a" + std::to_string(i)});
    w.AddTexts(Bytes{0x01, 0xFF}, {"ff"});
    w.AddTexts(Bytes{0x02, 0x00}, {"two"});
    Put("t.tab", w);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));

    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 10")), "a16");
    EXPECT_GT(sheet.LastProbeCount(), 1);
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 11")), "a17");
    EXPECT_EQ(sheet.LastProbeCount(), 1);
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 12")), "a18");
    EXPECT_EQ(sheet.LastProbeCount(), 1);
    // The next entry is not 01 40: empty after the one probe, no full search.
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 3F")), "a63");
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 40")), "");
    EXPECT_EQ(sheet.LastProbeCount(), 1);
    // A miss is not remembered: the next key in sequence searches again from 01 3F.
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 40")), "");
    // The last byte does not wrap into the next row.
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01 FF")), "ff");
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("02 00")), "two");
    EXPECT_GT(sheet.LastProbeCount(), 1);
    // The final entry has no next one.
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("02 01")), "");
    EXPECT_EQ(sheet.LastProbeCount(), 0);
}

TEST_F(DataSheetTest, OneByteKeysAlwaysSearch)
{
    TableFileWriter w(1);
    for (int i = 0; i < 40; ++i)
        w.AddTexts(Bytes{static_cast<uint8_t>(i)}, {"k" + std::to_string(i)});
    Put("t.tab", w);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("05")), "k5");
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("06")), "k6");
    EXPECT_GT(sheet.LastProbeCount(), 1);
}

TEST_F(DataSheetTest, RecordsOfNoStringsAndRecordsCutShort)
{
    TableFileWriter w(2);
    w.Add(Bytes{0, 1}, {});
    w.Add(Bytes{0, 2}, {Bytes{'a'}, Bytes{}, Bytes{'c'}});
    Put("t.tab", w);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    EXPECT_TRUE(sheet.Lookup(Hex("00 01")).m_aContain.empty());
    EXPECT_EQ(Texts(sheet.Lookup(Hex("00 02"))), (std::vector<std::string>{"a"}));
}

TEST_F(DataSheetTest, BrokenHeadersFailTheOpen)
{
    TableFileWriter w = ThreeByteTable();
    Bytes good = w.Build();
    TableFileWriter s = ThreeByteTable();
    s.SetKeyBlock(LongKeyBlock());
    Bytes scrambled = s.Build();

    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"not AT",
         [&] {
             Bytes b = good;
             b[1] = 'X';
             return b;
         }()},
        {"shorter than the header", Bytes(good.begin(), good.begin() + 15)},
        {"key block of 401 bytes",
         [&] {
             Bytes b(420, 0);
             b[0] = 'A';
             b[1] = 'T';
             b[2] = 0x01;
             b[3] = 0x01;
             b[418] = 0x91;
             b[419] = 0x01;
             return b;
         }()},
        {"key block longer than the file",
         [&] {
             Bytes b(good.begin(), good.begin() + 16);
             b[2] = 0x01;
             b[3] = 0x01;
             b.push_back(0x40);
             b.push_back(0x00);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        Put("bad.tab", c.bytes);
        CDataSheet sheet;
        EXPECT_FALSE(sheet.OpenTable("bad.tab")) << c.name;
        EXPECT_FALSE(sheet.IsOpen()) << c.name;
        EXPECT_TRUE(sheet.Lookup(Hex("10 20 00")).m_aContain.empty()) << c.name;
    }
    CDataSheet sheet;
    EXPECT_FALSE(sheet.OpenTable(""));
    EXPECT_FALSE(sheet.OpenTable("missing.tab"));
    Put("ok.tab", scrambled);
    EXPECT_TRUE(sheet.OpenTable("OK.TAB")); // names match whatever their case
}

TEST_F(DataSheetTest, OffsetsOutsideTheFileReadAsAbsent)
{
    const Bytes good = ThreeByteTable().Build();
    const size_t entry = 16 + 2 * 7; // the third entry: key 10 20 04
    struct Case {
        const char* name;
        std::function<void(Bytes&)> change;
    } cases[] = {
        {"no entries", [](Bytes& b) { b[12] = b[13] = b[14] = b[15] = 0; }},
        {"entry count past the file",
         [](Bytes& b) {
             b[12] = 0x7F;
             b[13] = 0xFF;
         }},
        {"entry count of 2^32 - 1", [](Bytes& b) { b[12] = b[13] = b[14] = b[15] = 0xFF; }},
        {"record offset past the file", [&](Bytes& b) { b[entry + 3] = 0x7F; }},
        {"string length past the file",
         [&](Bytes& b) {
             const size_t record = (b[entry + 5] << 8) | b[entry + 6];
             b[record + 1] = 0x7F;
         }},
        {"file cut inside a record",
         [&](Bytes& b) {
             const size_t record = (b[entry + 5] << 8) | b[entry + 6];
             b.resize(record + 4);
         }},
    };
    for (const Case& c : cases) {
        for (uint8_t whole = 0; whole <= 1; ++whole) {
            Bytes b = good;
            c.change(b);
            Put("t.tab", b);
            CDataSheet sheet;
            sheet.m_bReadWholeFile = whole;
            ASSERT_TRUE(sheet.OpenTable("t.tab")) << c.name;
            EXPECT_TRUE(sheet.Lookup(Hex("10 20 04")).m_aContain.empty()) << c.name;
        }
    }
}

TEST_F(DataSheetTest, RecordsNeverReachIntoTheKeyBlock)
{
    TableFileWriter w(1);
    w.AddTexts(Bytes{0x01}, {"abc"});
    w.SetKeyBlock(Bytes(10, 0x00));
    Bytes b = w.Build();
    // The string's length claims the 10 key bytes as well.
    const size_t record = 16 + 5;
    b[record + 2] = TableFileWriter::Scramble(4 + 10, Bytes(10, 0), 1);
    Put("t.tab", b);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    EXPECT_TRUE(sheet.Lookup(Hex("01")).m_aContain.empty());
}

TEST_F(DataSheetTest, TextTableComesFromTheChosenFolderAndLanguage)
{
    TempFolder texts;
    ScopedEnv textEnv("BRELK_TEXT_DIR", texts.Path());
    TableFileWriter program1(1), language(1), chinese(1), bare(1);
    program1.AddTexts(Bytes{1}, {"program"});
    language.AddTexts(Bytes{1}, {"language folder"});
    chinese.AddTexts(Bytes{1}, {"cn"});
    bare.AddTexts(Bytes{1}, {"no prefix"});
    program1.Write(program.File("en_text.tab"));
    language.Write(texts.File("en_text.tab"));
    chinese.Write(texts.File("cn_text.tab"));
    bare.Write(texts.File("text.tab"));

    struct Case {
        uint8_t folder;
        int language;
        const char* text;
    } cases[] = {
        {TABLE_FOLDER_PROGRAM, 0, "program"}, {TABLE_FOLDER_TEXT, 0, "language folder"},
        {TABLE_FOLDER_TEXT, 1, "cn"},         {TABLE_FOLDER_TEXT, 7, "no prefix"},
        {TABLE_FOLDER_TEXT, -1, "no prefix"}, {TABLE_FOLDER_PROGRAM, 2, ""}, // no jp_text.tab
    };
    for (const Case& c : cases) {
        g_nTextLanguage = c.language;
        CDataSheet sheet;
        sheet.m_nFolderChoice = c.folder;
        EXPECT_EQ(sheet.OpenTextTab(), *c.text != '\0') << c.text;
        EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01")), c.text);
    }
    g_nTextLanguage = 0;

    // An open sheet stays with its table.
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("en_text.tab"));
    g_nTextLanguage = 1;
    EXPECT_TRUE(sheet.OpenTextTab());
    EXPECT_EQ(CDataSheet::FindText(sheet, Hex("01")), "program");
    g_nTextLanguage = 0;
}

TEST_F(DataSheetTest, DescrambleOnlyWithAKeyBlock)
{
    uint8_t bytes[2] = {0x21, 0x42};
    CDataSheet sheet;
    sheet.Descramble(bytes, 2);
    EXPECT_EQ(bytes[0], 0x21);
    TableFileWriter w(1);
    w.AddTexts(Bytes{1}, {"x"});
    w.SetKeyBlock(Bytes{0xF0});
    Put("t.tab", w);
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    const Bytes key{0xF0};
    bytes[0] = TableFileWriter::Scramble(0x5A, key, 0);
    bytes[1] = TableFileWriter::Scramble(0xA5, key, 1);
    sheet.Descramble(bytes, 0);
    sheet.Descramble(bytes, 2);
    EXPECT_EQ(bytes[0], 0x5A);
    EXPECT_EQ(bytes[1], 0xA5);
}

// Worked by hand, without the writer: ((s - 1) rotated left by 5) XOR key[i % 255].
TEST_F(DataSheetTest, DescrambleByHand)
{
    TableFileWriter w(1);
    w.AddTexts(Bytes{1}, {"x"});
    w.SetKeyBlock(Bytes{0xF0, 0x0F});
    Put("t.tab", w);
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("t.tab"));
    std::vector<uint8_t> field(256, 0x21);
    field[1] = 0x00;
    field[2] = 0x81;
    sheet.Descramble(field.data(), static_cast<int>(field.size()));
    EXPECT_EQ(field[0], 0xF4);   // 20 rotated is 04, ^ F0
    EXPECT_EQ(field[1], 0xF0);   // 00 - 1 = FF, rotated FF, ^ 0F
    EXPECT_EQ(field[2], 0x10);   // 80 rotated is 10; key byte 2 is 0
    EXPECT_EQ(field[254], 0x04); // key byte 254 is 0
    EXPECT_EQ(field[255], 0xF4); // the key starts again at 255
}

} // namespace

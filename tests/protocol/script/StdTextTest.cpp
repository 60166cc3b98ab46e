#include "StdText.h"
#include "ByteText.h"
#include "DataSheet.h"
#include "TableFileWriter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = TableFileWriter::Bytes;

class StdTextTest : public ::testing::Test {
protected:
    void SetUp() override { ClearStdTextCache(); }
    void TearDown() override { ClearStdTextCache(); }

    // Two-byte identifiers 00 01 .. 00 count, texts "<prefix><n>".
    static void WriteTexts(const std::string& path, int count, const std::string& prefix)
    {
        TableFileWriter w(2);
        for (int i = 1; i <= count; ++i)
            w.AddTexts(Bytes{0x00, static_cast<uint8_t>(i)}, {prefix + std::to_string(i)});
        w.AddTexts(Bytes{0x01, 0x00}, {"Pr\xC3\xBC"
                                       "fung \xE4\xB8\xAD"}); // "Prüfung 中"
        w.SetKeyBlock(Bytes{0x12, 0x34, 0x56});
        w.Write(path);
    }
    static CBinary Id(int n)
    {
        const uint8_t b[2] = {0x00, static_cast<uint8_t>(n)};
        return CBinary(b, 2);
    }

    TempFolder program;
    TempFolder texts;
    ScopedEnv programEnv{"BRELK_PROGRAM_DIR", program.Path()};
    ScopedEnv textEnv{"BRELK_TEXT_DIR", texts.Path()};
};

TEST_F(StdTextTest, StdTextReadsTheLanguageFolderAndLibTextTheProgramFolder)
{
    WriteTexts(texts.File("en_text.tab"), 3, "std");
    WriteTexts(program.File("en_text.tab"), 3, "lib");
    EXPECT_EQ(adsGetStdText(Id(2)), "std2");
    EXPECT_EQ(adsGetStdText_CString(Id(3)), L"std3");
    EXPECT_EQ(adsGetStdText_CString(Hex("01 00")), L"Pr\u00FCfung \u4E2D");
    EXPECT_EQ(adsGetTextFromTextLib(Id(2)), "lib2");
    EXPECT_EQ(adsGetStdText(Id(9)), "");
    EXPECT_EQ(adsGetTextFromTextLib(Hex("00")), "");
}

TEST_F(StdTextTest, TheTwentySecondIdentifierEvictsTheFirst)
{
    WriteTexts(texts.File("en_text.tab"), 30, "old");
    for (int i = 1; i <= 21; ++i)
        EXPECT_EQ(adsGetStdText(Id(i)), "old" + std::to_string(i));
    EXPECT_EQ(StdTextCacheSize(), STD_TEXT_CACHE_MAX);

    // The table changes: cached texts stay until they are evicted.
    WriteTexts(texts.File("en_text.tab"), 30, "new");
    EXPECT_EQ(adsGetStdText(Id(1)), "old1");
    EXPECT_EQ(adsGetStdText_CString(Id(21)), L"old21");
    EXPECT_EQ(adsGetStdText(Id(22)), "new22");
    EXPECT_EQ(StdTextCacheSize(), STD_TEXT_CACHE_MAX);
    EXPECT_EQ(adsGetStdText(Id(2)), "old2");
    EXPECT_EQ(adsGetStdText(Id(1)), "new1"); // read again, evicting 2
    EXPECT_EQ(adsGetStdText(Id(2)), "new2");
    // The library text is never cached.
    WriteTexts(program.File("en_text.tab"), 3, "a");
    EXPECT_EQ(adsGetTextFromTextLib(Id(1)), "a1");
    WriteTexts(program.File("en_text.tab"), 3, "b");
    EXPECT_EQ(adsGetTextFromTextLib(Id(1)), "b1");
}

TEST_F(StdTextTest, MissingTextsAreCachedToo)
{
    EXPECT_EQ(adsGetStdText(Id(1)), "");
    EXPECT_EQ(StdTextCacheSize(), 1u);
    WriteTexts(texts.File("en_text.tab"), 3, "late");
    EXPECT_EQ(adsGetStdText(Id(1)), "");
    EXPECT_EQ(adsGetStdText(Id(2)), "late2");
}

} // namespace

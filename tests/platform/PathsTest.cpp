#include "Paths.h"
#include "CodePage.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, ResolvesBackslashesAndCaseFromTheDisk)
{
    TempFolder tmp;
    tmp.Write("Upgrade/F7V4Bin.bin", "image");
    struct {
        std::string asked;
        std::string found;
    } cases[] = {
        {tmp.Path() + "\\Upgrade\\F7V4Bin.bin", tmp.File("Upgrade/F7V4Bin.bin")},
        {tmp.Path() + "/upgrade/f7v4bin.BIN", tmp.File("Upgrade/F7V4Bin.bin")},
        {tmp.Path() + "/UPGRADE", tmp.File("Upgrade")},
        {tmp.Path() + "/Upgrade/missing.bin", tmp.File("Upgrade/missing.bin")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePath(c.asked), c.found) << c.asked;

    FILE* f = OpenFile(tmp.Path() + "\\UPGRADE\\f7v4bin.bin", "rb");
    ASSERT_TRUE(f);
    std::fclose(f);
    // A new file lands in the existing folder under the name as given.
    f = OpenFile(tmp.Path() + "/upgrade/New.txt", "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    EXPECT_TRUE(PathExists(tmp.File("Upgrade/New.txt")));
}

TEST(Paths, DataFolderIsCreatedWhereTheEnvironmentSays)
{
    TempFolder tmp;
    ScopedEnv env("BRELK_DATA_DIR", tmp.File("a/b/Vornix/"));
    EXPECT_EQ(GetDataFolderPath(), tmp.File("a/b/Vornix"));
    EXPECT_TRUE(IsDirectory(tmp.File("a/b/Vornix")));
}

TEST(Paths, TextTableFolderSitsBesideTheProgramUnlessConfigured)
{
    TempFolder tmp;
    ScopedEnv program("BRELK_PROGRAM_DIR", tmp.Path());
    {
        ScopedEnv text("BRELK_TEXT_DIR", "");
        EXPECT_EQ(GetTextTableFolder(), tmp.File("Scan/Language"));
    }
    ScopedEnv text("BRELK_TEXT_DIR", tmp.File("texts/"));
    EXPECT_EQ(GetTextTableFolder(), tmp.File("texts"));
}

TEST(Paths, ProgramFilesAreBesideTheProgramOrInstalledUnderItsPrefix)
{
    TempFolder tmp;
    tmp.Write("build/bin/catalog.data", "index");
    tmp.Write("usr/share/brelk/catalog.data", "index");
    tmp.Write("both/bin/catalog.data", "index");
    tmp.Write("both/share/brelk/catalog.data", "index");
    for (const char* executable : {"build/bin/brelk", "usr/bin/brelk", "both/bin/brelk", "bare/bin/brelk"})
        tmp.Write(executable, "");
    struct {
        const char* executable;
        const char* folder;
    } cases[] = {
        {"build/bin/brelk", "build/bin"},     // the build tree: beside it
        {"usr/bin/brelk", "usr/share/brelk"}, // installed: under its prefix
        {"both/bin/brelk", "both/bin"},       // files beside it come first
        {"bare/bin/brelk", "bare/bin"},       // nothing anywhere: its own folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgramFolderOf(tmp.File(c.executable)), tmp.File(c.folder)) << c.executable;
}

TEST(Paths, JoinPathUsesOneSeparator)
{
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(JoinPath("a\\x", "log\\Log.txt"), "a/x/log/Log.txt");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(CodePage, Utf8AndWideRoundTrip)
{
    const std::wstring wide = L"V6.11 \u00B0C \u4E2D \U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
    EXPECT_EQ(Utf8ToWide("\xC3\xA9"), L"\u00E9");
    // Broken sequences become U+FFFD and never read past the end.
    EXPECT_EQ(Utf8ToWide("a\xE4\xB8"), L"a\xFFFD\xFFFD");
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\xFFFD\xFFFD");
}

} // namespace

namespace {

TEST(CodePage, Gbk936RoundTripAndReplacement)
{
    std::string gbk;
    ASSERT_TRUE(WideToCodePage(kCodePageGbk, L"A\u4E2D\u6587", gbk));
    EXPECT_EQ(gbk, "A\xD6\xD0\xCE\xC4");
    std::wstring back;
    ASSERT_TRUE(CodePageToWide(kCodePageGbk, gbk.data(), gbk.size(), back));
    EXPECT_EQ(back, L"A\u4E2D\u6587");

    // What GBK cannot hold, or a broken byte sequence, becomes '?'.
    size_t count = 0;
    ASSERT_TRUE(WideToCodePage(kCodePageGbk, L"x\U0001F600y", gbk, &count));
    EXPECT_EQ(gbk, "x?y");
    EXPECT_EQ(count, 1u);
    ASSERT_TRUE(CodePageToWide(kCodePageGbk, "a\xD6", 2, back, &count));
    EXPECT_EQ(back, L"a?");
    EXPECT_EQ(count, 1u);

    ASSERT_TRUE(CodePageToWide(28591, "\xE9", 1, back));
    EXPECT_EQ(back, L"\u00E9");
    ASSERT_TRUE(WideToCodePage(kCodePageUtf16Le, L"a\xD800", gbk));
    EXPECT_EQ(gbk, std::string("a\0?\0", 4));
    EXPECT_FALSE(CodePageToWide(12345, "a", 1, back));
    EXPECT_FALSE(IsCodePageSupported(12345));
    EXPECT_TRUE(IsCodePageSupported(kCodePageGbk));
}

} // namespace

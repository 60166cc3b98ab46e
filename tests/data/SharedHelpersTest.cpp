#include "SharedHelpers.h"
#include "TempFolder.h"

#include "CodePage.h"
#include "Paths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(SharedHelpers, FoldersEndWithASeparator)
{
    TempFolder tmp;
    ScopedEnv data("BRELK_DATA_DIR", tmp.File("docs/Vornix"));
    ScopedEnv program("BRELK_PROGRAM_DIR", tmp.File("prog/"));
    const std::wstring base = Utf8ToWide(tmp.Path());
    EXPECT_EQ(GetDataFolder(), base + L"/docs/Vornix/");
    EXPECT_TRUE(IsDirectory(tmp.File("docs/Vornix")));
    EXPECT_EQ(GetPublicDataFolder(), GetDataFolder());
    EXPECT_EQ(GetUpgradeFolder(), base + L"/docs/Vornix/Upgrade/");
    EXPECT_TRUE(IsDirectory(tmp.File("docs/Vornix/Upgrade")));
    EXPECT_EQ(GetAppDirectory(), base + L"/prog/");
    EXPECT_EQ(GetExeFolderA(), GetAppDirectory());
}

TEST(SharedHelpers, Conversions)
{
    EXPECT_EQ(Utf8ToCString(""), L"");
    EXPECT_EQ(Utf8ToCString("\xC2\xB0"
                            "C \xE4\xB8\xAD"),
              L"\u00B0C \u4E2D");
    EXPECT_EQ(CStringToAnsi(L""), "");
    EXPECT_EQ(CStringToAnsi(L"\u00B0F"), "\xC2\xB0"
                                         "F");
}

TEST(SharedHelpers, DeleteFolderRecursiveRemovesTheTreeButNotWhatLinksPointAt)
{
    TempFolder tmp;
    tmp.Write("keep/precious.txt", "x");
    tmp.Write("Upgrade/a.zip", "zip");
    tmp.Write("Upgrade/sub/deeper/b.bin", "bin");
    tmp.Write("Upgrade/sub/c.txt", "");
    std::filesystem::create_symlink(tmp.File("keep"), tmp.File("Upgrade/sub/link"));
    // '\' separators and another case name the same folder.
    DeleteFolderRecursive(Utf8ToWide(tmp.Path() + "\\upgrade\\"));
    EXPECT_FALSE(PathExists(tmp.File("Upgrade")));
    EXPECT_TRUE(PathExists(tmp.File("keep/precious.txt")));

    // A file of that name, or nothing at all, is left alone.
    tmp.Write("file", "data");
    DeleteFolderRecursive(Utf8ToWide(tmp.File("file")));
    EXPECT_TRUE(PathExists(tmp.File("file")));
    DeleteFolderRecursive(Utf8ToWide(tmp.File("missing")));
    DeleteFolderRecursive(L"");
}

} // namespace

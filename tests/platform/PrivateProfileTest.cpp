#include "PrivateProfile.h"
#include "CodePage.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

std::wstring W(const std::string& s) { return Utf8ToWide(s); }

std::wstring Read(const std::wstring& path, const wchar_t* section, const wchar_t* key, uint32_t size = 260,
                  const wchar_t* def = L"")
{
    std::wstring out;
    GetPrivateProfileString(section, key, def, out, size, path);
    return out;
}

TEST(PrivateProfile, ReadsWithWindowsNameRules)
{
    TempFolder tmp;
    tmp.Write("Setup.ini", "\xEF\xBB\xBF[Setup]\r\n"
                           "CarsStyle=3\r\n"
                           "  IdFormat =  H  \r\n"
                           "\tLanguage\t=\tde\r\n"
                           "Empty=\r\n"
                           "Unit=\xC2\xB0"
                           "C\r\n"
                           "[Config]\n"
                           "BrelkVersion=V6.11\n"
                           "[ config ]\n"
                           "ServerIP=10.0.0.1\n"
                           "[Setup]\n"
                           "Pressure=BAR\n"
                           "[Last]\n"
                           "NoBreak=1");
    const std::wstring path = W(tmp.File("Setup.ini"));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* want;
    } cases[] = {
        {L"Setup", L"CarsStyle", L"3"},
        {L"SETUP", L"carsstyle", L"3"},         // names in any case
        {L"Setup", L"IDFormat", L"H"},          // blanks around name and value dropped
        {L"Setup", L"Language", L"de"},         // tabs too
        {L"Setup", L"Empty", L""},              // present and empty: not the default
        {L"Setup", L"Unit", L"\u00B0C"},        // UTF-8
        {L"config", L"BrelkVersion", L"V6.11"}, // "Config" and "config" are one section
        {L"Config", L"ServerIP", L"def"},       // the first section of a name holds the keys
        {L"Setup", L"Pressure", L"def"},
        {L"Last", L"NoBreak", L"1"}, // last line without a line break
        {L"Missing", L"Key", L"def"},
        {L"Setup", L"Missing", L"def"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(path, c.section, c.key, 260, L"def"), c.want) << c.section << "/" << c.key;

    EXPECT_EQ(Read(path, L"Setup", L"Empty", 260, L"def"), L"");
    EXPECT_EQ(Read(W(tmp.File("none.ini")), L"Setup", L"CarsStyle", 260, L"dflt  "), L"dflt");
    EXPECT_EQ(Read(W(tmp.File("none.ini")), L"Setup", L"CarsStyle", 260, nullptr), L"");
    // '\' separators and a file name in another case still find the file.
    EXPECT_EQ(Read(W(tmp.Path() + "\\SETUP.INI"), L"Setup", L"CarsStyle"), L"3");
}

TEST(PrivateProfile, CopiesAtMostSizeMinusOne)
{
    TempFolder tmp;
    tmp.Write("a.ini", "[s]\nk=abcdefgh\n");
    const std::wstring path = W(tmp.File("a.ini"));
    const struct {
        uint32_t size;
        const wchar_t* want;
    } cases[] = {{0, L""}, {1, L""}, {5, L"abcd"}, {8, L"abcdefg"}, {9, L"abcdefgh"}, {100, L"abcdefgh"}};
    for (const auto& c : cases) {
        std::wstring out = L"old";
        EXPECT_EQ(GetPrivateProfileString(L"s", L"k", L"", out, c.size, path), std::wcslen(c.want)) << c.size;
        EXPECT_EQ(out, c.want) << c.size;
    }
    std::wstring out = L"old";
    EXPECT_EQ(GetPrivateProfileString(L"s", L"x", L"default", out, 4, path), 3u);
    EXPECT_EQ(out, L"def");
    EXPECT_EQ(GetPrivateProfileString(nullptr, L"k", L"d", out, 10, path), 0u);
    EXPECT_EQ(GetPrivateProfileString(L"s", nullptr, L"d", out, 10, path), 0u);
    EXPECT_EQ(out, L"");
}

TEST(PrivateProfile, ReadsIntegers)
{
    TempFolder tmp;
    tmp.Write("a.ini", "[s]\na=12\nb= -7x\nc=abc\nd=\ne=99999999999\nf=+5\n");
    const std::wstring path = W(tmp.File("a.ini"));
    const struct {
        const wchar_t* key;
        int want;
    } cases[] = {{L"a", 12}, {L"b", -7}, {L"c", 0}, {L"d", 42}, {L"e", 2147483647}, {L"f", 5}, {L"zz", 42}};
    for (const auto& c : cases)
        EXPECT_EQ(GetPrivateProfileInt(L"s", c.key, 42, path), c.want) << c.key;
}

TEST(PrivateProfile, WriteReplacesInPlaceAndKeepsTheRest)
{
    TempFolder tmp;
    tmp.Write("Setup.ini", "; settings\r\n[Setup]\r\nIdFormat=D\r\nCarsStyle=1\r\n\r\n[Config]\r\nIsUpdate=0\r\n");
    const std::wstring path = W(tmp.File("Setup.ini"));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } writes[] = {
        {L"SETUP", L"IDFormat", L"H"},            // the file's spelling "IdFormat" stays
        {L"Setup", L"Language", L"\u4E2D\u6587"}, // new key in its section, before the blank line
        {L"config", L"IsUpdate", L"1"},
        {L"PrintSetting", L"PaperWidth", L"40.0"}, // new section at the end
        {L"PrintSetting", L"LogoTitle", nullptr},
    };
    for (const auto& w : writes)
        EXPECT_TRUE(WritePrivateProfileString(w.section, w.key, w.value, path)) << w.key;
    EXPECT_EQ(tmp.Read("Setup.ini"), "; settings\r\n[Setup]\r\nIdFormat=H\r\nCarsStyle=1\r\n"
                                     "Language=\xE4\xB8\xAD\xE6\x96\x87\r\n\r\n"
                                     "[Config]\r\nIsUpdate=1\r\n"
                                     "[PrintSetting]\r\nPaperWidth=40.0\r\nLogoTitle=\r\n");
    EXPECT_EQ(Read(path, L"setup", L"language"), L"\u4E2D\u6587");
    EXPECT_EQ(Read(path, L"PrintSetting", L"LogoTitle", 260, L"def"), L"");
}

TEST(PrivateProfile, WriteCreatesTheFileAndHandlesAFileWithoutFinalBreak)
{
    TempFolder tmp;
    ASSERT_TRUE(WritePrivateProfileString(L"Setup", L"CarsStyle", L"2", W(tmp.File("Setup.ini"))));
    EXPECT_EQ(tmp.Read("Setup.ini"), "[Setup]\nCarsStyle=2\n");

    tmp.Write("b.ini", "[a]\nx=1");
    ASSERT_TRUE(WritePrivateProfileString(L"a", L"y", L"2", W(tmp.File("b.ini"))));
    ASSERT_TRUE(WritePrivateProfileString(L"c", L"z", L"3", W(tmp.File("b.ini"))));
    EXPECT_EQ(tmp.Read("b.ini"), "[a]\nx=1\ny=2\n[c]\nz=3\n");
    tmp.Write("c.ini", "[a]");
    ASSERT_TRUE(WritePrivateProfileString(L"A", L"k", L"v", W(tmp.File("c.ini"))));
    EXPECT_EQ(tmp.Read("c.ini"), "[a]\nk=v\n");
}

TEST(PrivateProfile, WriteRefusesWhatWouldBreakTheFile)
{
    TempFolder tmp;
    tmp.Write("a.ini", "[s]\nk=v\n");
    const std::wstring path = W(tmp.File("a.ini"));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } bad[] = {
        {L"s", L"k", L"two\nlines"}, {L"s", L"k", L"cr\r"}, {L"s", L"a=b", L"v"},
        {L"s]x", L"k", L"v"},        {L"", L"k", L"v"},     {L"s", L"  ", L"v"},
        {nullptr, L"k", L"v"},       {L"s", nullptr, L"v"}, {L"s", L"[k", L"v"},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(WritePrivateProfileString(b.section, b.key, b.value, path));
    EXPECT_EQ(tmp.Read("a.ini"), "[s]\nk=v\n");
    // A folder that does not exist is not created.
    EXPECT_FALSE(WritePrivateProfileString(L"s", L"k", L"v", W(tmp.File("no/such/a.ini"))));
}

// Files whose line breaks once made a write report success yet lose its key
// or change another one: each write must read back, and every other key must
// read as before.
TEST(PrivateProfile, AWriteReadsBackAndChangesNoOtherKey)
{
    TempFolder tmp;
    const struct {
        const char* what;
        std::string file;
        const wchar_t* section;
        const wchar_t* key;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> others; // key in the section, its value
        std::string after;
    } cases[] = {
        {"last line ends in a lone CR, key added",
         "[Config]\r\nBrelkVersion=V6.11\r",
         L"Config",
         L"IsUpdate",
         {{L"BrelkVersion", L"V6.11"}},
         "[Config]\r\nBrelkVersion=V6.11\rIsUpdate=1\r\n"},
        {"last line ends in a lone CR, section added",
         "[Config]\nBrelkVersion=V6.11\r",
         L"Setup",
         L"IsUpdate",
         {},
         "[Config]\nBrelkVersion=V6.11\r[Setup]\nIsUpdate=1\n"},
        {"lone CRs between the lines",
         "[Config]\rBrelkVersion=V6.11\rCarBinVersion=V6.24\r",
         L"Config",
         L"IsUpdate",
         {{L"BrelkVersion", L"V6.11"}, {L"CarBinVersion", L"V6.24"}},
         "[Config]\rBrelkVersion=V6.11\rCarBinVersion=V6.24\rIsUpdate=1\r\n"},
        {"key replaced before a lone CR",
         "[Config]\nIsUpdate=0\rBootVersion=V4.17\n",
         L"Config",
         L"IsUpdate",
         {{L"BootVersion", L"V4.17"}},
         "[Config]\nIsUpdate=1\rBootVersion=V4.17\n"},
        {"names asked for with blanks around them",
         "[Config]\nBrelkVersion=V6.11\n",
         L" Config\t",
         L"\tIsUpdate ",
         {{L" BrelkVersion ", L"V6.11"}},
         "[Config]\nBrelkVersion=V6.11\nIsUpdate=1\n"},
        {"two CRs at the end",
         "[Config]\r\nBrelkVersion=V6.11\r\r",
         L"Config",
         L"IsUpdate",
         {{L"BrelkVersion", L"V6.11"}},
         "[Config]\r\nBrelkVersion=V6.11\rIsUpdate=1\r\n\r"},
    };
    for (const auto& c : cases) {
        tmp.Write("Setup.ini", c.file);
        const std::wstring path = W(tmp.File("Setup.ini"));
        ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, L"1", path)) << c.what;
        EXPECT_EQ(Read(path, c.section, c.key), L"1") << c.what;
        for (const auto& [key, value] : c.others)
            EXPECT_EQ(Read(path, L"Config", key), value) << c.what;
        EXPECT_EQ(tmp.Read("Setup.ini"), c.after) << c.what;
    }
}

// A write that fails half-way (here: the file size limit hits the temporary
// file) leaves the old file whole and no temporary file behind.
TEST(PrivateProfile, AFailedWriteLeavesTheOldFileWhole)
{
    TempFolder tmp;
    const std::string old = "[Setup]\nCarsStyle=2\nLanguage=DE\n";
    tmp.Write("Setup.ini", old);
    const std::wstring path = W(tmp.File("Setup.ini"));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = old.size() + 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WritePrivateProfileString(L"Setup", L"LogoTitle", std::wstring(200, L'x').c_str(), path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(tmp.Read("Setup.ini"), old);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Setup.ini"});

    // And without the limit the same write goes through and keeps the mode.
    std::filesystem::permissions(tmp.File("Setup.ini"), std::filesystem::perms(0640));
    EXPECT_TRUE(WritePrivateProfileString(L"Setup", L"LogoTitle", L"x", path));
    EXPECT_EQ(Read(path, L"Setup", L"LogoTitle"), L"x");
    EXPECT_EQ(std::filesystem::status(tmp.File("Setup.ini")).permissions(), std::filesystem::perms(0640));
}

} // namespace

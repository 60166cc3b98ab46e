#include "SetupFile.h"
#include "Ini.h"
#include "SharedHelpers.h"
#include "TempFolder.h"

#include "CodePage.h"
#include "Paths.h"

#include <gtest/gtest.h>

namespace {

// A settings file in a fresh data folder.
class SetupFileTest : public ::testing::Test {
protected:
    std::wstring Write(const std::string& text)
    {
        m_data.Folder().Write("Setup.ini", text);
        return Path();
    }
    std::wstring Path() const { return Utf8ToWide(m_data.Folder().File("Setup.ini")); }
    std::string Text() const { return m_data.Folder().Read("Setup.ini"); }
    CIni Ini() const
    {
        CIni ini;
        ini.path = Path();
        return ini;
    }

    ScopedDataFolder m_data;
};

TEST_F(SetupFileTest, PrintSettingLimits)
{
    const struct {
        std::string file;
        float width, height;
        int orientation;
    } cases[] = {
        {"[PrintSetting]\nPaperWidth=0.5\nPaperHeight=31.5\nOrientation=0\n", 1.0f, 31.5f, 1},
        {"[PrintSetting]\nPaperWidth=abc\nPaperHeight=-3\nOrientation=-2\n", 1.0f, 1.0f, 1},
        {"[PrintSetting]\nPaperWidth=nan\nPaperHeight=inf\nOrientation=2\n", 1.0f, 1.0f, 2},
        {"[printsetting]\npaperwidth= 62.0 \nORIENTATION=3\n", 62.0f, 31.0f, 3}, // absent height kept
        {"", 40.0f, 31.0f, 1},
    };
    for (const auto& c : cases) {
        const std::wstring path = Write(c.file);
        _tagPrintSettingInfo record;
        LoadPrintSetting(path, record);
        EXPECT_FLOAT_EQ(record.paperWidth, c.width) << c.file;
        EXPECT_FLOAT_EQ(record.paperHeight, c.height) << c.file;
        EXPECT_EQ(record.orientation, c.orientation) << c.file;
        EXPECT_EQ(record.dateFormatType, 1) << c.file;
    }
}

TEST_F(SetupFileTest, SetupInfoRegionAndLanguage)
{
    const struct {
        std::string file;
        int initialStyle;
        int style;
        std::wstring language;
    } cases[] = {
        {"[Setup]\nCarsStyle=3\nLanguage=fr\n", 1, 3, L"FR"},
        // Found only by the fallback reader, in another section.
        {"[Other]\nLanguage = de\n", 1, 1, L"DE"},
        {"[Setup]\nCarsStyle=9\n", 1, 1, L""}, // outside the region tables
        {"[Setup]\nCarsStyle=0\n", 4, 1, L""},
        {"[Setup]\nCarsStyle=-2\n", 1, 1, L""},
        {"[Setup]\nCarsStyle=5\n", 1, 5, L""},
        {"[Setup]\nIdFormat=H\n", 4, 4, L""}, // absent: kept
    };
    for (const auto& c : cases) {
        _tagSetupInfo record;
        record.carsStyle = c.initialStyle;
        LoadSetupInfo(Write(c.file), record);
        EXPECT_EQ(record.carsStyle, c.style) << c.file;
        EXPECT_EQ(record.language, c.language) << c.file;
    }
}

TEST(SetupFileIdFormat, HexadecimalOnlyForH)
{
    // The one rule the settings page and the operations share: a missing value is decimal.
    const struct {
        const wchar_t* value;
        bool hex;
    } cases[] = {{L"H", true}, {L"h", true}, {L"", false}, {L"D", false}, {L"HEX", false}, {L"X", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IdFormatIsHex(c.value), c.hex) << WideToUtf8(c.value);
}

TEST_F(SetupFileTest, NoFileKeepsTheInitialValues)
{
    const std::wstring path = Path(); // never written
    _tagSetupInfo setup;
    LoadSetupInfo(path, setup);
    EXPECT_EQ(setup.carsStyle, 1);
    EXPECT_EQ(setup.language, L"");
    _tagPrintSettingInfo print;
    LoadPrintSetting(path, print);
    EXPECT_EQ(print.orientation, 1);
    EXPECT_EQ(print.dateFormatType, 1);
    EXPECT_FLOAT_EQ(print.paperWidth, 40.0f);
    _tagVersionInfo versions;
    LoadVersionInfo(versions, path);
    EXPECT_EQ(versions.SoftWareVersion, kSoftwareVersion);
    EXPECT_EQ(versions.BrelkVersion, L"V6.11");
    EXPECT_EQ(versions.CarBinVersion, L"V6.24");
    EXPECT_EQ(versions.BootVersion, L"V4.17");
    EXPECT_EQ(Ini().ReadInt(L"Config", L"IsUpdate"), 0);
    EXPECT_EQ(Ini().ReadStringAlloc(L"config", L"ServerIP"), L"");
}

TEST_F(SetupFileTest, FallbackReaderRules)
{
    const std::wstring path = Write("[config]\r\nServerPort=1000\r\nServerPort=2000\r\n"
                                    "[Other]\r\nServerPortX=3\r\nServerIP\r\n"
                                    "serverip=10.1.1.1\r\n  Padded  =  a b  \r\nTab=\tx\t\r\n");
    const struct {
        const wchar_t* key;
        int result;
        std::wstring value;
    } cases[] = {
        {L"ServerPort", 1, L"3"}, // prefix match, last line wins
        {L"ServerIP", 0, L""},    // case-sensitive; a line without '=' does not match
        {L"serverip", 8, L"10.1.1.1"},
        {L"  Padded", 3, L"a b"}, // blanks around the value are dropped
        {L"Tab", 1, L"x"},
        {L"Missing", 0, L""},
        {L"", 0, L""},
    };
    for (const auto& c : cases) {
        std::wstring out = L"old";
        EXPECT_EQ(ReadIniKeyFallback(c.key, path, out), c.result) << c.key;
        EXPECT_EQ(out, c.value) << c.key;
    }
    std::wstring out;
    EXPECT_EQ(ReadIniKeyFallback(L"ServerPort", Utf8ToWide(m_data.Folder().File("none.ini")), out), -1);
    EXPECT_EQ(ReadIniKeyFallback(L"ServerPort", Write(""), out), -1);

    // Through CIni the platform finds [config] ServerPort first.
    const std::wstring file = Write("[Config]\nServerPort=1000\nServerPort=2000\n");
    CIni ini;
    ini.path = file;
    EXPECT_EQ(ini.ReadInt(L"config", L"ServerPort"), 1000);
    // Not in its section: the fallback's last line.
    EXPECT_EQ(ini.ReadInt(L"Setup", L"ServerPort"), 2000);
}

// The settings file a user's editor left with a lone CR after its last line:
// the flag written after it reads back, and the version before it is kept.
TEST_F(SetupFileTest, AFlagWrittenAfterALoneCrReadsBack)
{
    Write("[Config]\r\nBrelkVersion=V6.11\r");
    const CIni ini = Ini();
    ASSERT_EQ(ini.WriteIsUpdate(1), 1);
    EXPECT_EQ(ini.ReadInt(L"Config", L"IsUpdate"), 1);
    EXPECT_EQ(ini.ReadStringAlloc(L"Config", L"BrelkVersion"), L"V6.11");
    _tagVersionInfo versions;
    LoadVersionInfo(versions, Path());
    EXPECT_EQ(versions.BrelkVersion, L"V6.11");
}

// The fallback reader and the profile reader give one value for one line:
// a language found only by the fallback reads the same after it was saved.
TEST_F(SetupFileTest, BothReadersDropTabsAndEndALineAtALoneCr)
{
    const struct {
        std::string file;
        std::wstring language;
    } cases[] = {
        {"[Other]\nLanguage=\tab\t\n", L"AB"},
        {"[Other]\nLanguage= \t ab \t \r\n", L"AB"},
        {"[Other]\rLanguage=ab\rCarsStyle=3\r", L"AB"},
    };
    for (const auto& c : cases) {
        _tagSetupInfo record;
        LoadSetupInfo(Write(c.file), record);
        EXPECT_EQ(record.language, c.language) << c.file;
        SaveSetupInfo(record, Path());
        _tagSetupInfo saved;
        LoadSetupInfo(Path(), saved);
        EXPECT_EQ(saved.language, c.language) << c.file;
    }
    std::wstring out;
    EXPECT_EQ(ReadIniKeyFallback(L"CarsStyle", Write("[Other]\rLanguage=ab\rCarsStyle=3\r"), out), 1);
    EXPECT_EQ(out, L"3");
}

TEST_F(SetupFileTest, IntegerReads)
{
    const std::wstring path = Write("[Config]\nIsUpdate=abc\nTestSoftUpdate=1\nNeg=-1\nBig=4294967296\n"
                                    "Padded=  12x\nEmpty=\nHuge=-99999999999\n");
    const CIni ini = Ini();
    const struct {
        const wchar_t* key;
        int ciniValue;
        int setupResult, setupValue;
    } cases[] = {
        {L"IsUpdate", 0, 0, 0}, {L"TestSoftUpdate", 1, 0, 1},      {L"Neg", -1, 0, -1},  {L"Big", -1, 0, 2147483647},
        {L"Padded", 12, 0, 12}, {L"Huge", -1, 0, -2147483647 - 1}, {L"Empty", 0, 1, 77}, {L"Missing", 0, 1, 77},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInt(L"config", c.key), c.ciniValue) << c.key;
        int v = 77;
        EXPECT_EQ(ReadSetupInt(v, L"Config", path, c.key), c.setupResult) << c.key;
        EXPECT_EQ(v, c.setupValue) << c.key;
    }
    int v = 5;
    EXPECT_EQ(ReadSetupInt(v, L"Config", L"", L"IsUpdate"), 1);
    EXPECT_EQ(v, 5);
}

TEST_F(SetupFileTest, LongValues)
{
    std::string value;
    for (int i = 0; i < 600; ++i)
        value += static_cast<char>('a' + i % 26);
    const std::wstring path = Write("[PrintSetting]\nLogoTitle=" + value + "\n");
    const std::wstring wide = Utf8ToWide(value);
    EXPECT_EQ(Ini().ReadStringAlloc(L"PrintSetting", L"LogoTitle"), wide);
    EXPECT_EQ(Ini().ReadStringBuf(L"PrintSetting", L"LogoTitle"), wide); // whole, not 64
    std::wstring out;
    ReadSetupString(out, path, L"PrintSetting", L"LogoTitle");
    EXPECT_EQ(out, wide.substr(0, 259));

    // Lengths around the read step of CIni.
    for (size_t n : {510u, 511u, 512u, 1023u, 1024u, 1536u}) {
        const std::string v(n, 'q');
        Write("[s]\nk=" + v + "\n");
        EXPECT_EQ(Ini().ReadStringAlloc(L"s", L"k").size(), n);
    }
}

TEST_F(SetupFileTest, ReadSetupStringEmptiesAndSkipsEmptyPath)
{
    const std::wstring path = Write("[PrintSetting]\nPrinterName=Zebra\n");
    std::wstring out = L"earlier";
    ReadSetupString(out, L"", L"PrintSetting", L"PrinterName");
    EXPECT_EQ(out, L"earlier");
    ReadSetupString(out, path, L"PrintSetting", L"LogoTitle");
    EXPECT_EQ(out, L"");
    ReadSetupString(out, path, L"printsetting", L"printername");
    EXPECT_EQ(out, L"Zebra");
}

TEST_F(SetupFileTest, RecordsWrittenAndReadBack)
{
    const std::wstring path = Path();
    _tagSetupInfo setup;
    setup.carsStyle = 4;
    setup.language = L"DE";
    SaveSetupInfo(setup, path);
    _tagPrintSettingInfo print;
    print.printerName = L"Label \u4E2D";
    print.logoTitle = L"Brelk";
    print.paperWidth = 62.25f;
    print.paperHeight = 29.0f;
    print.orientation = 2;
    print.dateFormatType = 0;
    SavePrintSetting(path, print);
    WriteSetupInt(path, L"Orientation", L"printsetting", 3); // same key, another spelling
    const CIni ini = Ini();
    EXPECT_EQ(ini.WriteString(L"H", L"Setup", L"IdFormat"), 1);
    EXPECT_EQ(ini.WriteString(L"D", L"Setup", L"IDFormat"), 1);
    EXPECT_EQ(ini.WriteIsUpdate(1), 1);
    EXPECT_EQ(ini.WriteString(nullptr, L"Setup", L"Program"), 1);
    EXPECT_EQ(ini.WriteString(L"x", nullptr, L"Program"), 0);
    EXPECT_EQ(ini.WriteString(L"x", L"Setup", nullptr), 0);

    EXPECT_EQ(Text(), "[Setup]\nCarsStyle=4\nLanguage=DE\nIdFormat=D\nProgram=\n"
                      "[PrintSetting]\nPrinterName=Label \xE4\xB8\xAD\nPaperWidth=62.2\nPaperHeight=29.0\n"
                      "Orientation=3\nLogoTitle=Brelk\nDateFormatType=0\n"
                      "[Config]\nIsUpdate=1\n");

    _tagSetupInfo setupBack;
    LoadSetupInfo(path, setupBack);
    EXPECT_EQ(setupBack.carsStyle, 4);
    EXPECT_EQ(setupBack.language, L"DE");
    _tagPrintSettingInfo printBack;
    LoadPrintSetting(path, printBack);
    EXPECT_EQ(printBack.printerName, print.printerName);
    EXPECT_EQ(printBack.logoTitle, L"Brelk");
    EXPECT_FLOAT_EQ(printBack.paperWidth, 62.2f);
    EXPECT_FLOAT_EQ(printBack.paperHeight, 29.0f);
    EXPECT_EQ(printBack.orientation, 3);
    EXPECT_EQ(printBack.dateFormatType, 0);
    EXPECT_EQ(ini.ReadStringAlloc(L"SETUP", L"idformat"), L"D");
    EXPECT_EQ(ini.ReadInt(L"Config", L"IsUpdate"), 1);
}

TEST_F(SetupFileTest, WritesWithAnEmptyPathDoNothing)
{
    _tagSetupInfo setup;
    SaveSetupInfo(setup, L"");
    WriteSetupInt(L"", L"CarsStyle", L"Setup", 2);
    SavePrintSetting(L"", _tagPrintSettingInfo());
    EXPECT_FALSE(PathExists(m_data.Folder().File("Setup.ini")));
}

TEST_F(SetupFileTest, SetupIniFileIsInTheDataFolder)
{
    EXPECT_EQ(GetSetupIniFile(), Utf8ToWide(m_data.Path()) + L"/Setup.ini");
    EXPECT_EQ(&GetSetupIniFile(), &GetSetupIniFile());
}

TEST(WideToGbk, ConvertsToCodePage936)
{
    EXPECT_EQ(WideToGbk(L"2024-01-02 \u4E2D\u6587,ID"), "2024-01-02 \xD6\xD0\xCE\xC4,ID");
    EXPECT_EQ(WideToGbk(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(WideToGbk(L""), "");
    EXPECT_EQ(WideToGbk(L"a\U0001F600"), "a?");
}

} // namespace

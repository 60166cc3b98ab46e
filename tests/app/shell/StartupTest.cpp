// The start of the client: the application object's steps, and the first
// contact with the Brelk while the main window is created, over a simulated
// Brelk on the virtual clock.
#include "BRELK2App.h"
#include "CodePage.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "MessageBoxWatcher.h"
#include "ProductStrings.h"
#include "Registry.h"
#include "SetupFile.h"
#include "SimBrelk.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class StartupTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        DeviceMap::SetSource([] {
            return std::optional<std::vector<DeviceMapEntry>>(
                std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
        });
    }
    // Everything the text log wrote in the data folder.
    static std::string TextLog(const ScopedDataFolder& data)
    {
        std::string all;
        const std::filesystem::path folder = std::filesystem::path(data.Path()) / "log";
        if (!std::filesystem::is_directory(folder))
            return all;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            all += text.str();
        }
        return all;
    }
    static std::wstring StoredBrelkVersion(const ScopedDataFolder& data)
    {
        std::wstring value;
        ReadSetupString(value, Utf8ToWide(data.Folder().File("Setup.ini")), L"Config", L"BrelkVersion");
        return value;
    }
    static int Count(const std::vector<uint8_t>& commands, uint8_t command)
    {
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }

    VirtualClock clock;
    ScriptedMessageBoxes boxes;
};

TEST_F(StartupTest, TheBrelksVersionDecidesTheUpgrade)
{
    const struct {
        const char* what;
        std::string reply;
        bool upgrade;
        std::wstring stored;
    } cases[] = {
        {"the built-in version", std::string("V6.11\0", 6), false, L"V6.11"},
        // Upgraded from the sample catalog's image, it answers the built-in version.
        {"another version", std::string("V6.10\0", 6), true, L"V6.11"},
        {"one character", std::string("V\0", 2), false, L"V"},
        {"not a version", std::string("\xB4\x96\x01", 3), false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedDataFolder folder;
        SimBrelk brelk(3);
        brelk.sim.SetVersion(c.reply);
        auto dlg = CreateDialog();
        const std::string log = TextLog(folder);
        EXPECT_NE(log.find("ini file path:" + folder.Path() + "/Setup.ini"), std::string::npos) << log;
        EXPECT_EQ(log.find("Start to update boot...") != std::string::npos, c.upgrade) << log;
        // Asked once to decide, once more after (and by the upgrade once its restart is done).
        EXPECT_EQ(Count(brelk.sim.Commands(), 0xC8), c.upgrade ? 3 : 2);
        EXPECT_EQ(Count(brelk.sim.Commands(), 0xCF), c.upgrade ? 1 : 0);
        EXPECT_EQ(StoredBrelkVersion(folder), c.stored);
        const bool connected = !c.stored.empty();
        EXPECT_EQ(dlg->GetConnectState(), connected ? 1 : 0);
        // With a Brelk the port is closed again until an operation needs it.
        if (connected) {
            EXPECT_FALSE(g_bSerialOpen);
            EXPECT_NE(log.find("SoftVersion[V3.12],BrelkVersion:[V6.11]"), std::string::npos) << log;
            // The program is entered: the car tab shows the car page of the region.
            EXPECT_EQ(CurrentId(*dlg), kPageCarRegion1);
        } else {
            EXPECT_EQ(dlg->GetCurrentLink(), nullptr);
        }
        EXPECT_FALSE(dlg->IsUpgradeRunning());
        EXPECT_FALSE(dlg->IgnoresDeviceChanges());
        dlg->DestroyWindow();
        SerialClose();
    }
}

TEST_F(StartupTest, ABrelkThatGoesSilentAfterTheUpgradeIsStillWatchedFor)
{
    SimBrelk brelk(3);
    int queries = 0;
    // The first query answers another version, the one after the upgrade nothing.
    brelk.port.SetPeer([&](FakeSerialPort& port, const uint8_t* bytes, size_t n) {
        if (n >= 3 && bytes[2] == 0xC8 && ++queries == 1)
            port.Deliver({'V', '6', '.', '0', '9', 0});
    });
    auto dlg = CreateDialog();
    EXPECT_NE(TextLog(data).find("Start to update boot..."), std::string::npos);
    EXPECT_EQ(queries, 2);
    // The loader never answered: the user was told, and the window given back.
    ASSERT_EQ(boxes.AskedBoxes().size(), 2u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, L"fail to CF");
    EXPECT_EQ(boxes.AskedBoxes()[1].text, GetLanguageManager().GetText(L"UPGRADEERRPR"));
    EXPECT_TRUE(dlg->IsWindowEnabled());
    EXPECT_EQ(StoredBrelkVersion(data), L"");
    EXPECT_EQ(dlg->GetConnectState(), 0);
    // Device changes count again: the Brelk is noticed when it comes back.
    EXPECT_FALSE(dlg->IgnoresDeviceChanges());
    dlg->DestroyWindow();
}

TEST_F(StartupTest, WithoutABrelkTheWindowWaits)
{
    // No port at all.
    DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
    auto dlg = CreateDialog();
    EXPECT_EQ(dlg->GetConnectState(), 0);
    EXPECT_EQ(StoredBrelkVersion(data), L"");
    EXPECT_EQ(TextLog(data).find("SoftVersion["), std::string::npos);
    EXPECT_TRUE(dlg->IsCreated());
    dlg->DestroyWindow();
}

TEST_F(StartupTest, ProductStringsAndRegionNames)
{
    EXPECT_EQ(g_productStrings[0], "Teskaro_Brelk");
    EXPECT_EQ(g_productStrings[1], "V3.12");
    EXPECT_EQ(g_productStrings[2], "V6.11");
    EXPECT_EQ(g_productStrings[3], "V4.17");
    EXPECT_EQ(g_productStrings[4], "V6.24");
    const wchar_t* names[] = {L"US", L"EUROPE", L"AU", L"JP", L"KR"};
    for (int region = 1; region <= 5; ++region)
        EXPECT_STREQ(GetRegionName(region), names[region - 1]);
    EXPECT_STREQ(GetRegionName(0), L"");
    EXPECT_STREQ(GetRegionName(6), L"");
}

TEST(AppStart, ASecondInstanceIsRefused)
{
    TempFolder runtime;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    CBRELK2App first, second;
    ASSERT_TRUE(first.AcquireSingleInstance());
    EXPECT_FALSE(second.AcquireSingleInstance());
    // The whole run of the second ends at once, without a window.
    int argc = 1;
    char name[] = "brelk";
    char* argv[] = {name, nullptr};
    EXPECT_FALSE(second.InitInstance(argc, argv));
    EXPECT_EQ(GetMainWindow(), nullptr);
    first.ExitInstance();
    EXPECT_TRUE(second.AcquireSingleInstance());
    second.ExitInstance();
}

TEST(AppStart, AnEmptyLanguageStartsInEnglish)
{
    const struct {
        const char* ini;
        std::wstring code;
        std::wstring title;
    } cases[] = {
        {"[Setup]\nLanguage=\nCarsStyle=3\n", L"EN", L"Brelk TPMS Tool"},
        {"[Setup]\nCarsStyle=3\n", L"EN", L"Brelk TPMS Tool"},
        {"[Setup]\nLanguage=de\nCarsStyle=3\n", L"DE", L"Brelk RDKS-Werkzeug"},
    };
    ScopedDataFolder data;
    // The settings file's path is made once per process (ctest gives each test its own).
    if (GetSetupIniFile().rfind(Utf8ToWide(data.Path()), 0) != 0)
        GTEST_SKIP() << "an earlier test of this process fixed the settings path";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        data.Folder().Write("Setup.ini", c.ini);
        CBRELK2App app;
        app.LoadSettings();
        EXPECT_EQ(app.m_setupInfo.language, c.code);
        EXPECT_EQ(app.m_setupInfo.carsStyle, 3);
        EXPECT_EQ(GetLanguageManager().GetCurrentCode(), c.code);
        EXPECT_EQ(GetLanguageManager().GetText(L"APP_TITLE"), c.title);
        // The other records have their defaults.
        EXPECT_EQ(app.m_versionInfo.BrelkVersion, L"V6.11");
        EXPECT_GE(app.m_printSetting.orientation, 1);
    }
}

TEST(AppStart, AGermanStartGivesQtsOwnButtonsInGerman)
{
    EnsureUiApp();
    ScopedDataFolder data;
    if (GetSetupIniFile().rfind(Utf8ToWide(data.Path()), 0) != 0)
        GTEST_SKIP() << "an earlier test of this process fixed the settings path";
    data.Folder().Write("Setup.ini", "[Setup]\nLanguage=DE\n");
    CBRELK2App app;
    app.LoadSettings();
    TempFolder grabs;
    std::vector<MessageBoxWatcher::Seen> seen;
    {
        MessageBoxWatcher watcher(L"Nein", grabs.Path(), "question");
        EXPECT_EQ(MessageBox(nullptr, L"?", L"", MB_YESNO), IDNO);
        seen = watcher.SeenBoxes();
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].buttons, (std::vector<std::wstring>{L"Ja", L"Nein"}));
    // English again for the tests after this one.
    data.Folder().Write("Setup.ini", "[Setup]\nLanguage=EN\n");
    app.LoadSettings();
}

TEST(AppStart, TheOldInstallerKeysGo)
{
    ScopedDataFolder data;
    const std::wstring id = kInstallerProductId;
    const std::wstring keys[] = {
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + id,
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\InstallShield_" + id,
        L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\InstallShield\\" + id,
        L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\InstallShield\\InstallShield_" + id,
        L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + id,
        L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\InstallShield_" + id,
    };
    for (const auto& key : keys)
        ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper"), REG_SUCCESS);
    const std::wstring other = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Another}";
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, other), REG_SUCCESS);
    RemoveOldInstallerKeys();
    for (const auto& key : keys)
        EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, key), REG_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, other), REG_SUCCESS);
    // Nothing there: nothing fails.
    RemoveOldInstallerKeys();
}

} // namespace

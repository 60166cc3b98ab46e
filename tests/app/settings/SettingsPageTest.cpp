// The settings page as a user meets it: reached by its tab, its boxes filled
// from "Setup.ini" and written as the user chooses with the keyboard, the
// language switched over every page made so far, the versions shown, and the
// self-update's reports arriving from other threads.
#include "AppMessages.h"
#include "BRELK2App.h"
#include "Clock.h"
#include "CodePage.h"
#include "FakeSerialPort.h"
#include "HttpTestServer.h"
#include "Ini.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "ModelRightWnd.h"
#include "NetTestServer.h"
#include "PageCar.h"
#include "PageCreateSensor.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "PageSetup.h"
#include "PageTestSensor.h"
#include "ProductStrings.h"
#include "SensorOperations.h"
#include "SerialPort.h"
#include "SetupFile.h"
#include "TopPane.h"
#include "UiThread.h"
#include "UpdateServerReplies.h"
#include "UpgradeCtrl.h"
#include "VehicleDatabase.h"
#include "ZipFixtureWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kRed = 0x0000FF;

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

std::vector<std::wstring> Items(const ComboBox& box)
{
    std::vector<std::wstring> items;
    for (int i = 0; i < box.GetCount(); ++i)
        items.push_back(box.GetLBText(i));
    return items;
}

// What a user does to choose in a closed drop-down list: focus it, press a key.
void Choose(ComboBox& box, UINT key)
{
    box.SetFocus();
    KeyPress(box, key);
}

class SettingsPageTest : public PagesTest {
protected:
    void SetUp() override
    {
        PagesTest::SetUp();
        theApp.m_versionInfo.CarBinVersion = L"V6.24";
    }
    void TearDown() override
    {
        theApp.m_setupInfo.language = L"EN";
        GetLanguageManager().LoadLanguage(L"EN");
        PagesTest::TearDown();
    }

    // The settings tab of the main tab bar, clicked.
    static CPageSetup* OpenSettings(CBRELK2Dlg& dlg)
    {
        CMenuTabs* tabs = dlg.GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
        EXPECT_TRUE(tabs);
        if (!tabs)
            return nullptr;
        MouseClick(*tabs->GetTab(2), CPoint(40, 12));
        return Current<CPageSetup>(dlg);
    }

    std::wstring Setting(const wchar_t* key) const
    {
        CIni ini;
        ini.path = Utf8ToWide(data.Folder().File("Setup.ini"));
        return ini.ReadStringBuf(L"Setup", key);
    }
    // The settings path of the record functions is made once per process.
    bool SetupFileIsOurs() const { return GetSetupIniFile().rfind(Utf8ToWide(data.Path()), 0) == 0; }
};

} // namespace

TEST_F(SettingsPageTest, ItsTabShowsTheSettingsAndTheVersions)
{
    data.Folder().Write("Setup.ini", "[Setup]\r\nTemperature=C\r\nPressure=bar\r\nProgram=0\r\n");
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    EXPECT_EQ(CurrentId(*dlg), kPageSetup);
    EXPECT_EQ(page->GetPageType(), 8);
    CTopPane* top = dlg->GetTopPane();
    EXPECT_FALSE(top->GetButton(CTopPane::kFunctionListId)->IsWindowVisible());
    EXPECT_TRUE(top->GetButton(CTopPane::kDailyFileId)->IsWindowVisible());
    EXPECT_TRUE(!top->GetSearchView() || !top->GetSearchView()->IsWindowVisible());
    EXPECT_TRUE(!top->GetButton(CTopPane::kBackId) || !top->GetButton(CTopPane::kBackId)->IsWindowVisible());

    EXPECT_EQ(page->GetLabels(),
              (std::vector<std::wstring>{L"Language", L"ID format", L"Pressure", L"Temperature", L"Region",
                                         L"Software version", L"Brelk version", L"Sensor version"}));
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kLanguageBoxId)), (std::vector<std::wstring>{L"English", L"Deutsch"}));
    EXPECT_EQ(page->GetBox(CPageSetup::kLanguageBoxId)->GetCurSel(), 0);
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kIdFormatBoxId)),
              (std::vector<std::wstring>{L"Hexadecimal", L"Decimal"}));
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kTemperatureBoxId)), (std::vector<std::wstring>{L"°F", L"°C"}));
    EXPECT_EQ(page->GetBox(CPageSetup::kTemperatureBoxId)->GetCurSel(), 1);
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kPressureBoxId)), (std::vector<std::wstring>{L"PSI", L"kPa", L"bar"}));
    // Stored in another letter case, as a hand-edited file may have it.
    EXPECT_EQ(page->GetBox(CPageSetup::kPressureBoxId)->GetCurSel(), 2);
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kRegionBoxId)),
              (std::vector<std::wstring>{L"North America", L"Europe", L"Australia", L"Japan", L"Korea"}));
    EXPECT_EQ(page->GetBox(CPageSetup::kRegionBoxId)->GetCurSel(), 0);
    CMyComboBox* way = page->GetBox(CPageSetup::kProgramWayBoxId);
    EXPECT_FALSE(way->IsWindowVisible());
    EXPECT_EQ(Items(*way), (std::vector<std::wstring>{L"By wire", L"Wireless"}));
    EXPECT_EQ(way->GetCurSel(), 0);

    // The buttons, and the progress parts hidden until the self-update reports.
    EXPECT_EQ(page->GetPrintSettingButton()->GetText(), L"Print Settings");
    EXPECT_EQ(page->GetUpgradeButton()->GetText(), L"Check for Updates");
    EXPECT_EQ(page->GetUpgradeButton()->GetKind(), CCustButton::kPageAction);
    EXPECT_FALSE(page->GetProgressBar()->IsWindowVisible());
    EXPECT_EQ(page->GetProgressBar()->GetPos(), 50);
    EXPECT_FALSE(page->GetStatusText()->IsWindowVisible());
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kBlue);
    EXPECT_FALSE(page->GetPercentText()->IsWindowVisible());

    // The region box's rectangle ends above its top: the box is as high as its font needs.
    CMyComboBox* regionBox = page->GetBox(CPageSetup::kRegionBoxId);
    EXPECT_EQ(regionBox->GetWindowRect(), CRect(287, 312, 500, 262));
    EXPECT_GT(regionBox->GetClientRect().Height(), 10);

    // No Brelk answered when the tab opened: its version line is empty.
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    EXPECT_EQ(page->GetVersionText(), L"");
    // A version the program learns later shows at once.
    dlg->RecordBrelkVersion(L"V6.11");
    EXPECT_EQ(page->GetVersionText(), L"V6.11");
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, EachChoiceIsWrittenAtOnce)
{
    data.Folder().Write("Setup.ini", "[Setup]\r\nCarsStyle=1\r\n");
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);

    // A missing IDFormat is decimal, here as in the operations.
    EXPECT_EQ(page->GetBox(CPageSetup::kIdFormatBoxId)->GetCurSel(), 1);
    EXPECT_FALSE(IdFormatIsHex(Setting(L"IDFormat")));

    const struct {
        int box;
        UINT key;
        const wchar_t* setting;
        const wchar_t* value;
    } steps[] = {
        {CPageSetup::kIdFormatBoxId, VK_UP, L"IDFormat", L"H"},
        {CPageSetup::kIdFormatBoxId, VK_DOWN, L"IDFormat", L"D"},
        {CPageSetup::kTemperatureBoxId, VK_DOWN, L"Temperature", L"C"},
        {CPageSetup::kTemperatureBoxId, VK_UP, L"Temperature", L"F"},
        {CPageSetup::kPressureBoxId, VK_DOWN, L"Pressure", L"KPA"},
        {CPageSetup::kPressureBoxId, VK_DOWN, L"Pressure", L"BAR"},
        {CPageSetup::kPressureBoxId, VK_UP, L"Pressure", L"KPA"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(WideToUtf8(step.setting) + " " + WideToUtf8(step.value));
        Choose(*page->GetBox(step.box), step.key);
        EXPECT_EQ(Setting(step.setting), step.value);
    }
    // What the page wrote is what it shows the next time it fills its boxes.
    page->LoadSettings();
    EXPECT_EQ(page->GetBox(CPageSetup::kIdFormatBoxId)->GetCurSel(), 1);
    EXPECT_EQ(page->GetBox(CPageSetup::kTemperatureBoxId)->GetCurSel(), 0);
    EXPECT_EQ(page->GetBox(CPageSetup::kPressureBoxId)->GetCurSel(), 1);
    // The programming way stays as it was: nobody chose it.
    EXPECT_EQ(Setting(L"Program"), L"");
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, TheIdFormatBoxAndTheOperationsReadTheSameBase)
{
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    const struct {
        const char* file;
        int item;
    } cases[] = {
        {"[Setup]\r\n", 1},
        {"[Setup]\r\nIDFormat=H\r\n", 0},
        {"[Setup]\r\nIdFormat=h\r\n", 0},
        {"[Setup]\r\nIDFormat=D\r\n", 1},
        {"[Setup]\r\nIDFormat=X\r\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        data.Folder().Write("Setup.ini", c.file);
        page->LoadSettings();
        EXPECT_EQ(page->GetBox(CPageSetup::kIdFormatBoxId)->GetCurSel(), c.item);
        EXPECT_EQ(IdFormatIsHex(Setting(L"IDFormat")), c.item == 0);
    }
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, TheRegionChosenIsSavedAndTheBoxFollowsTheTabBar)
{
    if (!SetupFileIsOurs())
        GTEST_SKIP() << "an earlier test of this process fixed the settings path";
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    CMyComboBox* region = page->GetBox(CPageSetup::kRegionBoxId);
    Choose(*region, VK_DOWN);
    EXPECT_EQ(theApp.m_setupInfo.carsStyle, 2);
    EXPECT_EQ(Setting(L"CarsStyle"), L"2");

    // The car tab shows the region chosen here.
    CMenuTabs* tabs = dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
    MouseClick(*tabs->GetTab(0), CPoint(40, 12));
    ASSERT_TRUE(Current<CPageCar>(*dlg));
    EXPECT_EQ(Current<CPageCar>(*dlg)->GetRegion(), 2);
    // Another region in the tab bar's box; the settings page shows it when it comes back.
    Choose(*tabs->GetRegionBox(), VK_DOWN);
    EXPECT_EQ(theApp.m_setupInfo.carsStyle, 3);
    ASSERT_EQ(OpenSettings(*dlg), page);
    EXPECT_EQ(region->GetCurSel(), 2);
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, ALanguageSwitchReachesEveryPageMadeSoFar)
{
    auto dlg = OpenProgram();
    CTopPane* top = dlg->GetTopPane();
    CMenuTabs* tabs = top->GetMenuTabs(CMenuTabs::kModeMain);
    // Every page a user can have made: the brands, a model page, the years'
    // operation pages, the part numbers and the settings.
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars && cars->GetPanelCount() > 0);
    CBrandWnd* brand = cars->GetPanel(0);
    MouseClick(*brand->GetButton(), CPoint(40, 40));
    CPageModel* models = Current<CPageModel>(*dlg);
    ASSERT_TRUE(models);
    EXPECT_EQ(models->GetYearPane()->GetNote(), L"Choose a model on the left.");
    CYear year(L"2015", L"40", L"0x40", L"0", L"OBD", L"Maker", L"OE-1", L"1", L"40");
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(&year)), kActionVehicle);
    auto* test = Current<CPageTestSensor>(*dlg);
    ASSERT_TRUE(test);
    EXPECT_EQ(test->GetStatusText()->GetWindowText(), L"Ready");
    // Test without a Brelk: the status line says so in red.
    MouseClick(*test->GetButton(kCmdTestSensor), CPoint(40, 15));
    EXPECT_EQ(test->GetStatusText()->GetWindowText(), L"The Brelk is not connected: plug it in by USB and try again");
    EXPECT_EQ(test->GetStatusText()->GetTextColor(), kRed);
    MouseClick(*top->GetMenuTabs(CMenuTabs::kModeSensor)->GetTab(1), CPoint(40, 12));
    auto* create = Current<CPageCreateSensor>(*dlg);
    ASSERT_TRUE(create);
    EXPECT_EQ(create->GetStatusText()->GetWindowText(), L"Ready");
    dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kBackId, kActionBack);
    MouseClick(*tabs->GetTab(1), CPoint(40, 12));
    ASSERT_TRUE(Current<CPagePartNo>(*dlg));
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    // A status the self-update left, in blue.
    CPageSetup::UpgradeReports().SetUpgradeButtonText(L"NEWESTVERSION");
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"This program is up to date");

    Choose(*page->GetBox(CPageSetup::kLanguageBoxId), VK_DOWN);
    EXPECT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");
    EXPECT_EQ(theApp.m_setupInfo.language, L"DE");
    if (SetupFileIsOurs()) {
        EXPECT_EQ(Setting(L"Language"), L"DE");
    }

    // The window and its top pane.
    EXPECT_EQ(dlg->GetWindowText(), L"Brelk RDKS-Werkzeug");
    EXPECT_EQ(top->GetButton(CTopPane::kHelpId)->GetText(), L"Hilfe...");
    EXPECT_EQ(top->GetButton(CTopPane::kFunctionListId)->GetText(), L"Funktionsliste");
    EXPECT_EQ(top->GetButton(CTopPane::kDailyFileId)->GetText(), L"Tagesprotokolle");
    EXPECT_EQ(top->GetButton(CTopPane::kBackId)->GetText(), L"Zurück");
    EXPECT_EQ(tabs->GetTab(0)->GetText(), L"Fahrzeug");
    EXPECT_EQ(tabs->GetTab(2)->GetText(), L"Einstellungen");
    EXPECT_EQ(Items(*tabs->GetRegionBox())[0], L"Nordamerika");
    EXPECT_EQ(top->GetMenuTabs(CMenuTabs::kModeSensor)->GetTab(0)->GetText(), L"Sensor prüfen");
    // The settings page: labels, buttons, every box, the status line.
    EXPECT_EQ(page->GetLabels(),
              (std::vector<std::wstring>{L"Sprache", L"ID-Format", L"Druck", L"Temperatur", L"Region",
                                         L"Softwareversion", L"Brelk-Version", L"Sensorversion"}));
    EXPECT_EQ(page->GetPrintSettingButton()->GetText(), L"Druckeinstellungen");
    EXPECT_EQ(page->GetUpgradeButton()->GetText(), L"Nach Updates suchen");
    EXPECT_EQ(page->GetBox(CPageSetup::kLanguageBoxId)->GetCurSel(), 1);
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kIdFormatBoxId)),
              (std::vector<std::wstring>{L"Hexadezimal", L"Dezimal"}));
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kRegionBoxId))[0], L"Nordamerika");
    EXPECT_EQ(Items(*page->GetBox(CPageSetup::kProgramWayBoxId))[0], L"Per Kabel");
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Dieses Programm ist auf dem neuesten Stand");
    // A red status follows the language too.
    CPageSetup::UpgradeReports().SetUpgradeStatusColor(kRed);
    CPageSetup::UpgradeReports().SetUpgradeButtonText(L"DISCONNECT_SERVER");
    dlg->SendMessage(WM_PAGE_ACTION, 10115, MsgParam::Of(std::wstring(L"EN")));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Cannot reach the update server: check the internet connection");
    dlg->SendMessage(WM_PAGE_ACTION, 10115, MsgParam::Of(std::wstring(L"DE")));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(),
              L"Der Update-Server ist nicht erreichbar: Internetverbindung prüfen");
    // The selection pages and the operation pages draw their texts in the language in use.
    EXPECT_EQ(models->GetYearPane()->GetNote(), L"Bitte links ein Modell wählen.");
    EXPECT_EQ(test->ComposeLines().a.rfind(L"Fahrzeug: ", 0), 0u);
    // The operation pages: their buttons and their status lines, the colour kept.
    EXPECT_EQ(test->GetButton(kCmdTestSensor)->GetText(), L"Prüfen");
    EXPECT_EQ(test->GetStatusText()->GetWindowText(),
              L"Der Brelk ist nicht verbunden: per USB anschließen und erneut versuchen");
    EXPECT_EQ(test->GetStatusText()->GetTextColor(), kRed);
    EXPECT_EQ(create->GetStatusText()->GetWindowText(), L"Bereit");
    EXPECT_EQ(create->GetButton(kCmdProgramCreate)->GetText(), L"Programmieren");
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-de.png")));
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, GrabsAtBothScales)
{
    for (const ScreenInfo* screen : {&kLargeScreen, &kSmallScreen}) {
        auto dlg = OpenProgram(*screen);
        CPageSetup* page = OpenSettings(*dlg);
        ASSERT_TRUE(page);
        EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
        dlg->RecordBrelkVersion(L"V6.11");
        const std::string name = screen == &kLargeScreen ? "100" : "78";
        RunEvents(20);
        EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-en-" + name + ".png")));
        // The region box's rectangle and the version panel scale with the window.
        const CRect panel = CPageSetup::VersionPanelRect();
        EXPECT_EQ(panel, ScaleRect(CRect(561, 30, 940, 640)));
        dlg->DestroyWindow();
        dlg.reset();
        g_dUiScale = 1.0;
    }
}

// The version panel as the page draws it: each version line drawn once keeps
// its anti-aliased edge (drawn over itself a hair apart, as before, the ink
// turned almost all solid: 11 % of it grey against 42 % now), and the rules of
// the panel's picture lie between the lines, never through their letters.
TEST_F(SettingsPageTest, TheVersionLinesAreCrispAndTheRulesMissTheirLetters)
{
    auto dlg = OpenProgram(kLargeScreen);
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    dlg->RecordBrelkVersion(L"V6.11");
    RunEvents(20);
    const std::unique_ptr<Image> grab = GrabWindow(*page);
    ASSERT_TRUE(grab);
    const CRect panel = CPageSetup::VersionPanelRect();
    auto level = [&](int x, int y) {
        const Color c = grab->GetPixel(x, y);
        return (c.GetR() + c.GetG() + c.GetB()) / 3;
    };
    // Between the caption and the value column: only the rules are there.
    const int ruleX = panel.left + 230;
    int ink = 0, grey = 0;
    std::vector<int> rules, inkRows;
    for (int y = panel.top + 50; y < panel.top + 140; ++y) {
        if (level(ruleX, y) < 250)
            rules.push_back(y);
        bool inked = false;
        for (int x = panel.left + 24; x < panel.right - 24; ++x) {
            const int v = level(x, y);
            inked = inked || v < 128;
            ink += v < 200;
            grey += v >= 64 && v < 200;
        }
        if (inked)
            inkRows.push_back(y);
    }
    EXPECT_EQ(rules.size(), 3u);
    for (int rule : rules)
        EXPECT_EQ(std::count(inkRows.begin(), inkRows.end(), rule), 0) << "a rule through the letters at " << rule;
    ASSERT_GT(ink, 0);
    EXPECT_GT(double(grey) / ink, 0.25) << grey << " of " << ink;
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-version-panel.png")));
    dlg->DestroyWindow();
}

// ---- the version read when the tab opens --------------------------------------------

namespace {

// The Brelk on COM 3 behind a fake line: it answers the version queries of
// the UI thread (the program's start) at once, and those of any other thread
// only when the test lets it.
class SlowVersionBrelk {
public:
    SlowVersionBrelk() : ports(3)
    {
        port.Install(3);
        port.SetPeer([this](FakeSerialPort& p, const uint8_t* bytes, size_t length) {
            if (length < 3 || bytes[2] != 0xC8)
                return;
            std::unique_lock lock(m_mutex);
            if (!IsUiThread()) {
                m_askedOn = std::this_thread::get_id();
                m_waiting = true;
                m_cv.notify_all();
                m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_released; });
                m_waiting = false;
                lock.unlock();
                p.Deliver({'V', '6', '.', '1', '2', 0});
                return;
            }
            lock.unlock();
            p.Deliver({'V', '6', '.', '1', '1', 0});
        });
    }
    ~SlowVersionBrelk()
    {
        Release();
        SerialClose();
    }
    bool Waiting()
    {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }
    std::thread::id AskedOn()
    {
        std::lock_guard lock(m_mutex);
        return m_askedOn;
    }

    TestPorts ports;
    FakeSerialPort port;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_waiting = false;
    bool m_released = false;
    std::thread::id m_askedOn;
};

} // namespace

TEST_F(SettingsPageTest, TheBrelksVersionIsReadOffTheUiThreadWhenTheTabOpens)
{
    SlowVersionBrelk brelk;
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    // The click has come back while the Brelk has not answered yet.
    ASSERT_TRUE(PumpUntil([&] { return brelk.Waiting(); }, 5000));
    EXPECT_EQ(page->GetVersionText(), L"V1.1");
    EXPECT_NE(brelk.AskedOn(), std::this_thread::get_id());
    // The window goes on meanwhile: it takes the user's input.
    MouseClick(*dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain)->GetTab(1), CPoint(40, 12));
    EXPECT_EQ(CurrentId(*dlg), kPagePartNo);
    ASSERT_EQ(OpenSettings(*dlg), page);
    EXPECT_EQ(page->GetVersionText(), L"V1.1");

    brelk.Release();
    EXPECT_TRUE(PumpUntil([&] { return page->GetVersionText() == L"V6.12"; }, 5000));
    // The second visit asked nothing more while the first read ran.
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    dlg->DestroyWindow();
}

// ---- the self-update's reports ------------------------------------------------------

namespace {

// A clock whose sleeps wait until the test lets them end, and that notes the
// threads that slept.
class GateClock final : public IClock {
public:
    GateClock() { SetClock(this); }
    ~GateClock() override
    {
        Open();
        SetClock(nullptr);
    }
    uint32_t GetTickCount() override { return m_now; }
    void Sleep(uint32_t ms) override
    {
        std::unique_lock lock(m_mutex);
        m_sleeps.push_back({std::this_thread::get_id(), ms});
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_open; });
        m_now += ms;
    }
    // A wait on events is a sleep here, unless one is set already.
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        if (AnyEventSet(EventsOf(events)))
            return true;
        Sleep(ms);
        return AnyEventSet(EventsOf(events));
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    std::vector<std::pair<std::thread::id, uint32_t>> Sleeps()
    {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
    std::atomic<uint32_t> m_now{1000};
    std::vector<std::pair<std::thread::id, uint32_t>> m_sleeps;
};

} // namespace

TEST_F(SettingsPageTest, ProgressFromAWorkerShowsOnThePageWhileTheWindowRuns)
{
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    IUpgradePage& reports = CPageSetup::UpgradeReports();

    std::atomic<int> step{0};
    std::thread worker([&] {
        reports.OnUpgradeProgress(0, 0);
        step = 1;
        reports.OnUpgradeProgress(0, 40);
        step = 2;
    });
    ASSERT_TRUE(PumpUntil([&] { return step == 2; }, 5000));
    worker.join();
    EXPECT_TRUE(page->GetProgressBar()->IsWindowVisible());
    EXPECT_TRUE(page->GetStatusText()->IsWindowVisible());
    EXPECT_TRUE(page->GetPercentText()->IsWindowVisible());
    EXPECT_EQ(page->GetProgressBar()->GetPos(), 40);
    EXPECT_EQ(page->GetPercentText()->GetWindowText(), L"40%");
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Downloading...");

    // The unpacking's last report: "Completed", for half a second of the
    // worker's time, the window running on.
    GateClock clock;
    std::atomic<bool> done{false};
    worker = std::thread([&] {
        reports.OnUpgradeProgress(1, 90);
        reports.OnUpgradeProgress(1, 100);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return !clock.Sleeps().empty(); }, 5000));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Completed");
    EXPECT_EQ(page->GetPercentText()->GetWindowText(), L"100%");
    EXPECT_TRUE(page->GetProgressBar()->IsWindowVisible());
    EXPECT_FALSE(done);
    // Meanwhile the user goes on: the language box takes a choice.
    Choose(*page->GetBox(CPageSetup::kLanguageBoxId), VK_DOWN);
    EXPECT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");
    // A progress text is no status key: the language change leaves it.
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Completed");
    clock.Open();
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    worker.join();
    const auto sleeps = clock.Sleeps();
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_NE(sleeps[0].first, std::this_thread::get_id());
    EXPECT_EQ(sleeps[0].second, CPageSetup::kCompletedShowMs);
    EXPECT_FALSE(page->GetProgressBar()->IsWindowVisible());
    EXPECT_FALSE(page->GetStatusText()->IsWindowVisible());
    EXPECT_FALSE(page->GetPercentText()->IsWindowVisible());

    // The next download shows its own text again.
    worker = std::thread([&] { reports.OnUpgradeProgress(0, 10); });
    ASSERT_TRUE(PumpUntil([&] { return page->GetPercentText()->GetWindowText() == L"10%"; }, 5000));
    worker.join();
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Downloading...");
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, StatusKeysColoursAndTheUpgradeButton)
{
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    IUpgradePage& reports = CPageSetup::UpgradeReports();
    std::thread worker([&] {
        reports.SetUpgradeButtonState(CCustButton::kStateDisabled, false);
        reports.SetUpgradeStatusColor(kRed);
        reports.SetUpgradeButtonText(L"BTN_UPGRADE");
    });
    while (worker.joinable() && !PumpUntil([] { return false; }, 10)) {
        if (page->GetStatusKey() == L"BTN_UPGRADE")
            break;
    }
    worker.join();
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Check for Updates...");
    EXPECT_TRUE(page->GetStatusText()->IsWindowVisible());
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kRed);
    EXPECT_EQ(page->GetUpgradeButton()->GetState(), CCustButton::kStateDisabled);
    EXPECT_FALSE(page->GetUpgradeButton()->IsWindowEnabled());
    // Only "BTN_UPGRADE" gets the dots.
    reports.SetUpgradeButtonText(L"NEWESTVERSION");
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"This program is up to date");
    reports.SetUpgradeButtonState(CCustButton::kStateNormal, true);
    EXPECT_TRUE(page->GetUpgradeButton()->IsWindowEnabled());
    dlg->DestroyWindow();
}

TEST_F(SettingsPageTest, ReportsAfterThePageWentChangeNothing)
{
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    EXPECT_EQ(CPageSetup::Registered(), page);
    page->DestroyWindow();
    EXPECT_EQ(CPageSetup::Registered(), nullptr);
    std::thread worker([] {
        IUpgradePage& reports = CPageSetup::UpgradeReports();
        reports.OnUpgradeProgress(1, 100);
        reports.SetUpgradeButtonText(L"NEWESTVERSION");
        reports.SetUpgradeStatusColor(kRed);
        reports.SetUpgradeButtonState(0, true);
    });
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
        worker.join();
        joined = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return joined.load(); }, 5000));
    joiner.join();
    EXPECT_FALSE(page->GetProgressBar());
    dlg->DestroyWindow();
}

// ---- the language box goes by its index ----------------------------------------------

namespace {

// A program folder whose language list has two languages of one display name
// and one without a code.
class LanguageListTest : public MainDialogTest {
protected:
    LanguageListTest() : program("BRELK_PROGRAM_DIR", folder.Path())
    {
        for (const char* file : {"English.xml", "Deutsch.xml"}) {
            std::ifstream in(std::string(BRELK_SAMPLE_BIN) + "/Language/" + file, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            folder.Write(std::string("Language/") + file, bytes.str());
        }
        folder.Write("Language/LangConfig.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root><Langs>"
                     "<Lang Key=\"One\" Code=\"EN\" FileName=\"English.xml\"/>"
                     "<Lang Key=\"Two\" Code=\"DE\" FileName=\"Deutsch.xml\"/>"
                     "<Lang Key=\"Three\" Code=\"\" FileName=\"English.xml\"/>"
                     "</Langs><AddiMultiLangs><Item Key=\"One\" Value=\"Brelk\"/><Item Key=\"Two\" Value=\"Brelk\"/>"
                     "</AddiMultiLangs></Root>");
    }
    void TearDown() override
    {
        theApp.m_setupInfo.language = L"EN";
        MainDialogTest::TearDown();
    }

    TempFolder folder;
    ScopedEnv program;
};

} // namespace

TEST_F(LanguageListTest, TheBoxMapsItsItemsToTheListNotToTheirNames)
{
    if (GetLanguageManager().GetExeFolderW() != Utf8ToWide(folder.Path()))
        GTEST_SKIP() << "an earlier test of this process made the language manager";
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    theApp.m_setupInfo.language = L"EN";
    auto dlg = CreateDialog(false);
    dlg->SetConnectState(1, 1);
    dlg->SendMessage(WM_PAGE_ACTION, kPageSetup, kActionNavigate);
    auto* page = dynamic_cast<CPageSetup*>(dlg->GetCurrentPage());
    ASSERT_TRUE(page);
    CMyComboBox* box = page->GetBox(CPageSetup::kLanguageBoxId);
    EXPECT_EQ(Items(*box), (std::vector<std::wstring>{L"Brelk", L"Brelk", L""}));
    EXPECT_EQ(box->GetCurSel(), 0);

    // The second "Brelk" is German, though the first has the same name.
    Choose(*box, VK_DOWN);
    EXPECT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");
    EXPECT_EQ(theApp.m_setupInfo.language, L"DE");
    EXPECT_EQ(box->GetCurSel(), 1);
    // A language without a code: nothing changes, the box shows the language in use.
    Choose(*box, VK_DOWN);
    EXPECT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");
    EXPECT_EQ(theApp.m_setupInfo.language, L"DE");
    EXPECT_EQ(box->GetCurSel(), 1);
    dlg->DestroyWindow();
}

// ---- the upgrade button ----------------------------------------------------------------

namespace {

// The settings page against an update server and a download server of the test's own.
class SelfUpdateTest : public SettingsPageTest {
protected:
    void SetUp() override
    {
        SettingsPageTest::SetUp();
        WriteServer(server.Port());
    }
    void TearDown() override
    {
        CUpgradeCtrl::Shutdown();
        SettingsPageTest::TearDown();
    }
    void WriteServer(uint16_t port)
    {
        data.Folder().Write("Setup.ini",
                            "[config]\r\nServerIP=127.0.0.1\r\nServerPort=" + std::to_string(port) + "\r\n");
    }
    // A package of one update program and one more file.
    static std::string Package()
    {
        return ZipFixtureWriter()
            .AddFile("install.sh", "#!/bin/sh\nexit 0\n", 0755)
            .AddFile("data/readme.txt", std::string(4096, 'x'))
            .Bytes();
    }
    static bool NavigationLocked(CBRELK2Dlg& dlg) { return !dlg.GetTopPane()->IsNavigationUnlocked(); }
    static bool ButtonBack(CPageSetup& page)
    {
        return page.GetUpgradeButton()->GetState() == CCustButton::kStateNormal &&
               page.GetUpgradeButton()->IsWindowEnabled();
    }

    ScopedEnv noProxy{"no_proxy", "*"};
    NetTestServer server;
    HttpTestServer http;
};

} // namespace

TEST_F(SelfUpdateTest, TheButtonLocksTheNavigationUntilTheServerAnswers)
{
    WriteServer(NetTestServer::RefusingPort());
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    // What the press does before anything of the road has come back.
    dlg->SendMessage(WM_PAGE_ACTION, CPageSetup::kUpgradeId, kActionOperation);
    EXPECT_EQ(page->GetUpgradeButton()->GetState(), CCustButton::kStateDisabled);
    EXPECT_FALSE(page->GetUpgradeButton()->IsWindowEnabled());
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Check for Updates...");
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kBlue);
    EXPECT_TRUE(page->GetStatusText()->IsWindowVisible());
    EXPECT_TRUE(NavigationLocked(*dlg));

    // Nobody listens: the failure in red, everything given back.
    EXPECT_TRUE(PumpUntil([&] { return page->GetStatusKey() == L"DISCONNECT_SERVER"; }, 15000));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Cannot reach the update server: check the internet connection");
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kRed);
    EXPECT_TRUE(ButtonBack(*page));
    EXPECT_FALSE(NavigationLocked(*dlg));
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-disconnected.png")));
    dlg->DestroyWindow();
}

// A reply of more releases than the client reads is refused at once, in
// words, rather than after the silence time-out as a lost connection.
TEST_F(SelfUpdateTest, AReplyTooLargeToReadIsSaidAtOnceInRed)
{
    std::vector<OfferedTool> tools;
    for (int i = 0; i < 1024; ++i)
        tools.push_back({"V" + std::to_string(i), "http://127.0.0.1:1/x.zip"});
    server.SetReplies({VersionReply(true, tools)});
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    MouseClick(*page->GetUpgradeButton(), CPoint(60, 20));
    EXPECT_TRUE(
        PumpUntil([&] { return page->GetStatusKey() == L"SERVER_REPLY_REFUSED"; }, TcpClient::kReplyTimeoutMs / 2));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"The update server's reply is too large");
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kRed);
    EXPECT_TRUE(ButtonBack(*page));
    EXPECT_FALSE(NavigationLocked(*dlg));
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-reply-refused.png")));
    dlg->DestroyWindow();
}

TEST_F(SelfUpdateTest, TheNewestVersionIsSaidInBlue)
{
    server.SetReplies({VersionReply(true, {{g_productStrings[kSoftwareVersionIndex], "http://127.0.0.1:1/x.zip"}})});
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    MouseClick(*page->GetUpgradeButton(), CPoint(60, 20));
    EXPECT_TRUE(PumpUntil([&] { return page->GetStatusKey() == L"NEWESTVERSION"; }, 15000));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"This program is up to date");
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kBlue);
    EXPECT_TRUE(ButtonBack(*page));
    EXPECT_FALSE(NavigationLocked(*dlg));
    dlg->DestroyWindow();
}

TEST_F(SelfUpdateTest, AnOfferedReleaseIsDownloadedAndUnpackedWithItsProgressOnThePage)
{
    const std::string package = Package();
    http.SetFile("pkg/update.zip", package);
    http.SetMode(HttpTestServer::Mode::Stall);
    http.SetStallAfter(package.size() / 2);
    server.SetReplies({VersionReply(true, {{"V9.00", http.Url("pkg/update.zip")}})});
    ScriptedMessageBoxes boxes({IDNO});
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    MouseClick(*page->GetUpgradeButton(), CPoint(60, 20));

    // Half way through the download: the bar, its percent and "Downloading...".
    // (The server is waited for with the window's events running: the query goes from the UI thread.)
    ASSERT_TRUE(PumpUntil([&] { return http.WaitForStall(1); }, 15000));
    EXPECT_TRUE(PumpUntil(
        [&] { return page->GetProgressBar()->IsWindowVisible() && page->GetProgressBar()->GetPos() > 0; }, 5000));
    EXPECT_EQ(page->GetStatusText()->GetWindowText(), L"Downloading...");
    const int percent = page->GetProgressBar()->GetPos();
    EXPECT_LE(percent, 80);
    EXPECT_EQ(page->GetPercentText()->GetWindowText(), std::to_wstring(percent) + L"%");
    EXPECT_FALSE(page->GetUpgradeButton()->IsWindowEnabled());
    // The connection gave the navigation back; the user may go on meanwhile.
    EXPECT_FALSE(NavigationLocked(*dlg));
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-settings-downloading.png")));

    // The rest: unpacked to 100 %, "Completed" for a moment, then the question.
    http.Release();
    EXPECT_TRUE(PumpUntil([&] { return page->GetStatusText()->GetWindowText() == L"Completed"; }, 15000));
    EXPECT_EQ(page->GetPercentText()->GetWindowText(), L"100%");
    EXPECT_EQ(page->GetProgressBar()->GetPos(), 100);
    EXPECT_TRUE(PumpUntil([&] { return ButtonBack(*page); }, 15000));
    EXPECT_FALSE(page->GetProgressBar()->IsWindowVisible());
    EXPECT_FALSE(page->GetPercentText()->IsWindowVisible());
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].caption, L"Teskaro_Brelk program");
    EXPECT_FALSE(NavigationLocked(*dlg));
    dlg->DestroyWindow();
}

TEST_F(SelfUpdateTest, APressWhileARoadIsUnderWayLocksNothing)
{
    server.SetFault(NetTestServer::Fault::Silent);
    auto dlg = OpenProgram();
    CPageSetup* page = OpenSettings(*dlg);
    ASSERT_TRUE(page);
    dlg->SendMessage(WM_PAGE_ACTION, CPageSetup::kUpgradeId, kActionOperation);
    // Connected: the navigation is back while the server is waited for.
    ASSERT_TRUE(PumpUntil([&] { return !server.Queries().empty(); }, 15000));
    EXPECT_TRUE(PumpUntil([&] { return !NavigationLocked(*dlg); }, 15000));
    EXPECT_TRUE(CUpgradeCtrl::Instance().IsBusy());
    dlg->SendMessage(WM_PAGE_ACTION, CPageSetup::kUpgradeId, kActionOperation);
    EXPECT_FALSE(NavigationLocked(*dlg));
    dlg->DestroyWindow();
}

#include "UpgradeCtrl.h"

#include "CodePage.h"
#include "Dialog.h"
#include "HttpTestServer.h"
#include "Ini.h"
#include "NetTestServer.h"
#include "ProductStrings.h"
#include "TempFolder.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "UpdateServerReplies.h"
#include "VirtualClock.h"
#include "ZipFixtureWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWaitMs = 15000;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kRed = 0x0000FF;

// The settings page as the controller sees it: everything it is told, from
// whichever thread.
class FakeUpgradePage : public IUpgradePage {
public:
    void OnUpgradeProgress(int stage, int percent) override
    {
        Add("progress " + std::to_string(stage) + " " + std::to_string(percent));
    }
    void SetUpgradeButtonText(const std::wstring& key) override
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back("text " + std::string(key.begin(), key.end()));
        m_key = key;
    }
    void SetUpgradeStatusColor(COLORREF color) override
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(color == kRed ? "red" : color == kBlue ? "blue" : "colour?");
        m_color = color;
    }
    void SetUpgradeButtonState(int state, bool enabled) override
    {
        Add("button " + std::to_string(state) + (enabled ? " enabled" : " disabled"));
        std::lock_guard lock(m_mutex);
        m_buttonBack = state == 0 && enabled;
    }
    std::vector<std::string> Log() const
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_log.clear();
        m_key.clear();
        m_color = 0;
        m_buttonBack = false;
    }
    std::vector<std::string> Progress() const
    {
        std::vector<std::string> out;
        for (const std::string& line : Log())
            if (line.rfind("progress", 0) == 0)
                out.push_back(line);
        return out;
    }
    bool ButtonBack() const
    {
        std::lock_guard lock(m_mutex);
        return m_buttonBack;
    }
    std::wstring Key() const
    {
        std::lock_guard lock(m_mutex);
        return m_key;
    }
    COLORREF Color() const
    {
        std::lock_guard lock(m_mutex);
        return m_color;
    }

private:
    void Add(const std::string& line)
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(line);
    }
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::wstring m_key;
    COLORREF m_color = 0;
    bool m_buttonBack = false;
};

class FakeTopPane : public INavigationLock {
public:
    void LockNavigation() override { m_locked = true; }
    void UnlockNavigation() override { m_locked = false; }
    bool Locked() const { return m_locked; }

private:
    std::atomic<bool> m_locked{true}; // the dispatcher locked it before Start
};

// Ends its modal loop when the program is asked to end (DoModal gives -1), or
// after a while (0).
class QuitWatch : public Dialog {
public:
    QuitWatch() : Dialog(CSize(40, 40), WS_POPUP) {}

protected:
    bool OnInitDialog() override
    {
        SetTimer(1, kWaitMs);
        return true;
    }
    void OnTimer(UINT_PTR) override { EndDialog(0); }
};

class UpgradeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        m_savedVersion = g_productStrings[kSoftwareVersionIndex];
        WriteSettings("");
        m_marker = m_program.File("marker");
    }
    void TearDown() override
    {
        CUpgradeCtrl::Shutdown();
        g_productStrings[kSoftwareVersionIndex] = m_savedVersion;
    }

    void WriteSettings(const std::string& more, uint16_t port = 0)
    {
        m_data.Folder().Write("Setup.ini", "[config]\r\nServerIP=127.0.0.1\r\nServerPort=" +
                                               std::to_string(port ? port : m_server.Port()) + "\r\n" + more);
    }
    // "Setup.ini" beside the program, which lets IsUpdate and TestSoftUpdate count.
    void PlaceProgramSetup() { m_program.Write("Setup.ini", "[Setup]\r\n"); }

    // A package whose update program writes the marker file.
    std::string Package(const std::string& interpreter = "/bin/sh") const
    {
        return ZipFixtureWriter()
            .AddFile("install.sh", "#!" + interpreter + "\necho started > '" + m_marker + "'\n", 0755)
            .AddFile("data/readme.txt", "the new release\n")
            .Bytes();
    }
    void Offer(const std::string& version, const std::string& package)
    {
        m_http.SetFile("pkg/update.zip", package);
        m_server.SetReplies({VersionReply(true, {{version, m_http.Url("pkg/update.zip")}})});
    }

    CUpgradeCtrl& Controller()
    {
        CUpgradeCtrl& ctrl = CUpgradeCtrl::Instance();
        ctrl.SetUpgradePage(&m_page);
        ctrl.SetNavigationLock(&m_top);
        return ctrl;
    }
    // What the dispatcher does when the upgrade button is pressed.
    int Press()
    {
        m_page.SetUpgradeButtonState(4, false);
        m_top.LockNavigation();
        return Controller().Start();
    }
    // Presses the upgrade button and waits for the road's end: the upgrade
    // button and the navigation given back.
    bool RunRoad()
    {
        Press();
        return PumpUntil(
            [&] {
                return m_page.ButtonBack() && !m_top.Locked() && !CUpgradeCtrl::Instance().GetDownload().IsRunning();
            },
            kWaitMs);
    }
    std::string Upgrade(const std::string& name) const { return m_data.Path() + "/Upgrade/" + name; }
    int IsUpdate() const
    {
        CIni ini;
        ini.path = Utf8ToWide(m_data.Path() + "/Setup.ini");
        return ini.ReadInt(L"Config", L"IsUpdate");
    }

    ScopedEnv m_noProxy{"no_proxy", "*"};
    ScopedDataFolder m_data;
    TempFolder m_program;
    ScopedEnv m_programEnv{"BRELK_PROGRAM_DIR", m_program.Path()};
    NetTestServer m_server;
    HttpTestServer m_http;
    FakeUpgradePage m_page;
    FakeTopPane m_top;
    std::string m_marker;
    std::string m_savedVersion;
};

} // namespace

TEST_F(UpgradeCtrlTest, ANewerVersionIsDownloadedUnpackedMarkedOfferedAndStartedOnYes)
{
    Offer("V9.00", Package());
    ScriptedMessageBoxes boxes({IDYES});
    QuitWatch watch;
    PostToUiThread([&] { Press(); });
    EXPECT_EQ(watch.DoModal(), -1) << "the program was asked to end";
    // It asked to end only after the update program had run.
    EXPECT_TRUE(fs::exists(m_marker));
    EXPECT_TRUE(fs::exists(Upgrade("Teskaro_BrelkUpdate")));
    EXPECT_TRUE(fs::exists(Upgrade("data/readme.txt")));
    EXPECT_FALSE(fs::exists(Upgrade("Teskaro_BrelkUpdate.zip")));
    EXPECT_EQ(IsUpdate(), 1);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].caption, L"Teskaro_Brelk program");
    EXPECT_EQ(boxes.AskedBoxes()[0].type, UINT(MB_YESNO | MB_TOPMOST));
    EXPECT_TRUE(PumpUntil([&] { return m_page.ButtonBack() && !m_top.Locked(); }, kWaitMs));

    // Download to 80 %, unpacking to 100 % (two entries: 90, 100).
    const std::vector<std::string> progress = m_page.Progress();
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress.front(), "progress 0 0");
    EXPECT_NE(std::find(progress.begin(), progress.end(), "progress 0 80"), progress.end());
    EXPECT_EQ(progress[progress.size() - 2], "progress 1 90");
    EXPECT_EQ(progress.back(), "progress 1 100");
    EXPECT_EQ(CUpgradeCtrl::Instance().GetLastVersion(), "V9.00");
}

TEST_F(UpgradeCtrlTest, OnNoTheUpdateWaitsAndTheNextPressStartsIt)
{
    Offer("V9.00", Package());
    {
        ScriptedMessageBoxes boxes({IDNO});
        ASSERT_TRUE(RunRoad());
        EXPECT_EQ(boxes.AskedBoxes().size(), 1u);
    }
    EXPECT_FALSE(fs::exists(m_marker));
    EXPECT_EQ(IsUpdate(), 1);

    PlaceProgramSetup();
    m_server.SetReplies({});
    EXPECT_EQ(Press(), 1);
    EXPECT_TRUE(fs::exists(m_marker));
    EXPECT_EQ(m_server.Connections(), 1) << "the ready update starts without asking the server";
}

TEST_F(UpgradeCtrlTest, TheOwnVersionOrNoOfferShowsNewestVersion)
{
    struct Case {
        const char* name;
        std::string reply;
    } cases[] = {
        {"own version", VersionReply(true, {{g_productStrings[kSoftwareVersionIndex], "http://127.0.0.1:1/x.zip"}})},
        {"result false", VersionReply(false, {})},
        {"no tool", VersionReply(true, {})},
        {"empty version", VersionReply(true, {{"", "http://127.0.0.1:1/x.zip"}})},
        {"empty path", VersionReply(true, {{"V9.00", ""}})},
        {"no keys", "<?xml version=\"1.0\"?><root><type content=\"1610612745\" /></root>"},
    };
    for (const Case& c : cases) {
        m_server.SetReplies({c.reply});
        ASSERT_TRUE(RunRoad()) << c.name;
        EXPECT_EQ(m_page.Key(), L"NEWESTVERSION") << c.name;
        EXPECT_EQ(m_page.Color(), kBlue) << c.name;
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
    }
    EXPECT_TRUE(m_http.Requests().empty()) << "nothing was downloaded";
}

TEST_F(UpgradeCtrlTest, EveryConnectionFailureShowsDisconnectServer)
{
    struct Case {
        const char* name;
        NetTestServer::Fault fault;
        bool refuse;
    } cases[] = {
        {"refused", NetTestServer::Fault::None, true},
        {"closed mid-session", NetTestServer::Fault::CloseMidSession, false},
        {"length 0xFFFFFFFF", NetTestServer::Fault::HugeLength, false},
    };
    for (const Case& c : cases) {
        m_server.SetFault(c.fault);
        WriteSettings("", c.refuse ? NetTestServer::RefusingPort() : m_server.Port());
        ASSERT_TRUE(RunRoad()) << c.name;
        EXPECT_EQ(m_page.Key(), L"DISCONNECT_SERVER") << c.name;
        EXPECT_EQ(m_page.Color(), kRed) << c.name;
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
    }
}

TEST_F(UpgradeCtrlTest, ASilentServerShowsDisconnectServerAfterTheReplyTimeOut)
{
    VirtualClock clock;
    m_server.SetFault(NetTestServer::Fault::Silent);
    Press();
    ASSERT_TRUE(PumpUntil([&] { return !m_server.Queries().empty(); }, kWaitMs));
    // Connected: the blue status, the navigation back, the button still held.
    EXPECT_TRUE(PumpUntil([&] { return !m_top.Locked(); }, kWaitMs));
    EXPECT_FALSE(m_page.ButtonBack());
    // The receive thread may take its start time after the query arrived: keep
    // moving the program clock on by the time-out until the silence is noticed.
    ASSERT_TRUE(PumpUntil(
        [&] {
            clock.Advance(TcpClient::kReplyTimeoutMs);
            return m_page.ButtonBack();
        },
        kWaitMs));
    EXPECT_EQ(m_page.Key(), L"DISCONNECT_SERVER");
    EXPECT_EQ(m_page.Color(), kRed);
}

TEST_F(UpgradeCtrlTest, ABrokenPackageIsNeverOffered)
{
    ZipFixtureEntry badCrc;
    badCrc.name = "install.sh";
    badCrc.data = "#!/bin/sh\necho started > '" + m_marker + "'\n";
    badCrc.externalAttributes = 0100755u << 16;
    badCrc.crc = 0x12345678;
    struct Case {
        const char* name;
        std::string package;
    } cases[] = {
        {"corrupt entry", ZipFixtureWriter().Add(badCrc).Bytes()},
        {"not a zip", "PK this is no archive"},
        {"no update program", ZipFixtureWriter().AddFile("a.txt", "a").AddFile("b.txt", "b").Bytes()},
        {"two programs", ZipFixtureWriter().AddFile("a.sh", "a", 0755).AddFile("b.sh", "b", 0755).Bytes()},
        {"empty", ZipFixtureWriter().Bytes()},
        // The second entry of a name would replace the program that the first made.
        {"a name twice, the program first",
         ZipFixtureWriter().AddFile("setup.sh", badCrc.data, 0755).AddFile("setup.sh", "not a program").Bytes()},
        {"a name twice once cleaned",
         ZipFixtureWriter().AddFile("setup.sh", badCrc.data, 0755).AddFile("x/../setup.sh", "no").Bytes()},
        // The same once cleaned to the end: a drive that shows behind "./" or "..".
        {"a name twice behind a drive", ZipFixtureWriter()
                                            .AddFile("Teskaro_BrelkUpdate", badCrc.data, 0755)
                                            .AddFile("./C:Teskaro_BrelkUpdate", "not a program")
                                            .Bytes()},
        {"a name twice behind a climb and a drive",
         ZipFixtureWriter().AddFile("setup.sh", badCrc.data, 0755).AddFile("a/../C:setup.sh", "no").Bytes()},
        // A file whose name cleans to nothing has nowhere to go.
        {"a file named for the root",
         ZipFixtureWriter().AddFile("setup.sh", badCrc.data, 0755).AddFile("..", "x").Bytes()},
        // 4 MiB of zeros in a package of a few KiB: over the unpack ratio.
        {"a bomb", ZipFixtureWriter()
                       .AddFile("setup.sh", badCrc.data, 0755)
                       .AddFile("zeros.bin", std::string(4 * 1024 * 1024, '\0'))
                       .Bytes()},
    };
    for (const Case& c : cases) {
        ScriptedMessageBoxes boxes({IDYES});
        Offer("V9.00", c.package);
        ASSERT_TRUE(RunRoad()) << c.name;
        EXPECT_EQ(m_page.Key(), L"PACKAGE_DAMAGED") << c.name;
        EXPECT_EQ(m_page.Color(), kRed) << c.name;
        EXPECT_TRUE(boxes.AskedBoxes().empty()) << c.name;
        EXPECT_EQ(IsUpdate(), 0) << c.name;
        EXPECT_FALSE(fs::exists(Upgrade("Teskaro_BrelkUpdate"))) << c.name;
        EXPECT_FALSE(fs::exists(m_marker)) << c.name;
        EXPECT_FALSE(fs::exists(m_data.Path() + "/Upgrade")) << c.name << ": nothing of it stays";
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
    }
}

// Folder entries for the package's root itself, as common archivers write
// them ("./", a drive, a separator), create nothing and fail nothing.
TEST_F(UpgradeCtrlTest, FolderEntriesOfTheRootItselfAreSkipped)
{
    for (const char* root : {"./", "C:", "/", ".\\", "C:/./"}) {
        ScriptedMessageBoxes boxes({IDNO});
        ZipFixtureWriter package;
        package.AddFolder(root).AddFolder("data/");
        package.AddFile("Teskaro_BrelkUpdate", "#!/bin/sh\necho started > '" + m_marker + "'\n", 0755);
        package.AddFile("data/readme.txt", "read me");
        Offer("V9.00", package.Bytes());
        ASSERT_TRUE(RunRoad()) << root;
        // Unpacked and offered.
        EXPECT_EQ(boxes.AskedBoxes().size(), 1u) << root << ": " << WideToUtf8(m_page.Key());
        EXPECT_EQ(IsUpdate(), 1) << root;
        EXPECT_TRUE(fs::exists(Upgrade("Teskaro_BrelkUpdate"))) << root;
        EXPECT_TRUE(fs::exists(Upgrade("data/readme.txt"))) << root;
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
        fs::remove_all(m_data.Path() + "/Upgrade");
        WriteSettings("", m_server.Port());
    }
}

// Bytes are counted as they inflate: a disk that holds less than the
// package unpacks to stops it midway, and nothing of it stays.
TEST_F(UpgradeCtrlTest, APackageThatOutgrowsTheDiskIsRemoved)
{
    ZipUnpackLimits smallDisk;
    smallDisk.freeSpace = [](const std::string&, uint64_t& free) {
        free = 3000;
        return true;
    };
    Controller().SetUnpackLimits(smallDisk);
    ScriptedMessageBoxes boxes({IDYES});
    Offer("V9.00", ZipFixtureWriter()
                       .AddFile("install.sh", "#!/bin/sh\n", 0755)
                       .AddFile("big.bin", ZipFixtureWriter::Noise(5000, 7))
                       .Bytes());
    ASSERT_TRUE(RunRoad());
    EXPECT_EQ(m_page.Key(), L"PACKAGE_DAMAGED");
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    EXPECT_EQ(IsUpdate(), 0);
    EXPECT_FALSE(fs::exists(m_data.Path() + "/Upgrade"));
}

TEST_F(UpgradeCtrlTest, AFailedDownloadGivesTheButtonsBackAndSaysSo)
{
    struct Case {
        const char* name;
        int status;
        bool unopenableTmp;
    } cases[] = {
        {"status 404", 0, false},
        {"status 500", 500, false},
        {"unopenable .tmp", 0, true},
    };
    for (const Case& c : cases) {
        m_http.SetFile("pkg/update.zip", Package());
        if (c.status)
            m_http.SetStatus("pkg/update.zip", c.status);
        const std::string path = c.status || c.unopenableTmp ? "pkg/update.zip" : "pkg/missing.zip";
        m_server.SetReplies({VersionReply(true, {{"V9.00", m_http.Url(path)}})});
        if (c.unopenableTmp) {
            // The download checks the .tmp; the controller keeps it (a partial download).
            fs::create_directories(Upgrade("Teskaro_BrelkUpdate.zip.tmp"));
        }
        ASSERT_TRUE(RunRoad()) << c.name;
        EXPECT_EQ(m_page.Key(), L"DOWNLOAD_FAILED") << c.name;
        EXPECT_EQ(m_page.Color(), kRed) << c.name;
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
        fs::remove_all(m_data.Path() + "/Upgrade");
        m_http.SetStatus("pkg/update.zip", 0);
    }
}

// A package refused for its size or for the disk is named for it, not as a
// network fault, and leaves no ".tmp" that would refuse every later press.
TEST_F(UpgradeCtrlTest, ARefusedDownloadSaysWhyAndTheNextPressIsNotRefusedForIt)
{
    const std::string package = Package();
    struct Case {
        const char* what;
        uint64_t announced; // 0: the package's own length
        uint64_t freeBytes;
        const wchar_t* key;
        bool tmpStays;
    } cases[] = {
        {"longer than the program takes", CDownloadCtrl::kMaxDownloadBytes + 1, UINT64_MAX, L"DOWNLOAD_TOO_LARGE",
         false},
        {"more than the disk holds", 0, 10, L"DISK_FULL", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Half of it came on an earlier run.
        fs::create_directories(m_data.Path() + "/Upgrade");
        {
            std::ofstream tmp(Upgrade("Teskaro_BrelkUpdate.zip.tmp"), std::ios::binary);
            tmp << package.substr(0, package.size() / 2);
        }
        Offer("V9.00", package);
        m_http.SetAnnouncedLength(c.announced);
        uint64_t freeBytes = c.freeBytes;
        Controller().GetDownload().SetFreeSpaceQuery([&freeBytes](const std::string&, uint64_t& free) {
            free = freeBytes;
            return true;
        });
        ASSERT_TRUE(RunRoad());
        EXPECT_EQ(m_page.Key(), c.key);
        EXPECT_EQ(m_page.Color(), kRed);
        EXPECT_EQ(fs::exists(Upgrade("Teskaro_BrelkUpdate.zip.tmp")), c.tmpStays);
        CUpgradeCtrl::Shutdown();
        m_page.Reset();

        // The server mends its answer, or the user frees space: the next press goes through.
        ScriptedMessageBoxes boxes({IDNO});
        m_http.SetAnnouncedLength(0);
        freeBytes = UINT64_MAX;
        Offer("V9.00", package);
        Controller().GetDownload().SetFreeSpaceQuery([&freeBytes](const std::string&, uint64_t& free) {
            free = freeBytes;
            return true;
        });
        ASSERT_TRUE(RunRoad());
        EXPECT_EQ(boxes.AskedBoxes().size(), 1u) << WideToUtf8(m_page.Key());
        EXPECT_EQ(IsUpdate(), 1);
        CUpgradeCtrl::Shutdown();
        m_page.Reset();
        fs::remove_all(m_data.Path() + "/Upgrade");
        WriteSettings("", m_server.Port());
    }
}

TEST_F(UpgradeCtrlTest, ADownloadInterruptedAtHalfResumesWithARangeRequest)
{
    const std::string package = Package();
    Offer("V9.00", package);
    m_http.SetMode(HttpTestServer::Mode::ShortBody);
    m_http.SetShortLength(package.size() / 2);
    ASSERT_TRUE(RunRoad());
    EXPECT_EQ(m_page.Key(), L"DOWNLOAD_FAILED");
    EXPECT_EQ(fs::file_size(Upgrade("Teskaro_BrelkUpdate.zip.tmp")), package.size() / 2);

    m_http.SetMode(HttpTestServer::Mode::Normal);
    ScriptedMessageBoxes boxes({IDNO});
    ASSERT_TRUE(RunRoad());
    const std::vector<HttpTestServer::Request> requests = m_http.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].range, "");
    EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(package.size() / 2) + "-");
    EXPECT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(IsUpdate(), 1);
    EXPECT_TRUE(fs::exists(Upgrade("Teskaro_BrelkUpdate")));
}

TEST_F(UpgradeCtrlTest, AnUpdateProgramThatCannotStartIsShownAndNotLeftReady)
{
    Offer("V9.00", Package("/no/such/interpreter"));
    ScriptedMessageBoxes boxes({IDYES});
    QuitWatch watch;
    PostToUiThread([&] {
        Press();
        PumpUntil([&] { return m_page.ButtonBack(); }, kWaitMs);
        watch.EndDialog(0);
    });
    EXPECT_EQ(watch.DoModal(), 0) << "the program was not asked to end";
    EXPECT_EQ(m_page.Key(), L"UPDATE_START_FAILED");
    EXPECT_EQ(m_page.Color(), kRed);
    EXPECT_FALSE(m_top.Locked());
    EXPECT_EQ(IsUpdate(), 0);
}

TEST_F(UpgradeCtrlTest, StartHonoursIsUpdateAndTestSoftUpdateOnlyWithSetupBesideTheProgram)
{
    // Without "Setup.ini" beside the program: IsUpdate is not honoured and
    // the update program goes.
    WriteSettings("[Config]\r\nIsUpdate=1\r\nTestSoftUpdate=1\r\n");
    m_data.Folder().Write("Upgrade/Teskaro_BrelkUpdate", "#!/bin/sh\necho started > '" + m_marker + "'\n");
    fs::permissions(Upgrade("Teskaro_BrelkUpdate"), fs::perms::owner_all);
    m_server.SetReplies({VersionReply(true, {{g_productStrings[kSoftwareVersionIndex], m_http.Url("x.zip")}})});
    ASSERT_TRUE(RunRoad());
    EXPECT_FALSE(fs::exists(m_marker));
    EXPECT_FALSE(fs::exists(Upgrade("Teskaro_BrelkUpdate")));
    EXPECT_EQ(m_page.Key(), L"NEWESTVERSION");
    CUpgradeCtrl::Shutdown();

    // With it, TestSoftUpdate makes our own version count as another one.
    m_page.Reset();
    PlaceProgramSetup();
    WriteSettings("[Config]\r\nIsUpdate=0\r\nTestSoftUpdate=1\r\n");
    Offer(m_savedVersion, Package());
    ScriptedMessageBoxes boxes({IDNO});
    ASSERT_TRUE(RunRoad());
    EXPECT_EQ(g_productStrings[kSoftwareVersionIndex], CUpgradeCtrl::kTestSoftVersion);
    EXPECT_EQ(m_http.Requests().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes().size(), 1u);
}

TEST_F(UpgradeCtrlTest, APartialDownloadKeepsTheUpgradeFolder)
{
    m_data.Folder().Write("Upgrade/Teskaro_BrelkUpdate.zip.tmp", "partial");
    m_data.Folder().Write("Upgrade/Teskaro_BrelkUpdate", "old program");
    m_data.Folder().Write("Upgrade/leftover.txt", "x");
    m_server.SetReplies({VersionReply(false, {})});
    ASSERT_TRUE(RunRoad());
    EXPECT_TRUE(fs::exists(Upgrade("Teskaro_BrelkUpdate.zip.tmp")));
    EXPECT_TRUE(fs::exists(Upgrade("leftover.txt")));
    EXPECT_FALSE(fs::exists(Upgrade("Teskaro_BrelkUpdate")));
    CUpgradeCtrl::Shutdown();

    fs::remove(Upgrade("Teskaro_BrelkUpdate.zip.tmp"));
    m_page.Reset();
    ASSERT_TRUE(RunRoad());
    EXPECT_FALSE(fs::exists(Upgrade("leftover.txt")));
}

TEST_F(UpgradeCtrlTest, AFinishReportForAnotherAddressIsOnlyProgress)
{
    CUpgradeCtrl& ctrl = Controller();
    ctrl.OnDownloadProgress("http://127.0.0.1:1/other.zip", 101);
    EXPECT_EQ(m_page.Log(), std::vector<std::string>{"progress 0 80"});
}

TEST_F(UpgradeCtrlTest, LeavingMidDownloadDoesNotHang)
{
    const std::string package = Package();
    Offer("V9.00", package);
    m_http.SetMode(HttpTestServer::Mode::Stall);
    m_http.SetStallAfter(package.size() / 2);
    Press();
    ASSERT_TRUE(PumpUntil([&] { return m_http.WaitForStall(1); }, kWaitMs));
    const auto start = std::chrono::steady_clock::now();
    CUpgradeCtrl::Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    const size_t told = m_page.Log().size();
    m_http.Release();
    RunEvents(100);
    EXPECT_EQ(m_page.Log().size(), told) << "nothing is shown after the end";
    EXPECT_TRUE(fs::exists(Upgrade("Teskaro_BrelkUpdate.zip.tmp"))) << "kept for the next run";
}

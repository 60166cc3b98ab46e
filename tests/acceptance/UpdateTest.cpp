// Scenario 6, the self-update: the settings page's button asks the update
// server on loopback, the package comes over HTTP on loopback, and on Yes the
// client starts the update program and ends. And the same for an installed
// client (cmake --install into a root of the scenario's own) whose user
// answers No: the next press starts the update program that waits ready,
// without asking the server again.
#include "AcceptanceTest.h"

#include "HttpTestServer.h"
#include "NetTestServer.h"
#include "PageSetup.h"
#include "UpdateServerReplies.h"
#include "ZipFixtureWriter.h"

#include <sys/stat.h>

namespace {

constexpr int kInstallMs = 60000;
constexpr int kPressTries = 5;
constexpr int kLaunchWaitMs = 4000;

// The update server offering a release other than the client's own, and its
// package over HTTP, whose update program leaves the marker file; the data
// folder's Setup.ini names the server.
struct OfferedRelease {
    explicit OfferedRelease(const TempFolder& run) : marker(run.File("update-program-ran"))
    {
        http.SetFile("pkg/Teskaro_BrelkUpdate.zip",
                     ZipFixtureWriter()
                         .AddFile("install.sh", "#!/bin/sh\necho started > '" + marker + "'\n", 0755)
                         .AddFile("data/readme.txt", "the new release\n")
                         .Bytes());
        server.SetReplies({VersionReply(true, {{"V9.00", http.Url("pkg/Teskaro_BrelkUpdate.zip")}})});
        run.Write("data/Setup.ini",
                  "[config]\r\nServerIP=127.0.0.1\r\nServerPort=" + std::to_string(server.Port()) + "\r\n");
    }
    NetTestServer server;
    HttpTestServer http;
    std::string marker;
};

bool IsFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TEST_F(AcceptanceTest, TheSelfUpdateFetchesTheOfferedReleaseAndStartsItsUpdateProgram)
{
    OfferedRelease release(run);
    StartSim();
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();

    // The package is in and unpacked: the client asks whether to restart.
    const std::vector<XSession::Window> question = PressUpgradeAndWaitForQuestion();
    ASSERT_FALSE(question.empty()) << Trace();
    EXPECT_TRUE(release.server.WaitForQuery(0));
    SaveWindowGrab(question.front(), "restart-question");
    SaveSettledGrab("settings-page-update-ready");
    EXPECT_NE(ReadFile(data + "/Setup.ini").find("IsUpdate=1"), std::string::npos) << ReadFile(data + "/Setup.ini");
    const std::vector<HttpTestServer::Request> requests = release.http.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().target, "/pkg/Teskaro_BrelkUpdate.zip");

    // Yes (Return): the update program runs and the client ends.
    x.MoveTo(Centre(question.front().rect));
    Key("Return");
    ASSERT_TRUE(WaitForFileText(release.marker, "started")) << Trace();
    EXPECT_EQ(client.WaitForExit(20000), 0) << Trace();
}

TEST_F(AcceptanceTest, TheInstalledClientStartsTheReadyUpdateOnTheNextPressWithoutANewDownload)
{
    // The installed tree, as a package or a user's cmake --install makes it.
    const std::string stage = run.File("stage");
    TestProcess install;
    TestProcess::Options io;
    io.args = {"--install", BRELK_BUILD_DIR, "--prefix", "/usr"};
    io.env = {{"DESTDIR", stage}};
    io.stdoutFile = run.File("install.out");
    io.stderrFile = run.File("install.err");
    ASSERT_TRUE(install.Start(BRELK_CMAKE, io));
    ASSERT_EQ(install.WaitForExit(kInstallMs), 0) << ReadFile(run.File("install.err"));
    const std::string usr = stage + "/usr";
    ASSERT_TRUE(IsFile(usr + "/bin/brelk"));
    // The mark of an installed program: the test does not write it.
    ASSERT_TRUE(IsFile(usr + "/share/brelk/Setup.ini")) << ReadFile(run.File("install.out"));

    OfferedRelease release(run);
    // The installed brelk, finding its own files in share/brelk.
    clientExe = usr + "/bin/brelk";
    clientProgramFolder = "";
    StartSim();
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();

    // Downloaded and unpacked: the question. No ("n", the button's key).
    const std::vector<XSession::Window> question = PressUpgradeAndWaitForQuestion();
    ASSERT_FALSE(question.empty()) << Trace();
    EXPECT_TRUE(release.server.WaitForQuery(0));
    SaveWindowGrab(question.front(), "restart-question");
    const size_t downloads = release.http.Requests().size();
    const size_t queries = release.server.Queries().size();
    ASSERT_GE(downloads, 1u);
    x.MoveTo(Centre(question.front().rect));
    Key("n");
    ASSERT_TRUE(WaitUntil([&] { return OtherWindows().empty(); }, 10000)) << Trace();
    EXPECT_TRUE(client.Running()) << Trace();
    EXPECT_NE(ReadFile(data + "/Setup.ini").find("IsUpdate=1"), std::string::npos) << ReadFile(data + "/Setup.ini");
    SaveSettledGrab("settings-page-update-waits");

    // The next press starts the update program that waits, and the client
    // ends. (The button comes back a moment after the answer: a press before
    // that finds it disabled and is pressed again.)
    bool started = false;
    for (int i = 0; i < kPressTries && !started; ++i) {
        ClickClient(twin->PageControl(CPageSetup::kUpgradeId));
        MoveAway();
        started = WaitForFileText(release.marker, "started", kLaunchWaitMs);
    }
    EXPECT_TRUE(started) << Trace();
    EXPECT_EQ(client.WaitForExit(20000), 0) << Trace();
    // Nothing was asked or fetched again.
    EXPECT_EQ(release.http.Requests().size(), downloads);
    EXPECT_EQ(release.server.Queries().size(), queries);
}

} // namespace

// Scenario 6, the self-update: the settings page's button asks the update
// server on loopback, the package comes over HTTP on loopback, and on Yes the
// client starts the update program and ends.
#include "AcceptanceTest.h"

#include "HttpTestServer.h"
#include "NetTestServer.h"
#include "PageHistory.h"
#include "PageSetup.h"
#include "UpdateServerReplies.h"
#include "ZipFixtureWriter.h"

namespace {

constexpr int kSettingsTab = 2;

TEST_F(AcceptanceTest, TheSelfUpdateFetchesTheOfferedReleaseAndStartsItsUpdateProgram)
{
    NetTestServer server;
    HttpTestServer http;
    const std::string marker = run.File("update-program-ran");
    // A release other than the client's own, whose update program leaves the marker.
    http.SetFile("pkg/Teskaro_BrelkUpdate.zip",
                 ZipFixtureWriter()
                     .AddFile("install.sh", "#!/bin/sh\necho started > '" + marker + "'\n", 0755)
                     .AddFile("data/readme.txt", "the new release\n")
                     .Bytes());
    server.SetReplies({VersionReply(true, {{"V9.00", http.Url("pkg/Teskaro_BrelkUpdate.zip")}})});
    run.Write("data/Setup.ini",
              "[config]\r\nServerIP=127.0.0.1\r\nServerPort=" + std::to_string(server.Port()) + "\r\n");

    StartSim();
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    Tap(twin->MainTab(kSettingsTab));
    ASSERT_TRUE(WaitForTrace("page " + std::to_string(kPageSetup) + " shown")) << Trace();
    ClickClient(twin->PageControl(CPageSetup::kUpgradeId));
    MoveAway();

    // The package is in and unpacked: the client asks whether to restart.
    std::vector<XSession::Window> question;
    ASSERT_TRUE(WaitUntil([&] { return !(question = OtherWindows()).empty(); }, 30000)) << Trace();
    EXPECT_TRUE(server.WaitForQuery(0));
    SaveWindowGrab(question.front(), "restart-question");
    SaveSettledGrab("settings-page-update-ready");
    EXPECT_NE(ReadFile(data + "/Setup.ini").find("IsUpdate=1"), std::string::npos) << ReadFile(data + "/Setup.ini");
    const std::vector<HttpTestServer::Request> requests = http.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().target, "/pkg/Teskaro_BrelkUpdate.zip");

    // Yes (Return): the update program runs and the client ends.
    x.MoveTo(Centre(question.front().rect));
    Key("Return");
    ASSERT_TRUE(WaitForFileText(marker, "started")) << Trace();
    EXPECT_EQ(client.WaitForExit(20000), 0) << Trace();
}

} // namespace

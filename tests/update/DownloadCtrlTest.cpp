#include "DownloadCtrl.h"

#include "HttpTestServer.h"
#include "TempFolder.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Records what the job reports, from whichever thread it comes.
class Recorder : public CDownloadCtrlNotify {
public:
    void OnDownloadProgress(const std::string& url, unsigned int percent) override
    {
        std::lock_guard lock(m_mutex);
        m_urls.push_back(url);
        m_percents.push_back(percent);
        m_cv.notify_all();
    }
    void OnDownloadJobEnded() override
    {
        std::lock_guard lock(m_mutex);
        ++m_ended;
        m_cv.notify_all();
    }
    void OnDownloadRefused(const std::string&, DownloadRefusal reason) override
    {
        std::lock_guard lock(m_mutex);
        m_refusals.push_back(reason);
    }
    std::vector<DownloadRefusal> Refusals()
    {
        std::lock_guard lock(m_mutex);
        return m_refusals;
    }
    std::vector<unsigned> Percents()
    {
        std::lock_guard lock(m_mutex);
        return m_percents;
    }
    std::vector<std::string> Urls()
    {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }
    int Ended()
    {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }
    // Real-time wait for a report; the transfers run on loopback.
    bool WaitForPercent(unsigned atLeast)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(10),
                             [&] { return !m_percents.empty() && m_percents.back() >= atLeast; });
    }

private:
    std::vector<DownloadRefusal> m_refusals;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::string> m_urls;
    std::vector<unsigned> m_percents;
    int m_ended = 0;
};

std::string Pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

class DownloadCtrlTest : public ::testing::Test {
protected:
    DownloadCtrlTest()
    {
        m_job.SetNotify(&m_recorder);
        m_job.SetMessageBox([this](const std::string& text) { m_messages.push_back(text); });
        m_server.SetFile("dir/file.zip", m_file);
    }

    std::string Target() const { return m_folder.File("Teskaro_BrelkUpdate.zip"); }
    std::string Tmp() const { return Target() + ".tmp"; }
    std::string Url() const { return m_server.Url("dir/file.zip"); }
    int Download(bool quiet = true) { return CDownloadCtrl::DownloadFile(&m_job, Url(), Target(), quiet); }
    void WriteTmp(const std::string& bytes) { m_folder.Write("Teskaro_BrelkUpdate.zip.tmp", bytes); }

    ScopedEnv m_noProxy{"no_proxy", "*"};
    TempFolder m_folder;
    HttpTestServer m_server;
    Recorder m_recorder;
    std::vector<std::string> m_messages;
    const std::string m_file = Pattern(1000);
    CDownloadCtrl m_job;
};

TEST(DownloadUrl, SplitsHostPortAndObject)
{
    using P = CDownloadCtrl::UrlParts;
    struct Case {
        const char* url;
        P parts;
    } cases[] = {
        {"http://host/dir/file.zip", {"host", 80, "dir/file.zip"}},
        {"http://host:8080/dir/file.zip", {"host", 8080, "dir/file.zip"}},
        {"http://host:70000/dir/file.zip", {"host", 4464, "dir/file.zip"}},
        {"ftp://host:21/x", {"host", 21, "x"}},
        {"host/dir/file.zip", {"host", 80, "dir/file.zip"}},
        {"http://host", {"", 80, ""}},
        {"http://host:8080", {"host", 8080, ""}},
        {"http://host/a:b/c.zip", {"host", 80, "a:b/c.zip"}},
        {"http://host:/x", {"host", 0, "x"}},
        {"http://10.0.0.1:9600//twice", {"10.0.0.1", 9600, "/twice"}},
        {"https://host/dir/file.zip", {"host", 443, "dir/file.zip", true}},
        {"HTTPS://host:8443/x", {"host", 8443, "x", true}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.parts, CDownloadCtrl::SplitUrl(c.url)) << c.url;
}

TEST_F(DownloadCtrlTest, FreshDownloadReportsAndTakesTheTargetName)
{
    {
        std::ofstream(Target()) << "old file";
    }
    EXPECT_EQ(1, Download());
    EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
    EXPECT_FALSE(fs::exists(Tmp()));
    const auto percents = m_recorder.Percents();
    ASSERT_GE(percents.size(), 3u);
    EXPECT_EQ(0u, percents.front());
    EXPECT_EQ(kDownloadEnded, percents.back());
    EXPECT_EQ(100u, percents[percents.size() - 2]);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    for (const std::string& url : m_recorder.Urls())
        EXPECT_EQ(Url(), url);
    EXPECT_EQ(1, m_recorder.Ended());

    const auto requests = m_server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ("/dir/file.zip", requests[0].target);
    EXPECT_EQ("", requests[0].range);
    EXPECT_EQ("My Session", requests[0].userAgent);
}

TEST_F(DownloadCtrlTest, TheProxyOfTheEnvironmentIsTaken)
{
    const std::string proxy = "http://127.0.0.1:" + std::to_string(m_server.Port());
    ScopedEnv httpProxy("http_proxy", proxy);
    ScopedEnv noProxy("no_proxy", "");
    const std::string url = "http://update.invalid/dir/file.zip";
    EXPECT_EQ(1, CDownloadCtrl::DownloadFile(&m_job, url, Target(), true));
    EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
    const auto requests = m_server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("http://update.invalid/dir/file.zip", requests[0].target);
}

TEST_F(DownloadCtrlTest, AnHttpsAddressIsFetchedOverTlsOrNotAtAll)
{
    // Our server speaks no TLS: the handshake fails, nothing is taken for a file.
    std::string url = Url();
    url.replace(0, 4, "https");
    EXPECT_EQ(0, CDownloadCtrl::DownloadFile(&m_job, url, Target(), true));
    EXPECT_FALSE(fs::exists(Target()));
    EXPECT_TRUE(m_recorder.Percents().empty());
    EXPECT_EQ(1, m_recorder.Ended());
    for (const auto& request : m_server.Requests())
        EXPECT_NE("GET", request.method) << "no plain request went out";
}

// A partial ".tmp" of 500 of 1000 bytes, against servers that honour Range
// and that ignore it; and ".tmp" files that are already whole or too long.
TEST_F(DownloadCtrlTest, ResumesAPartialTemporaryFile)
{
    struct Case {
        const char* what;
        HttpTestServer::Mode mode;
        size_t tmpBytes;
        unsigned firstReport;
        std::vector<std::string> ranges;
    } cases[] = {
        {"range honoured", HttpTestServer::Mode::Normal, 500, 50, {"bytes=500-"}},
        {"range ignored", HttpTestServer::Mode::IgnoreRange, 500, 50, {"bytes=500-"}},
        {"wrong content-range starts again", HttpTestServer::Mode::WrongRange, 500, 0, {"bytes=500-", ""}},
        {"already whole, range honoured", HttpTestServer::Mode::Normal, 1000, 100, {"bytes=1000-"}},
        {"already whole, range ignored", HttpTestServer::Mode::IgnoreRange, 1000, 100, {"bytes=1000-"}},
        {"longer than the file, range honoured", HttpTestServer::Mode::Normal, 1200, 0, {"bytes=1200-", ""}},
        {"longer than the file, range ignored", HttpTestServer::Mode::IgnoreRange, 1200, 0, {"bytes=1200-"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server;
        server.SetFile("dir/file.zip", m_file);
        server.SetMode(c.mode);
        Recorder recorder;
        m_job.SetNotify(&recorder);
        fs::remove(Target());
        WriteTmp(c.tmpBytes <= m_file.size() ? m_file.substr(0, c.tmpBytes) : m_file + std::string(200, 'x'));

        EXPECT_EQ(1, CDownloadCtrl::DownloadFile(&m_job, server.Url("dir/file.zip"), Target(), true));
        EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
        EXPECT_FALSE(fs::exists(Tmp()));
        const auto percents = recorder.Percents();
        ASSERT_GE(percents.size(), 2u);
        EXPECT_EQ(c.firstReport, percents.front());
        EXPECT_EQ(100u, percents[percents.size() - 2]);
        EXPECT_EQ(kDownloadEnded, percents.back());
        std::vector<std::string> ranges;
        for (const auto& r : server.Requests())
            ranges.push_back(r.range);
        EXPECT_EQ(c.ranges, ranges);
    }
}

TEST_F(DownloadCtrlTest, ShortBodyKeepsTheTemporaryFileForTheNextStart)
{
    m_server.SetMode(HttpTestServer::Mode::ShortBody);
    m_server.SetShortLength(600);
    EXPECT_EQ(1, Download());
    EXPECT_FALSE(fs::exists(Target()));
    EXPECT_EQ(m_file.substr(0, 600), m_folder.Read("Teskaro_BrelkUpdate.zip.tmp"));
    auto percents = m_recorder.Percents();
    ASSERT_GE(percents.size(), 2u);
    EXPECT_EQ(60u, percents[percents.size() - 2]);
    EXPECT_EQ(kDownloadEnded, percents.back());

    m_server.SetMode(HttpTestServer::Mode::Normal);
    Recorder next;
    m_job.SetNotify(&next);
    EXPECT_EQ(1, Download());
    EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
    EXPECT_EQ(60u, next.Percents().front());
    EXPECT_EQ("bytes=600-", m_server.Requests().back().range);
}

TEST_F(DownloadCtrlTest, AnswersThatAreNotDownloaded)
{
    struct Case {
        const char* what;
        std::function<void(HttpTestServer&)> setup;
        int result;
        std::vector<unsigned> percents;
        bool tmpLeft;
    } cases[] = {
        {"404",
         [](HttpTestServer& s) {
             s.SetFile("dir/file.zip", "");
             s.SetStatus("dir/file.zip", 404);
         },
         1,
         {},
         false},
        {"500", [](HttpTestServer& s) { s.SetStatus("dir/file.zip", 500); }, 1, {}, false},
        {"no length", [](HttpTestServer& s) { s.SetMode(HttpTestServer::Mode::NoLength); }, 0, {}, false},
        {"length 0", [](HttpTestServer& s) { s.SetFile("dir/file.zip", ""); }, 1, {kDownloadEnded}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server;
        server.SetFile("dir/file.zip", m_file);
        c.setup(server);
        Recorder recorder;
        m_job.SetNotify(&recorder);
        {
            std::ofstream(Target()) << "old";
        }
        EXPECT_EQ(c.result, CDownloadCtrl::DownloadFile(&m_job, server.Url("dir/file.zip"), Target(), false));
        EXPECT_FALSE(fs::exists(Target()));
        EXPECT_EQ(c.tmpLeft, fs::exists(Tmp()));
        EXPECT_EQ(c.percents, recorder.Percents());
        EXPECT_EQ(1, recorder.Ended());
    }
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(DownloadCtrlTest, UnreachableServerAndUnopenableTemporaryFile)
{
    // A port bound but not listening refuses connections, and holding it bound
    // keeps a parallel test from taking it meanwhile.
    int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, ::bind(holder, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
    socklen_t len = sizeof addr;
    ASSERT_EQ(0, ::getsockname(holder, reinterpret_cast<sockaddr*>(&addr), &len));
    const std::string deadUrl = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/dir/file.zip";
    EXPECT_EQ(0, CDownloadCtrl::DownloadFile(&m_job, deadUrl, Target(), true));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(0, CDownloadCtrl::DownloadFile(&m_job, deadUrl, Target(), false));
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_LE(m_messages[0].size(), 64u);
    EXPECT_FALSE(m_messages[0].empty());
    EXPECT_EQ(0, CDownloadCtrl::DownloadFile(&m_job, "http://no-slash-after-host", Target(), true));

    // A folder where the ".tmp" should be: it cannot be opened, and the
    // button still comes back.
    fs::create_directories(Tmp());
    m_messages.clear();
    const int endedBefore = m_recorder.Ended();
    EXPECT_EQ(0, Download(false));
    EXPECT_EQ(std::vector<std::string>{"Open file failed, please comfirm the file is not in use!"}, m_messages);
    EXPECT_TRUE(m_recorder.Percents().empty());
    EXPECT_EQ(endedBefore + 1, m_recorder.Ended());
    ::close(holder);
}

TEST_F(DownloadCtrlTest, EmptyUrlOrPathDoesNothingButGivesTheButtonBack)
{
    EXPECT_EQ(1, m_job.StartDownload("", Target(), true));
    m_job.WaitForEnd();
    EXPECT_EQ(1, m_job.StartDownload(Url(), "", true));
    m_job.WaitForEnd();
    EXPECT_TRUE(m_recorder.Percents().empty());
    EXPECT_EQ(2, m_recorder.Ended());
    EXPECT_TRUE(m_server.Requests().empty());
}

// A server that stops sending: the receive time-out (on the program clock)
// ends the transfer, the ".tmp" keeps what came, and the next start resumes it.
TEST_F(DownloadCtrlTest, StalledTransferTimesOutAndResumesOnTheNextStart)
{
    VirtualClock clock;
    m_server.SetMode(HttpTestServer::Mode::Stall);
    m_server.SetStallAfter(300);
    ASSERT_EQ(1, m_job.StartDownload(Url(), Target(), true));
    ASSERT_TRUE(m_server.WaitForStall(10000));
    ASSERT_TRUE(m_recorder.WaitForPercent(30));
    EXPECT_TRUE(m_job.IsRunning());
    // While it runs, a second start is refused.
    EXPECT_EQ(0, m_job.StartDownload(Url(), Target(), true));
    clock.Advance(CDownloadCtrl::kDefaultReceiveTimeoutMs - 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_TRUE(m_job.IsRunning());
    clock.Advance(200);
    m_job.WaitForEnd();
    EXPECT_FALSE(m_job.IsRunning());
    EXPECT_FALSE(fs::exists(Target()));
    EXPECT_EQ(m_file.substr(0, 300), m_folder.Read("Teskaro_BrelkUpdate.zip.tmp"));
    auto percents = m_recorder.Percents();
    EXPECT_EQ(kDownloadEnded, percents.back());
    EXPECT_EQ(30u, percents[percents.size() - 2]);
    EXPECT_EQ(1, m_recorder.Ended());
    EXPECT_EQ(1u, m_server.Requests().size());

    m_server.SetMode(HttpTestServer::Mode::Normal);
    m_server.Release();
    Recorder next;
    m_job.SetNotify(&next);
    ASSERT_EQ(1, m_job.StartDownload(Url(), Target(), true));
    m_job.WaitForEnd();
    EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
    EXPECT_EQ(30u, next.Percents().front());
    EXPECT_EQ(kDownloadEnded, next.Percents().back());
    EXPECT_EQ("bytes=300-", m_server.Requests().back().range);
}

// A Content-Length no disk of ours should take, or that this disk cannot
// hold, is refused before a byte is written, and the owner told which. A
// ".tmp" of a file too large for us goes, since it could only be refused
// again; one refused for the disk stays, to be resumed once there is room.
TEST_F(DownloadCtrlTest, ALengthOverTheCapOrTheFreeSpaceIsRefusedBeforeWriting)
{
    constexpr uint64_t kTerabyte = 1000000000000ull;
    struct Case {
        const char* what;
        uint64_t announced; // 0: the file's own 1000 bytes
        size_t tmpBytes;
        std::optional<uint64_t> freeBytes; // empty: the disk's own
        std::optional<DownloadRefusal> refused;
        bool tmpStays;
    } cases[] = {
        {"10^12 bytes", kTerabyte, 0, {}, DownloadRefusal::TooLarge, false},
        {"one over the cap", CDownloadCtrl::kMaxDownloadBytes + 1, 0, {}, DownloadRefusal::TooLarge, false},
        {"10^12 bytes on resume", kTerabyte, 500, {}, DownloadRefusal::TooLarge, false},
        {"more than the disk holds", 0, 0, 999, DownloadRefusal::NoRoom, false},
        {"what the disk holds", 0, 0, 1000, {}, false},
        {"the rest of a resume fits", 0, 500, 500, {}, false},
        {"the rest of a resume does not fit", 0, 500, 499, DownloadRefusal::NoRoom, true},
        // Longer than the file: another file's, which could never be resumed.
        {"a .tmp longer than the file, the disk full", 0, 1500, 999, DownloadRefusal::NoRoom, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server;
        server.SetFile("dir/file.zip", m_file);
        server.SetAnnouncedLength(c.announced);
        Recorder recorder;
        CDownloadCtrl job;
        job.SetNotify(&recorder);
        if (c.freeBytes)
            job.SetFreeSpaceQuery([&c](const std::string&, uint64_t& free) {
                free = *c.freeBytes;
                return true;
            });
        fs::remove(Target());
        fs::remove(Tmp());
        const std::string tmp = (m_file + std::string(c.tmpBytes, 'x')).substr(0, c.tmpBytes);
        if (c.tmpBytes)
            WriteTmp(tmp);

        EXPECT_EQ(1, CDownloadCtrl::DownloadFile(&job, server.Url("dir/file.zip"), Target(), true));
        EXPECT_EQ(1, recorder.Ended());
        if (c.refused) {
            EXPECT_FALSE(fs::exists(Target()));
            EXPECT_TRUE(recorder.Percents().empty()) << "no report: the job failed";
            EXPECT_EQ(recorder.Refusals(), std::vector<DownloadRefusal>{*c.refused});
            if (c.tmpStays)
                EXPECT_EQ(tmp, m_folder.Read("Teskaro_BrelkUpdate.zip.tmp"));
            else
                EXPECT_FALSE(fs::exists(Tmp()));
        } else {
            EXPECT_TRUE(recorder.Refusals().empty());
            EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
        }
    }
}

// A server that sends a byte now and then never falls silent for the
// receive time-out. The program clock runs on a second per step while the
// bytes trickle in real time.
class SlowBodyTest : public DownloadCtrlTest {
protected:
    // Steps the clock until the job ends; the program time it took, or 0
    // when it was still running after `maxSteps`.
    uint32_t StepUntilEnded(VirtualClock& clock, int maxSteps)
    {
        const uint32_t start = GetTickCount();
        for (int i = 0; i < maxSteps && m_job.IsRunning(); ++i) {
            const uint64_t seen = clock.Reads();
            clock.Advance(kStepMs);
            // Each step waits for the worker to look at the time again, so a
            // busy machine that leaves the worker unscheduled does not let
            // several steps pass unseen.
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (clock.Reads() < seen + 2 && m_job.IsRunning() && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (m_job.IsRunning()) {
            m_job.Cancel();
            m_job.WaitForEnd();
            return 0;
        }
        m_job.WaitForEnd();
        return TicksSince(start, GetTickCount());
    }
    void ExpectFailedWithTmpKept()
    {
        EXPECT_FALSE(fs::exists(Target()));
        ASSERT_TRUE(fs::exists(Tmp()));
        EXPECT_GT(fs::file_size(Tmp()), 0u) << "what came is kept for resuming";
        EXPECT_LT(fs::file_size(Tmp()), m_file.size());
        ASSERT_FALSE(m_recorder.Percents().empty());
        EXPECT_EQ(kDownloadEnded, m_recorder.Percents().back());
        EXPECT_EQ(1, m_recorder.Ended());
    }
    static constexpr uint32_t kStepMs = 1000;
};

TEST_F(SlowBodyTest, ABodyBelowTheLeastRateFailsAfterOneRateWindow)
{
    VirtualClock clock;
    m_server.SetMode(HttpTestServer::Mode::Trickle);
    m_server.SetTrickle(1, 5);
    ASSERT_EQ(1, m_job.StartDownload(Url(), Target(), true));
    const uint32_t took = StepUntilEnded(clock, 3 * CDownloadCtrl::kDefaultRateWindowMs / kStepMs);
    EXPECT_GE(took, CDownloadCtrl::kDefaultRateWindowMs);
    EXPECT_LE(took, CDownloadCtrl::kDefaultRateWindowMs + 3 * kStepMs);
    ExpectFailedWithTmpKept();
}

TEST_F(SlowBodyTest, ATransferOverItsTotalTimeFailsWhateverItsRate)
{
    VirtualClock clock;
    CDownloadCtrl::Limits limits;
    limits.totalMs = 5000;
    limits.minBytesPerSecond = 0;
    m_job.SetLimits(limits);
    m_server.SetMode(HttpTestServer::Mode::Trickle);
    m_server.SetTrickle(1, 5);
    ASSERT_EQ(1, m_job.StartDownload(Url(), Target(), true));
    const uint32_t took = StepUntilEnded(clock, 60);
    EXPECT_GE(took, limits.totalMs);
    EXPECT_LE(took, limits.totalMs + 3 * kStepMs);
    ExpectFailedWithTmpKept();

    // The next start resumes from what the ".tmp" holds.
    m_server.SetMode(HttpTestServer::Mode::Normal);
    const size_t kept = fs::file_size(Tmp());
    EXPECT_EQ(1, Download());
    EXPECT_EQ(m_file, m_folder.Read("Teskaro_BrelkUpdate.zip"));
    EXPECT_EQ("bytes=" + std::to_string(kept) + "-", m_server.Requests().back().range);
}

TEST_F(DownloadCtrlTest, DestructorCancelsARunningTransfer)
{
    m_server.SetMode(HttpTestServer::Mode::Stall);
    m_server.SetStallAfter(500);
    Recorder recorder;
    {
        CDownloadCtrl job;
        job.SetNotify(&recorder);
        ASSERT_EQ(1, job.StartDownload(Url(), Target(), true));
        ASSERT_TRUE(recorder.WaitForPercent(50));
    }
    // Nothing is reported once the owner goes, and the partial file stays.
    EXPECT_NE(kDownloadEnded, recorder.Percents().back());
    EXPECT_EQ(0, recorder.Ended());
    EXPECT_EQ(m_file.substr(0, 500), m_folder.Read("Teskaro_BrelkUpdate.zip.tmp"));
    m_server.Release();
}

TEST_F(DownloadCtrlTest, ObjectWithSpacesAndNonAsciiIsEncoded)
{
    m_server.SetFile("dir/my%20file%C3%A9.zip", "abc");
    EXPECT_EQ(1, CDownloadCtrl::DownloadFile(&m_job, m_server.Url("dir/my file\xC3\xA9.zip"), Target(), true));
    EXPECT_EQ("abc", m_folder.Read("Teskaro_BrelkUpdate.zip"));
}

} // namespace

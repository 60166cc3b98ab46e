#include "NetCtrl.h"
#include "ClientNet.h"
#include "NetFrameReader.h"
#include "NetTestServer.h"
#include "Params.h"
#include "ProductStrings.h"
#include "TcpClient.h"
#include "TempFolder.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "UpdateServerReplies.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <dirent.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kCommand = CNetCtrl::kVersionQueryCommand;
constexpr uint32_t kType = CNetCtrl::kVersionMessageType;
constexpr uint32_t kWaitMs = 10000;

// Writes down what the connection reports and answers a connection with the
// version query, as the update controller does.
class Recorder : public CNetCtrlNotify {
public:
    explicit Recorder(CNetCtrl& net) : m_net(net) {}
    void OnConnectState(bool connected) override
    {
        events.push_back(connected ? "connected" : "lost");
        if (connected)
            m_net.SendVersionQuery();
    }
    void OnVersionInfo(const tag_SoftVersionInfo* info) override
    {
        events.push_back(info ? "version " + info->lastVersion + " " + info->downloadPath : "version none");
    }
    void OnReplyRefused() override { events.push_back("refused"); }
    bool Ended() const
    {
        return !events.empty() &&
               (events.back() == "lost" || events.back() == "refused" || events.back().rfind("version", 0) == 0);
    }
    std::vector<std::string> events;

private:
    CNetCtrl& m_net;
};

// A connection to the test server through the data folder's settings.
class NetCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureUiApp(); }
    void Configure(const std::string& host, uint16_t port)
    {
        m_data.Folder().Write("Setup.ini",
                              "[config]\r\nServerIP=" + host + "\r\nServerPort=" + std::to_string(port) + "\r\n");
    }
    // Runs one connection to its end and gives what was reported.
    std::vector<std::string> RunConnection(CNetCtrl& net, Recorder& recorder)
    {
        recorder.events.clear();
        EXPECT_TRUE(net.StartConnect());
        EXPECT_TRUE(PumpUntil([&] { return recorder.Ended(); }, kWaitMs));
        return recorder.events;
    }

    ScopedDataFolder m_data;
    NetTestServer m_server;
};

} // namespace

TEST(ServerSettings, HostAndPortFromTheLowerCaseConfigSection)
{
    struct Case {
        const char* ini;
        const char* host;
        uint16_t port;
    } cases[] = {
        {"", CNetCtrl::kDefaultServerHost, 9600},
        {"[config]\nServerIP=\nServerPort=0\n", CNetCtrl::kDefaultServerHost, 9600},
        {"[config]\nServerIP=10.1.2.3\nServerPort=4000\n", "10.1.2.3", 4000},
        {"[config]\nServerIP=update.example\nServerPort=70000\n", "update.example", 4464}, // low 16 bits
        {"[Config]\nServerIP=10.9.9.9\n", "10.9.9.9", 9600},                               // section names ignore case
    };
    EnsureUiApp();
    for (const Case& c : cases) {
        ScopedDataFolder data;
        data.Folder().Write("Setup.ini", c.ini);
        CNetCtrl net;
        EXPECT_EQ(net.GetHost(), c.host) << c.ini;
        EXPECT_EQ(net.GetPort(), c.port) << c.ini;
    }
}

TEST(ClientNetFraming, QueryGoesOutFramedAndCoalescedRepliesComeApart)
{
    NetTestServer server;
    server.SetCoalesce(true);
    server.SetReplies({"first", "", std::string(5000, 'x')});
    ClientNet net;
    std::atomic<int> stop{0};
    ASSERT_EQ(net.Init("127.0.0.1", server.Port(), 5000, stop), 0);
    ASSERT_EQ(net.Send(kCommand, kType, "<q/>", 4, 5000), NetResult::Ok);
    ASSERT_TRUE(server.WaitForQuery(kWaitMs));
    const NetTestServer::Message query = server.Queries().front();
    EXPECT_EQ(query.command, kCommand);
    EXPECT_EQ(query.type, kType);
    EXPECT_EQ(query.payload, "<q/>");

    for (const std::string& expected : {std::string("first"), std::string(), std::string(5000, 'x')}) {
        const char* data = nullptr;
        int length = -1;
        NetResult r;
        while ((r = net.Receive(&data, &length, 100)) == NetResult::TimedOut) {
        }
        ASSERT_EQ(r, NetResult::Ok);
        EXPECT_EQ(std::string(data, length), expected);
        EXPECT_EQ(net.LastCommand(), kCommand);
        EXPECT_EQ(net.LastType(), kType);
        net.ReleaseData(&data);
        EXPECT_EQ(data, nullptr);
    }
}

TEST(ClientNetFraming, PayloadsOverTheLimitBreakTheConnection)
{
    struct Case {
        NetTestServer::Fault fault;
        std::string reply;
        NetResult result;
    } cases[] = {
        {NetTestServer::Fault::None, std::string(kNetMaxPayload, 'a'), NetResult::Ok},
        {NetTestServer::Fault::None, std::string(kNetMaxPayload + 1, 'a'), NetResult::Lost},
        {NetTestServer::Fault::HugeLength, "", NetResult::Lost},
        {NetTestServer::Fault::HalfMessage, "<?xml version", NetResult::Lost},
        {NetTestServer::Fault::CloseMidSession, "", NetResult::Lost},
    };
    for (const Case& c : cases) {
        NetTestServer server;
        server.SetFault(c.fault);
        server.SetReplies({c.reply});
        ClientNet net;
        std::atomic<int> stop{0};
        ASSERT_EQ(net.Init("127.0.0.1", server.Port(), 5000, stop), 0);
        ASSERT_EQ(net.Send(kCommand, kType, "q", 1, 5000), NetResult::Ok);
        const char* data = nullptr;
        int length = 0;
        NetResult r;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while ((r = net.Receive(&data, &length, 100)) == NetResult::TimedOut &&
               std::chrono::steady_clock::now() < until) {
        }
        EXPECT_EQ(r, c.result) << c.reply.size();
        if (r == NetResult::Ok) {
            EXPECT_EQ(static_cast<size_t>(length), c.reply.size());
        }
    }
}

TEST(ClientNetFraming, MessagesComeWholeWhateverTheirBytesAreCutInto)
{
    const std::string stream = NetTestServer::Frame(kCommand, kType, "one") + NetTestServer::Frame(7, 8, "") +
                               NetTestServer::Frame(kCommand, kType, "three");
    for (size_t cut : {size_t(1), size_t(5), size_t(12), stream.size()}) {
        NetFrameReader reader;
        std::vector<std::string> got;
        uint32_t command = 0, type = 0;
        std::string payload;
        for (size_t at = 0; at < stream.size(); at += cut) {
            reader.Append(stream.data() + at, std::min(cut, stream.size() - at));
            while (reader.Take(command, type, payload) == NetFrameReader::Result::Message)
                got.push_back(std::to_string(command) + ":" + std::to_string(type) + ":" + payload);
        }
        EXPECT_EQ(got, (std::vector<std::string>{"263:1610612745:one", "7:8:", "263:1610612745:three"})) << cut;
        EXPECT_EQ(reader.Take(command, type, payload), NetFrameReader::Result::Incomplete);
    }
}

TEST(ClientNetFraming, ConnectionsToNobodyAndToNoAddressFail)
{
    std::atomic<int> stop{0};
    ClientNet net;
    EXPECT_EQ(net.Init("127.0.0.1", NetTestServer::RefusingPort(), 5000, stop), -1);
    EXPECT_EQ(net.Init("not an address", 9600, 5000, stop), -1);
    EXPECT_FALSE(net.IsOpen());
    const char* data = nullptr;
    int length = 0;
    EXPECT_EQ(net.Receive(&data, &length, 10), NetResult::Lost);
    EXPECT_EQ(net.Send(kCommand, kType, "q", 1, 10), NetResult::Lost);
}

// A listener whose queue is full never completes a connection: the connect
// waits until its time-out on the program clock, or until it is stopped.
TEST(ClientNetFraming, AConnectionThatHangsEndsAtItsTimeOutOrStop)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    ASSERT_EQ(::listen(listener, 0), 0);
    const uint16_t port = ntohs(a.sin_port);

    VirtualClock clock;
    std::atomic<int> stop{0};
    ClientNet filler;
    ASSERT_EQ(filler.Init("127.0.0.1", port, TcpClient::kConnectTimeoutMs, stop), 0);

    for (bool byStop : {false, true}) {
        ClientNet net;
        std::atomic<int> result{1};
        std::thread connect([&] { result = net.Init("127.0.0.1", port, TcpClient::kConnectTimeoutMs, stop); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(result, 1) << "still connecting";
        if (byStop)
            stop = 1;
        else
            clock.Advance(TcpClient::kConnectTimeoutMs);
        connect.join();
        EXPECT_EQ(result, -1);
        EXPECT_FALSE(net.IsOpen());
    }
    ::close(listener);
}

TEST(ServerReply, TheLastToolWhoseVersionDiffersIsOffered)
{
    struct Case {
        std::vector<const char*> versions;
        std::optional<int> count;
        bool result;
        const char* expected;
    } cases[] = {
        {{"V1", "V2", "V2"}, {}, true, "version V2 path1"},
        {{"V1", "V2", "V1"}, {}, true, "version V1 path2"},
        {{"V1"}, {}, false, "version none"},
        {{}, {}, true, "version  "},              // no tool: an empty record, never a download
        {{"V1", "V2"}, -1, true, "version  "},    // a negative count is ignored
        {{"V1", "V2"}, 1 << 30, true, "refused"}, // an absurd one is refused at once
        {{"V1"}, 3, true, "version  "},           // tools 1 and 2 lack every key: an empty record differs from V1
    };
    EnsureUiApp();
    ScopedDataFolder data;
    for (const Case& c : cases) {
        CNetCtrl net;
        Recorder recorder(net);
        net.SetNotify(&recorder);
        std::vector<OfferedTool> tools;
        for (size_t i = 0; i < c.versions.size(); ++i)
            tools.push_back({c.versions[i], "path" + std::to_string(i)});
        vornix_data_def::Params reply;
        reply.FromXml(VersionReply(c.result, tools, true, c.count).c_str());
        net.ParseVersionReply(reply);
        EXPECT_EQ(recorder.events, std::vector<std::string>{c.expected}) << c.versions.size();
    }
}

TEST(ServerReply, AReplyThatIsNotOverOnlyCollects)
{
    EnsureUiApp();
    ScopedDataFolder data;
    CNetCtrl net;
    Recorder recorder(net);
    net.SetNotify(&recorder);
    vornix_data_def::Params first, second;
    first.FromXml(VersionReply(true, {{"V1", "a"}, {"V7", "b"}}, false).c_str());
    second.FromXml(VersionReply(true, {{"V7", "c"}}, true).c_str());
    net.ParseVersionReply(first);
    EXPECT_TRUE(recorder.events.empty());
    net.ParseVersionReply(second);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"version V7 b"}); // equal to the newest: kept
}

TEST_F(NetCtrlTest, TheQueryCarriesProductVersionAndLanguage)
{
    Configure("127.0.0.1", m_server.Port());
    m_server.SetReplies({VersionReply(true, {{"V9.99", "http://x/p.zip"}})});
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    EXPECT_EQ(RunConnection(net, recorder), (std::vector<std::string>{"connected", "version V9.99 http://x/p.zip"}));

    const NetTestServer::Message query = m_server.Queries().front();
    EXPECT_EQ(query.command, kCommand);
    EXPECT_EQ(query.type, kType);
    vornix_data_def::Params sent;
    sent.FromXml(query.payload.c_str());
    EXPECT_STREQ(sent.GetParamString("product_soft_sn"), "Teskaro_Brelk");
    EXPECT_EQ(sent.GetParamString("product_version"), g_productStrings[kSoftwareVersionIndex]);
    EXPECT_STREQ(sent.GetParamString("product_language"), "en");
    // The reply was complete: the connection is closed, not left to the server.
    EXPECT_TRUE(m_server.WaitForClientClose(kWaitMs));
    EXPECT_FALSE(net.IsBusy());
}

TEST_F(NetCtrlTest, RepliesSpreadOverMessagesAndSlowRepliesAreWaitedFor)
{
    Configure("localhost", m_server.Port()); // a name, resolved on the connect worker
    m_server.SetReplyDelay(200);             // longer than one receive wait
    m_server.SetReplies({VersionReply(true, {{"V5", "p5"}}, false), VersionReply(true, {{"V6", "p6"}}, true)});
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    EXPECT_EQ(RunConnection(net, recorder), (std::vector<std::string>{"connected", "version V6 p6"}));
}

TEST_F(NetCtrlTest, EveryFailureIsOneLoss)
{
    struct Case {
        const char* name;
        NetTestServer::Fault fault;
        bool refuse;
        const char* host;
    } cases[] = {
        {"refused", NetTestServer::Fault::None, true, "127.0.0.1"},
        {"closed mid-session", NetTestServer::Fault::CloseMidSession, false, "127.0.0.1"},
        {"huge length", NetTestServer::Fault::HugeLength, false, "127.0.0.1"},
        {"half a message", NetTestServer::Fault::HalfMessage, false, "127.0.0.1"},
        {"unknown host", NetTestServer::Fault::None, false, "no-such-host.invalid"},
    };
    for (const Case& c : cases) {
        NetTestServer server;
        server.SetFault(c.fault);
        server.SetReplies({VersionReply(true, {{"V9", "p"}})});
        Configure(c.host, c.refuse ? NetTestServer::RefusingPort() : server.Port());
        CNetCtrl net;
        ASSERT_TRUE(net.CreateHidden());
        Recorder recorder(net);
        net.SetNotify(&recorder);
        const std::vector<std::string> events = RunConnection(net, recorder);
        ASSERT_FALSE(events.empty()) << c.name;
        EXPECT_EQ(events.back(), "lost") << c.name;
        EXPECT_EQ(std::count(events.begin(), events.end(), "lost"), 1) << c.name;
        RunEvents(100);
        EXPECT_EQ(recorder.events, events) << c.name << ": nothing comes after the loss";
    }
}

TEST_F(NetCtrlTest, ASilentServerIsLostAfterTheReplyTimeOut)
{
    VirtualClock clock;
    Configure("127.0.0.1", m_server.Port());
    m_server.SetFault(NetTestServer::Fault::Silent);
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    ASSERT_TRUE(net.StartConnect());
    ASSERT_TRUE(PumpUntil([&] { return !m_server.Queries().empty(); }, kWaitMs));
    RunEvents(200); // silence, but not yet for long on the program clock
    EXPECT_EQ(recorder.events, std::vector<std::string>{"connected"});
    clock.Advance(TcpClient::kReplyTimeoutMs);
    EXPECT_TRUE(PumpUntil([&] { return recorder.Ended(); }, kWaitMs));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"connected", "lost"}));
}

TEST_F(NetCtrlTest, EachConnectionHasItsOwnReceiveThreadAndALaterLossChangesNothing)
{
    Configure("127.0.0.1", m_server.Port());
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    for (const char* version : {"V1", "V2", "V3"}) {
        m_server.SetReplies({VersionReply(true, {{version, "p"}})});
        EXPECT_EQ(RunConnection(net, recorder),
                  (std::vector<std::string>{"connected", std::string("version ") + version + " p"}));
    }
    EXPECT_EQ(m_server.Connections(), 3);
    EXPECT_TRUE(m_server.WaitForClientClose(kWaitMs));
    RunEvents(100);
    EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(NetCtrlTest, CloseWhileConnectingOrReceivingReturnsAtOnce)
{
    Configure("127.0.0.1", m_server.Port());
    m_server.SetFault(NetTestServer::Fault::Silent);
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    ASSERT_TRUE(net.StartConnect());
    ASSERT_TRUE(PumpUntil([&] { return !m_server.Queries().empty(); }, kWaitMs));
    const auto start = std::chrono::steady_clock::now();
    net.Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(m_server.WaitForClientClose(kWaitMs));
}

namespace {

// The threads of this process, as the system counts them.
int ThreadCount()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

} // namespace

// The reply bounds agree: the most tools a reply may carry fit the tag
// bound of the parameter message, and a reply past either is refused at
// once (before, 1,024 tools passed the tool bound, failed the tag bound,
// and the user waited for the silence time-out).
TEST_F(NetCtrlTest, TheMostToolsAreReadAndALargerReplyIsRefusedAtOnce)
{
    VirtualClock clock; // the silence time-out never comes by itself
    auto tools = [](int count) {
        std::vector<OfferedTool> out;
        for (int i = 0; i < count; ++i)
            out.push_back({"V" + std::to_string(i), "p" + std::to_string(i)});
        return out;
    };
    const int last = CNetCtrl::kMaxToolCount - 1;
    struct Case {
        const char* what;
        std::string reply;
        std::string ended;
    } cases[] = {
        {"the most tools", VersionReply(true, tools(CNetCtrl::kMaxToolCount)),
         "version V" + std::to_string(last) + " p" + std::to_string(last)},
        {"1,024 tools", VersionReply(true, tools(1024)), "refused"},
        {"over the tag bound, another type",
         std::string("<?xml version=\"1.0\"?><root>") +
             [] {
                 std::string many;
                 for (size_t i = 0; i < vornix_data_def::Params::kMaxXmlTags; ++i)
                     many += "<a/>";
                 return many;
             }() +
             "</root>",
         "refused"},
    };
    for (const Case& c : cases) {
        NetTestServer server;
        server.SetReplies({c.reply});
        Configure("127.0.0.1", server.Port());
        CNetCtrl net;
        ASSERT_TRUE(net.CreateHidden());
        Recorder recorder(net);
        net.SetNotify(&recorder);
        EXPECT_EQ(RunConnection(net, recorder), (std::vector<std::string>{"connected", c.ended})) << c.what;
        EXPECT_FALSE(net.IsBusy()) << c.what;
    }
}

// A server that floods small messages: the receive thread holds back while
// the window has kMaxQueuedMessages to read, and the exchange ends at its
// own time however much the server talks.
TEST_F(NetCtrlTest, AFloodOfMessagesIsHeldBackAndEndsAtTheExchangeTime)
{
    VirtualClock clock;
    Configure("127.0.0.1", m_server.Port());
    m_server.SetFault(NetTestServer::Fault::Flood);
    m_server.SetReplies({"<x/>"});
    CNetCtrl net;
    ASSERT_TRUE(net.CreateHidden());
    Recorder recorder(net);
    net.SetNotify(&recorder);
    ASSERT_TRUE(net.StartConnect());
    ASSERT_TRUE(PumpUntil([&] { return m_server.FloodSent() > 0; }, kWaitMs));
    // The window reads nothing for a while: the queue stays at its bound.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(net.GetClient().GetQueue().Messages(), TcpClient::kMaxQueuedMessages);
    EXPECT_LE(net.GetClient().GetQueue().Bytes(), TcpClient::kMaxQueuedBytes);

    // Steps shorter than the silence time-out: only the exchange time can end it.
    uint32_t waited = 0;
    const bool ended = PumpUntil(
        [&] {
            if (recorder.Ended())
                return true;
            clock.Advance(1000);
            waited += 1000;
            return false;
        },
        kWaitMs);
    ASSERT_TRUE(ended);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"connected", "lost"}));
    EXPECT_GE(waited, TcpClient::kExchangeTimeoutMs - 1000);
    EXPECT_TRUE(m_server.WaitForClientClose(kWaitMs));
}

// A look-up that hangs holds no connection past its time-out, and leaves
// no thread behind per attempt: at most the one the connection owns and
// joins at its end.
TEST_F(NetCtrlTest, AHangingHostLookupLeavesNoThreadPerAttempt)
{
    VirtualClock clock;
    Configure("update.hangs.invalid", m_server.Port());
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    const int before = ThreadCount();
    {
        CNetCtrl net;
        ASSERT_TRUE(net.CreateHidden());
        net.GetClient().GetLookup().SetResolver([&](const std::string&, std::string&) {
            std::unique_lock lock(mutex);
            cv.wait(lock, [&] { return release; });
            return false;
        });
        Recorder recorder(net);
        net.SetNotify(&recorder);
        for (int attempt = 0; attempt < 3; ++attempt) {
            recorder.events.clear();
            ASSERT_TRUE(net.StartConnect());
            EXPECT_TRUE(PumpUntil(
                [&] {
                    clock.Advance(TcpClient::kConnectTimeoutMs / 4);
                    return recorder.Ended();
                },
                kWaitMs));
            EXPECT_EQ(recorder.events, std::vector<std::string>{"lost"}) << attempt;
        }
        RunEvents(50);
        EXPECT_LE(ThreadCount(), before + 1) << "one look-up thread at most";
        EXPECT_TRUE(net.GetClient().GetLookup().IsRunning());
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        cv.notify_all();
    }
    EXPECT_LE(ThreadCount(), before) << "joined with the connection";
}

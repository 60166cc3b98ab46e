#include "TcpClient.h"

#include "Clock.h"
#include "DebugTrace.h"
#include "DlgNet.h"
#include "HostLookup.h"

#include <memory>

TcpClient::~TcpClient() { Disconnect(); }

void TcpClient::PostState(uint32_t session, int state) { ::PostMessage(m_notifyWindow, WM_NET_STATE, state, session); }

bool TcpClient::Connect(const std::string& host, uint16_t port, HWND notifyWindow)
{
    m_notifyWindow = notifyWindow;
    const uint32_t session = ++m_session;
    const uint32_t start = GetTickCount();
    std::string address = host;
    bool connected = ResolveHostToIp(address, m_lookup, kConnectTimeoutMs, m_abort);
    if (connected) {
        const uint32_t spent = TicksSince(start, GetTickCount());
        const uint32_t left = spent < kConnectTimeoutMs ? kConnectTimeoutMs - spent : 0;
        connected = m_net.Init(address.c_str(), port, left, m_abort) == 0;
    }
    if (!connected) {
        DebugTrace("server: no connection to %s:%u\n", host.c_str(), port);
        PostState(session, kNetLost);
        return false;
    }
    m_stop = 0;
    PostState(session, kNetConnected);
    m_worker.Start(this);
    return true;
}

void TcpClient::Abort()
{
    m_abort = 1;
    m_net.Interrupt();
}

void TcpClient::Disconnect()
{
    m_abort = 1;
    m_stop = 1;
    m_net.Interrupt();
    m_worker.Join();
    m_net.UnInit();
    ++m_session;
    m_abort = 0;
}

NetResult TcpClient::Send(uint32_t command, uint32_t type, const std::string& payload)
{
    if (m_stop)
        return NetResult::Lost;
    return m_net.Send(command, type, payload.data(), static_cast<int>(payload.size()), kSendTimeoutMs);
}

bool TcpClient::WaitForRoom(size_t bytes, uint32_t start)
{
    return m_queue->WaitForRoom(bytes,
                                [&] { return m_stop || TicksSince(start, GetTickCount()) >= kExchangeTimeoutMs; });
}

int TcpClient::Run(int, int, int)
{
    const uint32_t session = m_session;
    const uint32_t start = GetTickCount();
    uint32_t lastHeard = start;
    while (!m_stop) {
        const char* data = nullptr;
        int length = 0;
        const NetResult result = m_net.Receive(&data, &length, kReceiveSliceMs);
        if (m_stop)
            break;
        const uint32_t now = GetTickCount();
        if (TicksSince(start, now) >= kExchangeTimeoutMs) {
            DebugTrace("server: no complete reply within the exchange time\n");
        } else if (result == NetResult::Ok) {
            lastHeard = now;
            auto message = std::make_shared<NetRecvData>(NetRecvData{session, std::string(data, length), nullptr});
            m_net.ReleaseData(&data);
            if (!WaitForRoom(message->bytes.size(), start))
                continue; // stopped, or out of time: the loop ends above
            message->ticket = std::make_unique<NetRecvQueue::Ticket>(m_queue, message->bytes.size());
            ::PostMessage(m_notifyWindow, WM_NET_RECV_DATA, length,
                          MsgParam::Of(std::shared_ptr<const NetRecvData>(std::move(message))));
            continue;
        } else if (result == NetResult::TimedOut && TicksSince(lastHeard, now) < kReplyTimeoutMs) {
            // A server that stays silent is as good as gone; until then, ask again.
            continue;
        } else {
            DebugTrace("server: connection %s\n", result == NetResult::Lost ? "lost" : "silent");
        }
        m_stop = 1;
        PostState(session, kNetLost);
        break;
    }
    return 0;
}

void TcpClient::Stop(int)
{
    m_stop = 1;
    m_net.Interrupt();
}

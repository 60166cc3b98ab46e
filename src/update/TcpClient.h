#pragma once
// The update server connection: connects on the caller's thread (the connect
// worker), then receives on a thread of its own, one per connection, and
// posts what it gets to the notify window (see DlgNet.h). Disconnect stops the
// receive thread cooperatively (flag, socket shut down, join); nothing waits
// on a thread that waits for the UI, because no thread here does.
//
// Connect and Disconnect never run at once: the owner waits for the connect
// worker before it disconnects.
#include "ClientNet.h"
#include "HostLookup.h"
#include "IRun.h"
#include "NetRecvQueue.h"
#include "Thread.h"
#include "WinDefs.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TcpClient : public IRun {
public:
    // Waits, on the program clock.
    static constexpr uint32_t kConnectTimeoutMs = 10000; // host look-up and connection together
    static constexpr uint32_t kReplyTimeoutMs = 10000;   // silence of a connected server
    // The whole exchange from the connection on: a server that keeps talking
    // without ever completing its reply is dropped all the same.
    static constexpr uint32_t kExchangeTimeoutMs = 30000;
    static constexpr uint32_t kSendTimeoutMs = 5000;
    // How long one receive waits (real time) before it looks at the clock again.
    static constexpr uint32_t kReceiveSliceMs = 50;
    // Received messages on their way to the window, in number and in bytes:
    // past either the receive thread reads no more until the window has
    // taken some (the server then waits on its full socket).
    static constexpr int kMaxQueuedMessages = 16;
    static constexpr size_t kMaxQueuedBytes = 4 * 1024 * 1024;

    TcpClient() = default;
    ~TcpClient() override;
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Resolves the host, connects, posts WM_NET_STATE (connected or lost) to
    // the window and starts the receive thread; true when connected.
    bool Connect(const std::string& host, uint16_t port, HWND notifyWindow);
    // Ends a Connect in progress as soon as it looks (from any thread).
    void Abort();
    // Stops and joins the receive thread, closes the connection, and makes
    // every message still on its way from this connection a stale one.
    void Disconnect();
    // Sends one message while connected.
    NetResult Send(uint32_t command, uint32_t type, const std::string& payload);

    // The number of the current connection; messages carry the number of the
    // connection they came from.
    uint32_t GetSession() const { return m_session; }
    bool IsConnected() const { return m_stop == 0; }
    // Where host names are resolved (tests stand in their own resolver).
    HostLookup& GetLookup() { return m_lookup; }
    // The received messages posted to the window and not yet dropped by it.
    const NetRecvQueue& GetQueue() const { return *m_queue; }

    // IRun: the receive loop, and its stop.
    int Run(int, int, int) override;
    void Stop(int reason) override;

private:
    void PostState(uint32_t session, int state);
    // Waits until the window's queue has room for `bytes`; false when the
    // connection is to end first (stopped, or past `deadline` from `start`).
    bool WaitForRoom(size_t bytes, uint32_t start);

    std::atomic<HWND> m_notifyWindow{0};
    Thread m_worker;
    ClientNet m_net;
    HostLookup m_lookup;
    std::shared_ptr<NetRecvQueue> m_queue = std::make_shared<NetRecvQueue>(kMaxQueuedMessages, kMaxQueuedBytes);
    std::atomic<int> m_stop{1};  // 1 while not connected
    std::atomic<int> m_abort{0}; // ends a Connect in progress
    std::atomic<uint32_t> m_session{0};
};

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
#include "IRun.h"
#include "Thread.h"
#include "WinDefs.h"

#include <atomic>
#include <cstdint>
#include <string>

class TcpClient : public IRun {
public:
    // Waits, on the program clock.
    static constexpr uint32_t kConnectTimeoutMs = 10000; // host look-up and connection together
    static constexpr uint32_t kReplyTimeoutMs = 10000;   // silence of a connected server
    static constexpr uint32_t kSendTimeoutMs = 5000;
    // How long one receive waits (real time) before it looks at the clock again.
    static constexpr uint32_t kReceiveSliceMs = 50;

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

    // IRun: the receive loop, and its stop.
    int Run(int, int, int) override;
    void Stop(int reason) override;

private:
    void PostState(uint32_t session, int state);

    std::atomic<HWND> m_notifyWindow{0};
    Thread m_worker;
    ClientNet m_net;
    std::atomic<int> m_stop{1};  // 1 while not connected
    std::atomic<int> m_abort{0}; // ends a Connect in progress
    std::atomic<uint32_t> m_session{0};
};

#pragma once
// The update server's network library: one TCP connection that carries framed
// messages (see NetFrameReader.h). A payload longer than kNetMaxPayload is
// taken for a broken connection, never allocated.
//
// Init and UnInit belong to one thread at a time; Send (the UI thread) and
// Receive (the receive thread) may run at once, and Interrupt may come from
// any thread to end both.
#include "NetFrameReader.h"

#include <atomic>
#include <cstdint>
#include <string>

// What a Send or Receive came to.
enum class NetResult {
    Ok,       // sent whole, or one whole message received
    TimedOut, // nothing whole came within the wait; ask again
    Lost,     // the connection is broken, closed, or was interrupted
};

class ClientNet {
public:
    ClientNet() = default;
    ~ClientNet();
    ClientNet(const ClientNet&) = delete;
    ClientNet& operator=(const ClientNet&) = delete;

    // Connects to a dotted IPv4 address within timeoutMs (program clock),
    // giving up at once when `stop` becomes non-zero. 0 when connected, -1 not.
    int Init(const char* address, uint16_t port, uint32_t timeoutMs, const std::atomic<int>& stop);
    // Sends one message whole within timeoutMs (program clock). A send that
    // does not finish in time has failed like any other.
    NetResult Send(uint32_t command, uint32_t type, const char* data, int length, uint32_t timeoutMs);
    // Waits at most waitMs (real time) for one whole message. On Ok `data`
    // and `length` give its payload, which stays valid until ReleaseData or
    // the next Receive.
    NetResult Receive(const char** data, int* length, uint32_t waitMs);
    void ReleaseData(const char** data);
    // The command and message type of the message Receive gave last.
    uint32_t LastCommand() const { return m_command; }
    uint32_t LastType() const { return m_type; }
    // Shuts the connection down: a Send or Receive on another thread returns
    // Lost at once. The socket stays open until UnInit.
    void Interrupt();
    // Closes the connection. Nobody may be inside Send or Receive.
    void UnInit();
    bool IsOpen() const { return m_fd.load() >= 0; }

private:
    // One whole message from the bytes received so far into m_message.
    NetResult TakeMessage();

    std::atomic<int> m_fd{-1};
    NetFrameReader m_in;
    std::string m_message; // the payload handed out last
    uint32_t m_command = 0;
    uint32_t m_type = 0;
};

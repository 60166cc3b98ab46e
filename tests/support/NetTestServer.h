#pragma once
// The update server on loopback for tests: speaks the framed messages of the
// server's network library (12-byte little-endian header {payload length,
// command, message type}, then the payload), answers each query with the
// replies it was given, and misbehaves on request. One thread accepts, one
// serves each connection.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class NetTestServer {
public:
    enum class Fault {
        None,            // every query gets the replies, in order
        CloseMidSession, // reads the query, then closes without a word
        Silent,          // reads the query and never answers
        HugeLength,      // answers with a header announcing 0xFFFFFFFF bytes
        HalfMessage,     // sends half of the first reply, then closes
        Flood,           // answers with small messages (the first reply's payload) until the client goes
    };

    struct Message {
        uint32_t command = 0;
        uint32_t type = 0;
        std::string payload;
    };

    NetTestServer();
    ~NetTestServer();
    NetTestServer(const NetTestServer&) = delete;
    NetTestServer& operator=(const NetTestServer&) = delete;

    uint16_t Port() const { return m_port; }
    // The payloads answered to each query, each as one message of the
    // query's command and type.
    void SetReplies(std::vector<std::string> payloads);
    void SetFault(Fault fault);
    // Every reply goes out as one write (several messages in one segment).
    void SetCoalesce(bool coalesce);
    // Real time between a query and its replies.
    void SetReplyDelay(int ms);
    // Flood: stops after this many messages (0: never).
    void SetFloodCount(size_t messages);
    // Flood: the messages sent whole so far.
    size_t FloodSent() const;

    std::vector<Message> Queries() const;
    int Connections() const;
    // Real-time wait until a query came; true when one did.
    bool WaitForQuery(int ms);
    // Real-time wait until every connection the server took has been closed
    // by the client.
    bool WaitForClientClose(int ms);

    // A loopback port where nobody listens, so a connection is refused.
    static uint16_t RefusingPort();
    // Frames a message as the library does (the test's own writer).
    static std::string Frame(uint32_t command, uint32_t type, const std::string& payload);

private:
    void AcceptLoop();
    void Serve(int fd);
    // Sends, waiting for room in slices, until sent or the server stops.
    bool SendWhileRunning(int fd, const std::string& bytes);
    void Flood(int fd, const std::string& message);

    int m_listen = -1;
    uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stopping = false;
    Fault m_fault = Fault::None;
    bool m_coalesce = false;
    int m_replyDelayMs = 0;
    size_t m_floodCount = 0;
    size_t m_floodSent = 0;
    std::vector<std::string> m_replies;
    std::vector<Message> m_queries;
    int m_connections = 0;
    int m_open = 0;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

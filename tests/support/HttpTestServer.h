#pragma once
// A small HTTP/1.1 server on loopback for download tests: serves files from
// memory with Range support, and can misbehave on request (ignore Range, send
// a wrong Content-Range, leave out the length, cut the body short, stall in
// the middle of the body). It also serves as a proxy: a request for a whole
// address gets the file of the address's path. One thread accepts, one thread serves each
// connection; every connection is closed after its reply.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HttpTestServer {
public:
    enum class Mode {
        Normal,      // 200, or 206 / 416 for a Range request
        IgnoreRange, // always 200 with the whole file
        WrongRange,  // a Range request gets 206 whose Content-Range starts at 0
        NoLength,    // 200 without Content-Length, the body ends with the connection
        ShortBody,   // announces the whole length but sends only ShortLength bytes of the body
        Stall,       // sends StallAfter bytes of the body, then waits for Release()
        Trickle,     // sends the body a few bytes at a time (SetTrickle), until done or stopped
        Raw,         // answers every request with the raw bytes of SetRawReply, then closes
    };

    struct Request {
        std::string method;
        std::string target;
        std::string range; // the Range header's value, empty when absent
        std::string userAgent;
    };

    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>/" + path.
    std::string Url(const std::string& path) const;

    void SetFile(const std::string& path, const std::string& body);
    // Status of a path that overrides everything else (for example 500).
    void SetStatus(const std::string& path, int status);
    void SetMode(Mode mode);
    void SetShortLength(size_t bytes);
    void SetStallAfter(size_t bytes);
    // Trickle: `bytes` of the body every `intervalMs` of real time.
    void SetTrickle(size_t bytes, int intervalMs);
    // The length announced (Content-Length, and the total of a Content-Range)
    // in place of the file's own; the body stays the file.
    void SetAnnouncedLength(uint64_t length);
    void SetRawReply(const std::string& bytes);
    // Lets a stalled reply go on.
    void Release();
    // Waits (real time, at most `ms`) until a reply stalls; true when one does.
    bool WaitForStall(int ms);

    std::vector<Request> Requests() const;

private:
    void AcceptLoop();
    void Serve(int fd);
    bool SendAll(int fd, const std::string& bytes);
    // Ends the reply: shuts the sending side, drains the client, closes.
    void Finish(int fd);

    int m_listen = -1;
    uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stopping = false;
    bool m_released = false;
    bool m_stalled = false;
    Mode m_mode = Mode::Normal;
    size_t m_shortLength = 0;
    size_t m_stallAfter = 0;
    size_t m_trickleBytes = 1;
    int m_trickleIntervalMs = 10;
    uint64_t m_announced = 0; // 0: the file's own length
    std::string m_raw;
    std::map<std::string, std::string> m_files;
    std::map<std::string, int> m_status;
    std::vector<Request> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

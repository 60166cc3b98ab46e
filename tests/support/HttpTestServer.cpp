#include "HttpTestServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string HeaderValue(const std::string& head, const char* name)
{
    size_t pos = 0;
    const size_t nameLen = std::char_traits<char>::length(name);
    while ((pos = head.find("\r\n", pos)) != std::string::npos) {
        pos += 2;
        if (head.size() - pos > nameLen && strncasecmp(head.c_str() + pos, name, nameLen) == 0 &&
            head[pos + nameLen] == ':') {
            size_t start = pos + nameLen + 1;
            while (start < head.size() && head[start] == ' ')
                ++start;
            const size_t end = head.find("\r\n", start);
            return head.substr(start, end - start);
        }
    }
    return {};
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Error";
    }
}

} // namespace

HttpTestServer::HttpTestServer()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_listen, 16) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_cv.notify_all();
    ::shutdown(m_listen, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listen);
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& t : connections)
        t.join();
}

std::string HttpTestServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
}

void HttpTestServer::SetFile(const std::string& path, const std::string& body)
{
    std::lock_guard lock(m_mutex);
    m_files["/" + path] = body;
}

void HttpTestServer::SetStatus(const std::string& path, int status)
{
    std::lock_guard lock(m_mutex);
    m_status["/" + path] = status;
}

void HttpTestServer::SetMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

void HttpTestServer::SetShortLength(size_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_shortLength = bytes;
}

void HttpTestServer::SetStallAfter(size_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_stallAfter = bytes;
}

void HttpTestServer::SetTrickle(size_t bytes, int intervalMs)
{
    std::lock_guard lock(m_mutex);
    m_trickleBytes = bytes ? bytes : 1;
    m_trickleIntervalMs = intervalMs;
}

void HttpTestServer::SetAnnouncedLength(uint64_t length)
{
    std::lock_guard lock(m_mutex);
    m_announced = length;
}

void HttpTestServer::SetRawReply(const std::string& bytes)
{
    std::lock_guard lock(m_mutex);
    m_raw = bytes;
}

void HttpTestServer::Release()
{
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
    }
    m_cv.notify_all();
}

bool HttpTestServer::WaitForStall(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stalled; });
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void HttpTestServer::AcceptLoop()
{
    for (;;) {
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        m_connections.emplace_back([this, fd] { Serve(fd); });
    }
}

bool HttpTestServer::SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void HttpTestServer::Serve(int fd)
{
    std::string head;
    char buf[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) == 0) {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
            continue;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        head.append(buf, static_cast<size_t>(n));
    }
    if (head.find("\r\n\r\n") == std::string::npos) {
        ::close(fd);
        return;
    }

    Request req;
    const size_t sp1 = head.find(' ');
    const size_t sp2 = head.find(' ', sp1 + 1);
    req.method = head.substr(0, sp1);
    req.target = head.substr(sp1 + 1, sp2 - sp1 - 1);
    req.range = HeaderValue(head, "Range");
    req.userAgent = HeaderValue(head, "User-Agent");

    Mode mode;
    size_t shortLength, stallAfter, trickleBytes;
    int trickleIntervalMs;
    uint64_t announced;
    std::string raw;
    int forced = 0;
    bool found;
    std::string body;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(req);
        mode = m_mode;
        shortLength = m_shortLength;
        stallAfter = m_stallAfter;
        trickleBytes = m_trickleBytes;
        trickleIntervalMs = m_trickleIntervalMs;
        announced = m_announced;
        raw = m_raw;
        // A request through a proxy names the whole address; the file is its path.
        std::string path = req.target;
        if (path.rfind("http://", 0) == 0) {
            const size_t slash = path.find('/', 7);
            path = slash == std::string::npos ? "/" : path.substr(slash);
        }
        auto s = m_status.find(path);
        if (s != m_status.end())
            forced = s->second;
        auto f = m_files.find(path);
        found = f != m_files.end();
        if (found)
            body = f->second;
    }

    if (mode == Mode::Raw) {
        SendAll(fd, raw);
        Finish(fd);
        return;
    }

    int status = 200;
    size_t from = 0;
    std::string extra;
    bool sendLength = true;
    if (forced) {
        status = forced;
        body = "status";
    } else if (!found) {
        status = 404;
        body = "not found";
    } else if (!req.range.empty() && mode != Mode::IgnoreRange && req.range.rfind("bytes=", 0) == 0) {
        from = std::strtoull(req.range.c_str() + 6, nullptr, 10);
        if (from >= body.size()) {
            status = 416;
            extra = "Content-Range: bytes */" + std::to_string(body.size()) + "\r\n";
            body.clear();
        } else {
            status = 206;
            const size_t start = mode == Mode::WrongRange ? 0 : from;
            const uint64_t total = announced ? announced : body.size();
            extra = "Content-Range: bytes " + std::to_string(start) + "-" + std::to_string(total - 1) + "/" +
                    std::to_string(total) + "\r\n";
            body = body.substr(start);
        }
    } else if (mode == Mode::NoLength) {
        sendLength = false;
    }

    std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    if (sendLength) {
        const uint64_t length = announced && (status == 200 || status == 206) ? announced - from : body.size();
        reply += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    reply += extra + "Connection: close\r\n\r\n";

    std::string sent = body;
    if (status == 200 || status == 206) {
        if (mode == Mode::ShortBody && shortLength < body.size())
            sent = body.substr(0, shortLength);
        if (mode == Mode::Stall && stallAfter < body.size())
            sent = body.substr(0, stallAfter);
    }
    if (mode == Mode::Trickle && (status == 200 || status == 206)) {
        // A byte now and then: the connection never falls silent for long.
        bool ok = SendAll(fd, reply);
        for (size_t at = 0; ok && at < body.size(); at += trickleBytes) {
            {
                std::unique_lock lock(m_mutex);
                if (m_cv.wait_for(lock, std::chrono::milliseconds(trickleIntervalMs), [this] { return m_stopping; }))
                    break;
            }
            ok = SendAll(fd, body.substr(at, trickleBytes));
        }
        Finish(fd);
        return;
    }
    bool ok = SendAll(fd, reply) && SendAll(fd, sent);
    if (ok && mode == Mode::Stall && sent.size() < body.size() && (status == 200 || status == 206)) {
        std::unique_lock lock(m_mutex);
        m_stalled = true;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_released || m_stopping; });
        const bool go = m_released && !m_stopping;
        lock.unlock();
        if (go)
            SendAll(fd, body.substr(sent.size()));
    }
    Finish(fd);
}

void HttpTestServer::Finish(int fd)
{
    ::shutdown(fd, SHUT_WR);
    // Drain what the client still sends so that close does not reset the link.
    char buf[1024];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 200) > 0 && ::recv(fd, buf, sizeof buf, 0) > 0) {
    }
    ::close(fd);
}

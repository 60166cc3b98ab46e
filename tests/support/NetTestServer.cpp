#include "NetTestServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kHeader = 12;
constexpr int kPollMs = 50;

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetU32(const std::string& in, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(in[at + i]);
    return v;
}

bool SendAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

int Listener(uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

} // namespace

NetTestServer::NetTestServer()
{
    m_listen = Listener(m_port);
    ::listen(m_listen, 8);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

NetTestServer::~NetTestServer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_cv.notify_all();
    }
    m_acceptor.join();
    for (std::thread& t : m_threads)
        t.join();
    ::close(m_listen);
}

uint16_t NetTestServer::RefusingPort()
{
    uint16_t port = 0;
    // Bound but never listening: a connection to it is refused.
    const int fd = Listener(port);
    ::close(fd);
    return port;
}

std::string NetTestServer::Frame(uint32_t command, uint32_t type, const std::string& payload)
{
    std::string out;
    PutU32(out, static_cast<uint32_t>(payload.size()));
    PutU32(out, command);
    PutU32(out, type);
    return out + payload;
}

void NetTestServer::SetReplies(std::vector<std::string> payloads)
{
    std::lock_guard lock(m_mutex);
    m_replies = std::move(payloads);
}

void NetTestServer::SetFault(Fault fault)
{
    std::lock_guard lock(m_mutex);
    m_fault = fault;
}

void NetTestServer::SetReplyDelay(int ms)
{
    std::lock_guard lock(m_mutex);
    m_replyDelayMs = ms;
}

void NetTestServer::SetCoalesce(bool coalesce)
{
    std::lock_guard lock(m_mutex);
    m_coalesce = coalesce;
}

std::vector<NetTestServer::Message> NetTestServer::Queries() const
{
    std::lock_guard lock(m_mutex);
    return m_queries;
}

int NetTestServer::Connections() const
{
    std::lock_guard lock(m_mutex);
    return m_connections;
}

bool NetTestServer::WaitForQuery(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !m_queries.empty(); });
}

bool NetTestServer::WaitForClientClose(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_connections > 0 && m_open == 0; });
}

void NetTestServer::AcceptLoop()
{
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
        }
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(m_mutex);
        ++m_connections;
        ++m_open;
        m_threads.emplace_back([this, fd] { Serve(fd); });
    }
}

void NetTestServer::SetFloodCount(size_t messages)
{
    std::lock_guard lock(m_mutex);
    m_floodCount = messages;
}

size_t NetTestServer::FloodSent() const
{
    std::lock_guard lock(m_mutex);
    return m_floodSent;
}

bool NetTestServer::SendWhileRunning(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return false;
        }
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        if (p.revents & (POLLERR | POLLHUP))
            return false;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void NetTestServer::Flood(int fd, const std::string& message)
{
    constexpr size_t kBatch = 256;
    size_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_floodCount;
    }
    std::string batch;
    for (size_t i = 0; i < kBatch; ++i)
        batch += message;
    for (size_t done = 0; limit == 0 || done < limit;) {
        const size_t n = limit == 0 ? kBatch : std::min(kBatch, limit - done);
        if (!SendWhileRunning(fd, batch.substr(0, n * message.size())))
            return;
        done += n;
        std::lock_guard lock(m_mutex);
        m_floodSent = done;
    }
}

void NetTestServer::Serve(int fd)
{
    std::string in;
    bool peerOpen = true;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
        }
        // Whole queries first.
        while (in.size() >= kHeader && in.size() - kHeader >= GetU32(in, 0)) {
            Message query{GetU32(in, 4), GetU32(in, 8), in.substr(kHeader, GetU32(in, 0))};
            in.erase(0, kHeader + query.payload.size());
            Fault fault;
            std::vector<std::string> replies;
            bool coalesce;
            int delayMs;
            {
                std::lock_guard lock(m_mutex);
                m_queries.push_back(query);
                m_cv.notify_all();
                fault = m_fault;
                replies = m_replies;
                coalesce = m_coalesce;
                delayMs = m_replyDelayMs;
            }
            if (delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            if (fault == Fault::CloseMidSession || fault == Fault::HalfMessage) {
                if (fault == Fault::HalfMessage && !replies.empty()) {
                    const std::string whole = Frame(query.command, query.type, replies.front());
                    SendAll(fd, whole.substr(0, whole.size() / 2));
                }
                peerOpen = false;
                break;
            }
            if (fault == Fault::HugeLength) {
                std::string header;
                PutU32(header, 0xFFFFFFFFu);
                PutU32(header, query.command);
                PutU32(header, query.type);
                SendAll(fd, header + "<?xml");
                continue;
            }
            if (fault == Fault::Silent)
                continue;
            if (fault == Fault::Flood) {
                Flood(fd, Frame(query.command, query.type, replies.empty() ? std::string() : replies.front()));
                peerOpen = false;
                break;
            }
            std::string all;
            for (const std::string& r : replies) {
                const std::string framed = Frame(query.command, query.type, r);
                if (coalesce)
                    all += framed;
                else
                    SendAll(fd, framed);
            }
            if (coalesce)
                SendAll(fd, all);
        }
        if (!peerOpen)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break; // the client closed
        in.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    std::lock_guard lock(m_mutex);
    --m_open;
    m_cv.notify_all();
}

#include "ClientNet.h"

#include "ByteOrder.h"
#include "Clock.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The longest a wait blocks before it looks at the stop flag and the clock again.
constexpr int kWaitSliceMs = 20;
constexpr size_t kReadChunk = 4096;

int WaitFor(int fd, short events, int ms)
{
    pollfd p{fd, events, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, ms);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? -1 : (rc == 0 ? 0 : p.revents);
}

} // namespace

ClientNet::~ClientNet() { UnInit(); }

int ClientNet::Init(const char* address, uint16_t port, uint32_t timeoutMs, const std::atomic<int>& stop)
{
    UnInit();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (address == nullptr || ::inet_pton(AF_INET, address, &to.sin_addr) != 1)
        return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return -1;
    bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && errno == EINPROGRESS) {
        const uint32_t start = GetTickCount();
        while (!stop && TicksSince(start, GetTickCount()) < timeoutMs) {
            const int ready = WaitFor(fd, POLLOUT, kWaitSliceMs);
            if (ready < 0)
                break;
            if (ready == 0)
                continue;
            int error = 0;
            socklen_t size = sizeof error;
            connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
            break;
        }
    }
    if (!connected || stop) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_in.Clear();
    m_message.clear();
    m_fd = fd;
    return 0;
}

NetResult ClientNet::Send(uint32_t command, uint32_t type, const char* data, int length, uint32_t timeoutMs)
{
    const int fd = m_fd;
    if (fd < 0 || length < 0 || static_cast<uint32_t>(length) > kNetMaxPayload || (length > 0 && !data))
        return NetResult::Lost;
    std::string bytes(kNetHeaderSize, '\0');
    auto* header = reinterpret_cast<unsigned char*>(bytes.data());
    WriteLe32(header, static_cast<uint32_t>(length));
    WriteLe32(header + 4, command);
    WriteLe32(header + 8, type);
    bytes.append(data, static_cast<size_t>(length));

    const uint32_t start = GetTickCount();
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return NetResult::Lost;
        if (TicksSince(start, GetTickCount()) >= timeoutMs)
            return NetResult::TimedOut;
        const int ready = WaitFor(fd, POLLOUT, kWaitSliceMs);
        if (ready < 0 || (ready & (POLLERR | POLLHUP)))
            return NetResult::Lost;
    }
    return NetResult::Ok;
}

NetResult ClientNet::TakeMessage()
{
    switch (m_in.Take(m_command, m_type, m_message)) {
    case NetFrameReader::Result::Message: return NetResult::Ok;
    case NetFrameReader::Result::Incomplete: return NetResult::TimedOut;
    case NetFrameReader::Result::Broken: break;
    }
    return NetResult::Lost;
}

NetResult ClientNet::Receive(const char** data, int* length, uint32_t waitMs)
{
    *data = nullptr;
    *length = 0;
    const int fd = m_fd;
    if (fd < 0)
        return NetResult::Lost;
    NetResult result = TakeMessage();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (result == NetResult::TimedOut) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        const int ready = WaitFor(fd, POLLIN, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (ready < 0)
            return NetResult::Lost;
        if (ready == 0)
            return NetResult::TimedOut;
        char chunk[kReadChunk];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return NetResult::Lost; // closed by the peer, shut down by Interrupt, or broken
        m_in.Append(chunk, static_cast<size_t>(n));
        result = TakeMessage();
    }
    if (result == NetResult::Ok) {
        *data = m_message.data();
        *length = static_cast<int>(m_message.size());
    }
    return result;
}

void ClientNet::ReleaseData(const char** data)
{
    m_message.clear();
    if (data)
        *data = nullptr;
}

void ClientNet::Interrupt()
{
    const int fd = m_fd;
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}

void ClientNet::UnInit()
{
    const int fd = m_fd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    m_in.Clear();
    m_message.clear();
}

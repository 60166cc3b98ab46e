#include "HostLookup.h"

#include "Clock.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netdb.h>
#include <resolv.h>

namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(20);

} // namespace

// What the helper thread and its caller share.
struct HostLookup::Pending {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool found = false;
    std::string address;
};

HostLookup::HostLookup() : m_resolver(&HostLookup::SystemResolve) {}

HostLookup::~HostLookup()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool HostLookup::IsRunning() const
{
    if (!m_pending)
        return false;
    std::lock_guard lock(m_pending->mutex);
    return !m_pending->finished;
}

bool HostLookup::SystemResolve(const std::string& name, std::string& address)
{
    // This thread's resolver state: one short try per name server.
    if (res_init() == 0) {
        _res.retrans = kResolverTimeoutSeconds;
        _res.retry = 1;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    bool found = false;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) == 0 && list) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) {
            address = text;
            found = true;
        }
    }
    if (list)
        ::freeaddrinfo(list);
    return found;
}

int HostLookup::GetHostIp(const char* name, std::string& out, uint32_t timeoutMs, const std::atomic<int>& stop)
{
    if (name == nullptr || *name == '\0')
        return 0;
    // One look-up at a time: a hanging one is not joined by another.
    if (IsRunning())
        return 0;
    if (m_thread.joinable())
        m_thread.join();
    auto pending = std::make_shared<Pending>();
    m_pending = pending;
    m_thread = std::thread([pending, resolver = m_resolver, host = std::string(name)] {
        std::string address;
        const bool found = resolver(host, address);
        std::lock_guard lock(pending->mutex);
        pending->finished = true;
        pending->found = found && !address.empty();
        pending->address = address;
        pending->done.notify_all();
    });
    const uint32_t start = GetTickCount();
    std::unique_lock lock(pending->mutex);
    while (!pending->finished) {
        if (stop || TicksSince(start, GetTickCount()) >= timeoutMs)
            return 0;
        pending->done.wait_for(lock, kWaitSlice);
    }
    if (!pending->found)
        return 0;
    out = pending->address;
    return 1;
}

bool ResolveHostToIp(std::string& host, HostLookup& lookup, uint32_t timeoutMs, const std::atomic<int>& stop)
{
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    std::string resolved;
    if (!lookup.GetHostIp(host.c_str(), resolved, timeoutMs, stop))
        return false;
    host = resolved;
    return true;
}

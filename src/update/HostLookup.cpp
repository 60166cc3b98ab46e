#include "HostLookup.h"

#include "Clock.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <thread>

namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// What the helper thread and its caller share; whoever leaves last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool found = false;
    std::string address;
};

void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::string address;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) == 0 && list) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            address = text;
    }
    if (list)
        ::freeaddrinfo(list);
    std::lock_guard lock(lookup->mutex);
    lookup->finished = true;
    lookup->found = !address.empty();
    lookup->address = address;
    lookup->done.notify_all();
}

} // namespace

int GetHostIp(const char* name, std::string& out, uint32_t timeoutMs, const std::atomic<int>& stop)
{
    if (name == nullptr || *name == '\0')
        return 0;
    auto lookup = std::make_shared<Lookup>();
    // The system resolver cannot be interrupted: it finishes on its own
    // thread, while the caller goes on at its deadline or stop.
    std::thread(RunLookup, lookup, std::string(name)).detach();
    const uint32_t start = GetTickCount();
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        if (stop || TicksSince(start, GetTickCount()) >= timeoutMs)
            return 0;
        lookup->done.wait_for(lock, kWaitSlice);
    }
    if (!lookup->found)
        return 0;
    out = lookup->address;
    return 1;
}

bool ResolveHostToIp(std::string& host, uint32_t timeoutMs, const std::atomic<int>& stop)
{
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    std::string resolved;
    if (!GetHostIp(host.c_str(), resolved, timeoutMs, stop))
        return false;
    host = resolved;
    return true;
}

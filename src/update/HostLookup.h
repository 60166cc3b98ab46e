#pragma once
// Host names to IPv4 addresses for the update server connection. The system
// resolver cannot be interrupted (getaddrinfo_a's gai_cancel does not stop a
// request already running either, and its helper threads are the C
// library's, which nobody can join), so the look-up runs on one joinable
// thread that its HostLookup owns: the caller waits at most its time-out or
// until stopped; a look-up left running is joined by the next look-up or by
// the owner's end, never detached, so one connection holds at most one such
// thread. The resolver itself is bounded (kResolverTimeoutSeconds per server,
// one attempt) so that thread ends on its own soon after.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class HostLookup {
public:
    // The first IPv4 address of a name as dotted text; false when none.
    using Resolver = std::function<bool(const std::string& name, std::string& address)>;
    static constexpr int kResolverTimeoutSeconds = 2;

    HostLookup();
    // Joins a look-up still running (bounded by the resolver's own time-outs).
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // The first IPv4 address of the name into `out`; 1 when found, 0 when not,
    // not within timeoutMs (program clock), stopped, or while the look-up
    // that an earlier call left behind still runs.
    int GetHostIp(const char* name, std::string& out, uint32_t timeoutMs, const std::atomic<int>& stop);
    // A look-up is under way on the helper thread.
    bool IsRunning() const;
    // The system resolver unless set (tests stand in one that hangs).
    void SetResolver(Resolver resolver) { m_resolver = std::move(resolver); }
    // The system resolver, bounded as above.
    static bool SystemResolve(const std::string& name, std::string& address);

private:
    struct Pending;
    Resolver m_resolver;
    std::shared_ptr<Pending> m_pending;
    std::thread m_thread;
};

// Leaves a dotted IPv4 address as it stands and replaces a name by its first
// address; false, with the host unchanged, when the name does not resolve.
bool ResolveHostToIp(std::string& host, HostLookup& lookup, uint32_t timeoutMs, const std::atomic<int>& stop);

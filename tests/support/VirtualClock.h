#pragma once
// A clock whose sleeps advance time at once, so time-outs of seconds pass in
// microseconds. A wait on events ends at once, without time passing, when one
// of them is set. Installed for its lifetime.
#include "Clock.h"

#include <atomic>
#include <cstdint>

class VirtualClock final : public IClock {
public:
    explicit VirtualClock(uint32_t start = 1000) : m_now(start) { SetClock(this); }
    ~VirtualClock() override { SetClock(nullptr); }
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    uint32_t GetTickCount() override
    {
        m_reads.fetch_add(1);
        return m_now.load();
    }
    void Sleep(uint32_t ms) override { m_now.fetch_add(ms); }
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        if (AnyEventSet(EventsOf(events)))
            return true;
        m_now.fetch_add(ms);
        return false;
    }
    void Advance(uint32_t ms) { m_now.fetch_add(ms); }
    void Set(uint32_t now) { m_now.store(now); }
    // How often the time was read: a test that steps the clock under a worker
    // can see that the worker has looked at the time since the last step.
    uint64_t Reads() const { return m_reads.load(); }

private:
    std::atomic<uint32_t> m_now;
    std::atomic<uint64_t> m_reads{0};
};

#pragma once
// A virtual clock that stands still while a thread waits on events: such a
// wait blocks (in real time) until one of its events is set, which another
// thread may do, and only when none is set within kRealLimitMs does its
// virtual time pass at once. Shows that a Stop from another thread ends a
// virtual wait without the time running out. Plain sleeps pass at once.
// Installed for its lifetime.
#include "Clock.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

class HeldClock final : public IClock {
public:
    static constexpr uint32_t kRealLimitMs = 10000;

    explicit HeldClock(uint32_t start = 1000) : m_now(start) { SetClock(this); }
    ~HeldClock() override { SetClock(nullptr); }
    HeldClock(const HeldClock&) = delete;
    HeldClock& operator=(const HeldClock&) = delete;

    uint32_t GetTickCount() override { return m_now.load(); }
    void Sleep(uint32_t ms) override { m_now.fetch_add(ms); }
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        if (AnyEventSet(EventsOf(events)))
            return true;
        if (std::all_of(events.begin(), events.end(), [](const WakeEvent* e) { return e == nullptr; })) {
            m_now.fetch_add(ms);
            return false;
        }
        m_waiting.fetch_add(1);
        const bool woken = PollEvents(kRealLimitMs, EventsOf(events));
        m_waiting.fetch_sub(1);
        if (!woken)
            m_now.fetch_add(ms);
        return woken;
    }
    // Threads blocked in a wait now.
    int Waiting() const { return m_waiting.load(); }

private:
    std::atomic<uint32_t> m_now;
    std::atomic<int> m_waiting{0};
};

#pragma once
// A virtual clock whose sleeps advance time at once and that runs an action
// when a given time is reached, so that a stop or a fault can land in the
// middle of a wait: a wait on events that the action sets ends right there.
// Installed for its lifetime.
#include "Clock.h"

#include <cstdint>
#include <functional>

class StepClock final : public IClock {
public:
    explicit StepClock(uint32_t start = 1000) : m_now(start) { SetClock(this); }
    ~StepClock() override { SetClock(nullptr); }
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    uint32_t GetTickCount() override { return m_now; }
    void Sleep(uint32_t ms) override { WaitForEvents(ms, {}); }
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        if (AnyEventSet(EventsOf(events)))
            return true;
        const uint32_t until = m_now + ms;
        if (m_action && static_cast<int32_t>(until - m_at) >= 0) {
            if (static_cast<int32_t>(m_at - m_now) > 0)
                m_now = m_at;
            auto action = std::move(m_action);
            m_action = nullptr;
            action();
            if (AnyEventSet(EventsOf(events)))
                return true;
        }
        m_now = until;
        return false;
    }
    // Runs the action once, in the first wait that reaches the time.
    void At(uint32_t at, std::function<void()> action)
    {
        m_at = at;
        m_action = std::move(action);
    }
    void Set(uint32_t now) { m_now = now; }

private:
    uint32_t m_now;
    uint32_t m_at = 0;
    std::function<void()> m_action;
};

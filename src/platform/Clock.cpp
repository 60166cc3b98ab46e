#include "Clock.h"

#include "WakeEvent.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>
#include <vector>

namespace {

class SystemClock final : public IClock {
public:
    uint32_t GetTickCount() override
    {
        using namespace std::chrono;
        auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        return static_cast<uint32_t>(ms);
    }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        return PollEvents(ms, EventsOf(events));
    }
};

SystemClock g_systemClock;
std::atomic<IClock*> g_clock{&g_systemClock};

} // namespace

IClock& GetClock() { return *g_clock.load(); }

void SetClock(IClock* clock) { g_clock.store(clock ? clock : &g_systemClock); }

uint32_t GetTickCount() { return GetClock().GetTickCount(); }

void Sleep(uint32_t ms) { GetClock().Sleep(ms); }

bool SleepUnlessSet(uint32_t ms, const WakeEvent* event) { return GetClock().WaitForEvents(ms, {event}); }

bool AnyEventSet(WakeEvents events)
{
    for (const WakeEvent* e : events)
        if (e && e->IsSet())
            return true;
    return false;
}

bool PollEvents(uint32_t ms, WakeEvents events)
{
    using Steady = std::chrono::steady_clock;
    std::vector<pollfd> fds;
    for (const WakeEvent* e : events)
        if (e)
            fds.push_back({e->Fd(), POLLIN, 0});
    const auto deadline = Steady::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (AnyEventSet(events))
            return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now()).count();
        if (left <= 0)
            return false;
        // A signal cuts the poll short; the loop waits out the rest.
        if (::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(left, 0x7fffffff))) < 0 &&
            errno != EINTR)
            return AnyEventSet(events);
    }
}

#include "Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

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
};

SystemClock g_systemClock;
std::atomic<IClock*> g_clock{&g_systemClock};

} // namespace

IClock& GetClock() { return *g_clock.load(); }

void SetClock(IClock* clock) { g_clock.store(clock ? clock : &g_systemClock); }

uint32_t GetTickCount() { return GetClock().GetTickCount(); }

void Sleep(uint32_t ms) { GetClock().Sleep(ms); }

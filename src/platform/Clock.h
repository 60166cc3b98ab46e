#pragma once
// Millisecond tick counter and sleep behind one interface, so that tests can
// run protocol time-outs of seconds on a virtual clock in no time.
#include <cstdint>

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary start; wraps at 2^32 like the Windows counter.
    virtual uint32_t GetTickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// The clock every caller uses; the system clock unless a test installed another.
IClock& GetClock();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void SetClock(IClock* clock);

// Shorthands over the installed clock.
uint32_t GetTickCount();
void Sleep(uint32_t ms);
// Elapsed milliseconds between two tick values, correct across the 2^32 wrap.
inline uint32_t TicksSince(uint32_t start, uint32_t now) { return now - start; }

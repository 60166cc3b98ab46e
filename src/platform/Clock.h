#pragma once
// Millisecond tick counter, sleep and the wait on events behind one interface,
// so that tests can run protocol time-outs of seconds on a virtual clock in no
// time.
#include <cstdint>
#include <initializer_list>
#include <span>

class WakeEvent;

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary start; wraps at 2^32 like the Windows counter.
    virtual uint32_t GetTickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // Sleeps ms, or less when one of the events is set (at once when one
    // already is); true when an event ended it. Null events are not watched.
    virtual bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) = 0;
};

// The clock every caller uses; the system clock unless a test installed another.
IClock& GetClock();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void SetClock(IClock* clock);

// Shorthands over the installed clock.
uint32_t GetTickCount();
void Sleep(uint32_t ms);
// Sleeps ms unless the event is set meanwhile; true when it was (a null event: a plain sleep).
bool SleepUnlessSet(uint32_t ms, const WakeEvent* event);
// Elapsed milliseconds between two tick values, correct across the 2^32 wrap.
inline uint32_t TicksSince(uint32_t start, uint32_t now) { return now - start; }

// The events of a wait; null entries are skipped.
using WakeEvents = std::span<const WakeEvent* const>;
inline WakeEvents EventsOf(std::initializer_list<const WakeEvent*> events) { return {events.begin(), events.size()}; }
// True when one of the events is set.
bool AnyEventSet(WakeEvents events);
// Blocks in poll() until one of the events is set or ms (real time) passed;
// true when an event is set. What the system clock waits with.
bool PollEvents(uint32_t ms, WakeEvents events);

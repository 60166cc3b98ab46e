#pragma once
// A manual-reset event that waits watch beside a device, the way a Windows
// wait takes a comm handle and an event together: Set wakes every wait that
// watches the event at once, and the event stays set, so a wait that starts
// later ends at once too, until Clear. Any thread may set, clear or test it.
//
// Behind it is an eventfd that is readable exactly while the event is set: a
// poll() that has Fd() in its set for POLLIN returns when the event is set.
#include <atomic>
#include <mutex>

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    void Set();
    void Clear();
    bool IsSet() const { return m_set.load(); }
    // Readable while the event is set; -1 when the system gave no descriptor
    // (a poll ignores it: waits then run to their time-out).
    int Fd() const { return m_fd; }

private:
    // Keeps the descriptor's count (0 or 1) in step with the flag.
    std::mutex m_mutex;
    std::atomic<bool> m_set{false};
    int m_fd;
};

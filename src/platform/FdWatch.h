#pragma once
// A thread of its own that waits on one descriptor and runs a handler each
// time it can be read, until stopped: the waiting part of the device monitors.
#include <functional>
#include <thread>

class FdWatch {
public:
    FdWatch() = default;
    ~FdWatch() { Stop(); }
    FdWatch(const FdWatch&) = delete;
    FdWatch& operator=(const FdWatch&) = delete;

    // Starts waiting on fd; false when the thread cannot be woken later (no pipe).
    bool Start(int fd, std::function<void()> readable);
    // Wakes the thread and waits for it; no handler runs once this returns. Idempotent.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    void Run(int fd);

    int m_wake[2] = {-1, -1};
    std::function<void()> m_readable;
    std::thread m_thread;
};

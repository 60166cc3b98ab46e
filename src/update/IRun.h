#pragma once
// Work that a Thread runs: Run once on the thread, Stop from another thread
// to make Run return soon.
class IRun {
public:
    virtual ~IRun() = default;
    // The thread's work; a negative result is a failure.
    virtual int Run(int arg1, int arg2, int arg3) = 0;
    // Asks Run to return; the reason is -1 for a disconnect.
    virtual void Stop(int reason) = 0;
};

#pragma once
// A thread that runs one IRun once. Start begins it; Join stops the run
// cooperatively (IRun::Stop) and waits for it. A thread is never killed, and
// one that has ended can be started again for the next run.
#include "IRun.h"

#include <atomic>
#include <thread>

class Thread {
public:
    enum State {
        kRunning = 0,  // inside Run
        kCreated = 1,  // nothing started yet
        kStopping = 2, // Stop asked, not yet joined
        kNone = 3,     // the run has ended, or was joined
        kStarted = 6,  // started, Run not yet entered
    };

    Thread() = default;
    // Joins a run that was not joined (the IRun must still live).
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs run->Run(0, 0, 0) on a new thread; false while an earlier run has
    // not been joined.
    bool Start(IRun* run);
    // Stop(-1) on the run, then waits for the thread. Never call it from the
    // thread itself.
    void Join();
    State GetState() const { return m_state; }
    // What Run returned last.
    int GetResult() const { return m_result; }

private:
    IRun* m_run = nullptr;
    std::atomic<int> m_result{0};
    std::atomic<State> m_state{kCreated};
    std::thread m_thread;
};

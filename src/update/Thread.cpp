#include "Thread.h"

Thread::~Thread() { Join(); }

bool Thread::Start(IRun* run)
{
    if (run == nullptr || m_thread.joinable())
        return false;
    m_run = run;
    m_state = kStarted;
    m_thread = std::thread([this, run] {
        m_state = kRunning;
        m_result = run->Run(0, 0, 0);
        m_state = kNone;
    });
    return true;
}

void Thread::Join()
{
    if (!m_thread.joinable())
        return;
    if (m_state != kNone) {
        m_state = kStopping;
        m_run->Stop(-1);
    }
    m_thread.join();
    m_state = kNone;
}

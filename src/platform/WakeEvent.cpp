#include "WakeEvent.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeEvent::~WakeEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::Set()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_set.load())
        return;
    // The flag first: a wait woken by the descriptor finds it set.
    m_set.store(true);
    if (m_fd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_fd, &one, sizeof one);
    }
}

void WakeEvent::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_set.load())
        return;
    // The descriptor first: a wait never finds it readable with the flag clear.
    if (m_fd >= 0) {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(m_fd, &count, sizeof count);
    }
    m_set.store(false);
}

#include "FdWatch.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

bool FdWatch::Start(int fd, std::function<void()> readable)
{
    if (m_thread.joinable())
        return true;
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_readable = std::move(readable);
    m_thread = std::thread([this, fd] { Run(fd); });
    return true;
}

void FdWatch::Stop()
{
    if (m_thread.joinable()) {
        char c = 1;
        // The thread wakes on the pipe and ends; a failed write leaves nothing to undo.
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void FdWatch::Run(int fd)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN)
            m_readable();
    }
}

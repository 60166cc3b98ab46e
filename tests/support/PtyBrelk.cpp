#include "PtyBrelk.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

PtyBrelk::PtyBrelk(BrelkSimulator& sim) : m_sim(sim) {}

PtyBrelk::~PtyBrelk()
{
    Stop();
    if (!m_linkPath.empty())
        ::unlink(m_linkPath.c_str());
    for (int fd : {m_master, m_slave, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

bool PtyBrelk::Open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        m_error = std::string("open slave: ") + std::strerror(errno);
        return false;
    }
    // Raw from the start, so nothing is translated before the client configures.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool PtyBrelk::Publish(const std::string& linksFolder, int comNumber)
{
    ::mkdir(linksFolder.c_str(), 0777);
    m_linkPath = linksFolder + "/com" + std::to_string(comNumber);
    ::unlink(m_linkPath.c_str());
    if (::symlink(m_slavePath.c_str(), m_linkPath.c_str()) != 0) {
        m_error = std::string("symlink: ") + std::strerror(errno);
        m_linkPath.clear();
        return false;
    }
    return true;
}

void PtyBrelk::Start()
{
    m_thread = std::thread([this] { Serve(); });
}

void PtyBrelk::Run() { Serve(); }

void PtyBrelk::Stop()
{
    m_stop = true;
    if (m_wake[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
}

void PtyBrelk::Serve()
{
    uint8_t buf[4096];
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        int r = ::poll(fds, 2, 200);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            continue;
        std::vector<uint8_t> reply = m_sim.Feed(buf, static_cast<size_t>(n));
        size_t off = 0;
        while (off < reply.size()) {
            ssize_t w = ::write(m_master, reply.data() + off, reply.size() - off);
            if (w < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                break;
            }
            off += static_cast<size_t>(w);
        }
        if (!reply.empty() && m_answerObserver)
            m_answerObserver();
    }
}

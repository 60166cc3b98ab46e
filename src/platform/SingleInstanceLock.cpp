#include "SingleInstanceLock.h"

#include "Paths.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstanceLock::~SingleInstanceLock() { Release(); }

std::string SingleInstanceLock::LockPath(const std::string& name)
{
    // A name with separators would point elsewhere; keep it one file name.
    std::string file;
    for (char c : name)
        file += (c == '/' || c == '\\') ? '_' : c;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && IsDirectory(runtime))
        return JoinPath(runtime, file + ".lock");
    // /tmp is shared by every user: one user's lock must not stop another's client.
    return JoinPath("/tmp", file + "-" + std::to_string(::getuid()) + ".lock");
}

bool SingleInstanceLock::Acquire(const std::string& name)
{
    if (m_fd >= 0)
        return true;
    int fd = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void SingleInstanceLock::Release()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it could let a third instance lock a fresh file
    // while a second one still waits on the old.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

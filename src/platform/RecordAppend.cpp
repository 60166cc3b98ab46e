#include "RecordAppend.h"

#include "Clock.h"
#include "Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kLockTries = 100;
constexpr uint32_t kLockRetryMs = 10; // 100 x 10 ms: a second at most

// A descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The file's last bytes equal `tail`.
bool EndsWith(int fd, off_t size, const std::string& tail)
{
    if (tail.empty())
        return true;
    if (size < static_cast<off_t>(tail.size()))
        return false;
    std::string last(tail.size(), '\0');
    const ssize_t n = ::pread(fd, last.data(), last.size(), size - static_cast<off_t>(tail.size()));
    return n == static_cast<ssize_t>(last.size()) && last == tail;
}

// A new file's name reaches the disk with its folder.
void SyncFolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

} // namespace

bool AppendRecord(const std::string& path, const std::string& record, const std::string& header,
                  const std::string& lineEnd)
{
    const std::string resolved = ResolvePathForWriting(path);
    const bool existed = PathExists(resolved);
    Fd file(::open(resolved.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return false;
    // Another writer of the file finishes its line first; one that holds the
    // lock for good is not waited for without end (the append alone is whole).
    for (int tries = 0; ::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK && tries < kLockTries;
         ++tries)
        Sleep(kLockRetryMs);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const off_t before = st.st_size;

    std::string bytes;
    if (before == 0)
        bytes = header;
    else if (!EndsWith(file.get(), before, lineEnd))
        bytes = lineEnd;
    bytes += record;

    ssize_t written;
    do
        written = ::write(file.get(), bytes.data(), bytes.size());
    while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(bytes.size())) {
        // A part of the record (a full disk, a size limit): take it back.
        if (written > 0 && ::ftruncate(file.get(), before) == 0)
            ::fsync(file.get());
        if (!existed)
            ::unlink(resolved.c_str());
        return false;
    }
    if (::fsync(file.get()) != 0)
        return false;
    if (!existed)
        SyncFolderOf(resolved);
    return true;
}

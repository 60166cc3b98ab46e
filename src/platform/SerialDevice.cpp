#include "SerialDevice.h"

#include "Clock.h"
#include "DeviceMap.h"
#include "WakeEvent.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t BaudConstant(uint32_t baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

class TermiosDevice final : public ISerialDevice {
public:
    explicit TermiosDevice(int fd) : m_fd(fd) {}
    ~TermiosDevice() override { Close(); }

    bool Configure(uint32_t baud) override
    {
        speed_t speed = BaudConstant(baud);
        if (speed == B0)
            return Fail(EINVAL);
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0)
            return Fail(errno);
        // What the line was before us, given back when the port closes.
        if (!m_saved) {
            m_previous = tio;
            m_saved = true;
        }
        cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
            return Fail(errno);
        if (tcsetattr(m_fd, TCSANOW, &tio) != 0)
            return Fail(errno);
        return true;
    }

    bool SetWriteTimeout(uint32_t perByteMs, uint32_t constantMs) override
    {
        m_perByteMs = perByteMs;
        m_constantMs = constantMs;
        return true;
    }

    int Write(const uint8_t* data, int length, const WakeEvent* wake) override
    {
        if (m_fd < 0)
            return FailInt(EBADF);
        if (length <= 0)
            return 0;
        // A pseudo-terminal or a busy USB stack can't promise a millisecond per
        // byte, so short time-outs get a small floor.
        uint32_t limit = std::max<uint32_t>(m_perByteMs * static_cast<uint32_t>(length) + m_constantMs, 10);
        uint32_t start = GetTickCount();
        int done = 0;
        while (done < length) {
            ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(length - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return done > 0 ? done : FailInt(errno);
            uint32_t spent = TicksSince(start, GetTickCount());
            if (spent >= limit || (wake && wake->IsSet()))
                break;
            // Room on the line, or the event: a stalled line holds no one up.
            pollfd fds[2] = {{m_fd, POLLOUT, 0}, {wake ? wake->Fd() : -1, POLLIN, 0}};
            ::poll(fds, 2, static_cast<int>(limit - spent));
        }
        return done;
    }

    int Queued() override
    {
        if (m_fd < 0)
            return FailInt(EBADF);
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) < 0)
            return FailInt(errno);
        if (p.revents & (POLLERR | POLLNVAL))
            return FailInt(EIO);
        int waiting = 0;
        if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
            return FailInt(errno);
        // Unplugged: hang-up with nothing left to read.
        if (waiting == 0 && (p.revents & POLLHUP))
            return FailInt(ENXIO);
        return waiting;
    }

    int Read(uint8_t* buffer, int max) override
    {
        int waiting = Queued();
        if (waiting <= 0)
            return waiting;
        if (max <= 0)
            return 0;
        ssize_t n = ::read(m_fd, buffer, static_cast<size_t>(std::min(waiting, max)));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return 0;
            return FailInt(errno);
        }
        return static_cast<int>(n);
    }

    bool Purge(bool input, bool output) override
    {
        if (m_fd < 0)
            return Fail(EBADF);
        int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        if (!input && !output)
            return true;
        if (tcflush(m_fd, which) != 0)
            return Fail(errno);
        return true;
    }

    DeviceWait WaitReadable(uint32_t ms, const WakeEvent* wake) override { return Wait(POLLIN, ms, wake); }

    DeviceWait WaitWritable(uint32_t ms, const WakeEvent* wake) override { return Wait(POLLOUT, ms, wake); }

    bool Close() override
    {
        if (m_fd < 0)
            return true;
        if (m_saved) {
            // At once: a drain would hang on a line whose other end stopped reading.
            ::tcsetattr(m_fd, TCSANOW, &m_previous);
            m_saved = false;
        }
        ::flock(m_fd, LOCK_UN);
        int r = ::close(m_fd);
        m_fd = -1;
        if (r != 0)
            return Fail(errno);
        return true;
    }

    int LastError() const override { return m_error; }

private:
    // One poll on the line and the event until the line is ready for `what`,
    // the event is set or ms passed; a signal does not cut the wait short.
    DeviceWait Wait(short what, uint32_t ms, const WakeEvent* wake)
    {
        if (m_fd < 0)
            return DeviceWait::Ready; // the next read or write reports it
        using Steady = std::chrono::steady_clock;
        const auto deadline = Steady::now() + std::chrono::milliseconds(ms);
        pollfd fds[2] = {{m_fd, what, 0}, {wake ? wake->Fd() : -1, POLLIN, 0}};
        for (;;) {
            if (wake && wake->IsSet())
                return DeviceWait::Woken;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now()).count();
            const int r = ::poll(fds, 2, static_cast<int>(std::clamp<long long>(left, 0, 0x7fffffff)));
            if (r < 0 && errno != EINTR)
                return DeviceWait::Ready; // a failing line: the read or write says how
            if (wake && wake->IsSet())
                return DeviceWait::Woken;
            if (r > 0 && (fds[0].revents & (what | POLLHUP | POLLERR | POLLNVAL)))
                return DeviceWait::Ready;
            if (left <= 0)
                return DeviceWait::TimedOut;
        }
    }

    bool Fail(int e)
    {
        m_error = e;
        return false;
    }
    int FailInt(int e)
    {
        m_error = e;
        return -1;
    }

    int m_fd;
    int m_error = 0;
    termios m_previous{};
    bool m_saved = false;
    uint32_t m_perByteMs = 0;
    uint32_t m_constantMs = 0;
};

std::mutex g_openerMutex;
SerialOpener g_opener;

} // namespace

std::unique_ptr<ISerialDevice> OpenTermiosDevice(const std::string& path, int* error)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        return nullptr;
    }
    // Not shared: a second opener (another client, a terminal program) is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        if (error)
            *error = e;
        return nullptr;
    }
    if (!isatty(fd)) {
        ::close(fd);
        if (error)
            *error = ENOTTY;
        return nullptr;
    }
    return std::make_unique<TermiosDevice>(fd);
}

std::unique_ptr<ISerialDevice> OpenSerialDevice(int comNumber, int* error)
{
    SerialOpener opener;
    {
        std::lock_guard<std::mutex> lock(g_openerMutex);
        opener = g_opener;
    }
    if (opener)
        return opener(comNumber, error);
    std::string path = DeviceMap::DevicePathOf(comNumber);
    if (path.empty()) {
        if (error)
            *error = ENOENT;
        return nullptr;
    }
    return OpenTermiosDevice(path, error);
}

void SetSerialOpener(SerialOpener opener)
{
    std::lock_guard<std::mutex> lock(g_openerMutex);
    g_opener = std::move(opener);
}

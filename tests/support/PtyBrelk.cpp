#include "PtyBrelk.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char kRequestStop = 'q';
constexpr char kRequestUnplug = 'u';
constexpr char kRequestReplug = 'r';
constexpr char kRequestTimer = 't';
constexpr char kRequestPoke = 'p';
constexpr int kBitsPerByte = 10; // start, eight data bits, stop
// A paced answer goes out in pieces of this many bytes, each when its last
// byte would have left.
constexpr size_t kPacedPiece = 8;
constexpr int kIdlePollMs = 200;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t NowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

PtyBrelk::PtyBrelk(BrelkSimulator& sim) : m_sim(sim) {}

PtyBrelk::~PtyBrelk()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
    if (!m_linkPath.empty())
        ::unlink(m_linkPath.c_str());
    CloseTerminal();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

bool PtyBrelk::Open()
{
    if (m_wake[0] < 0 && ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    return OpenTerminal();
}

bool PtyBrelk::OpenTerminal()
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
    m_plugged = true;
    return true;
}

void PtyBrelk::CloseTerminal()
{
    for (int* fd : {&m_master, &m_slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_plugged = false;
}

bool PtyBrelk::Publish(const std::string& linksFolder, int comNumber)
{
    ::mkdir(linksFolder.c_str(), 0777);
    m_linksFolder = linksFolder;
    m_comNumber = comNumber;
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

void PtyBrelk::Wake(char request)
{
    if (m_wake[1] >= 0) {
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &request, 1);
    }
}

void PtyBrelk::Stop()
{
    m_stop = true;
    Wake(kRequestStop);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void PtyBrelk::Unplug() { Wake(kRequestUnplug); }

void PtyBrelk::Poke() { Wake(kRequestPoke); }

void PtyBrelk::Replug() { Wake(kRequestReplug); }

void PtyBrelk::Reenumerate(uint32_t goneAfterMs, uint32_t backAfterMs)
{
    const int64_t now = NowMs();
    m_goneAt = now + goneAfterMs;
    m_backAt = now + std::max(goneAfterMs, backAfterMs);
    Wake(kRequestTimer);
}

void PtyBrelk::PaceLine(int64_t& freeAt, size_t bytes, bool continuing) const
{
    if (!m_baud)
        return;
    // The pieces of one answer follow each other on the line without a gap:
    // a piece that left late (a sleep that overslept) does not delay the next.
    const int64_t start = continuing ? freeAt : std::max(freeAt, NowUs());
    freeAt = start + static_cast<int64_t>(bytes) * kBitsPerByte * 1000000 / m_baud;
    const int64_t wait = freeAt - NowUs();
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

void PtyBrelk::WritePaced(const uint8_t* data, size_t length)
{
    size_t off = 0;
    while (off < length && m_master >= 0) {
        const size_t piece = m_baud ? std::min(kPacedPiece, length - off) : length - off;
        PaceLine(m_outFreeAtUs, piece, off > 0);
        size_t done = 0;
        while (done < piece && m_master >= 0) {
            ssize_t w = ::write(m_master, data + off + done, piece - done);
            if (w < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                return;
            }
            done += static_cast<size_t>(w);
        }
        off += piece;
    }
}

void PtyBrelk::Answer(const std::vector<std::vector<uint8_t>>& parts)
{
    for (size_t p = 0; p < parts.size(); ++p) {
        if (p > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(BrelkSimulator::kReplyPauseMs));
        WritePaced(parts[p].data(), parts[p].size());
    }
    if (!parts.empty() && m_answerObserver)
        m_answerObserver();
}

void PtyBrelk::Serve()
{
    uint8_t buf[4096];
    auto unplug = [this] {
        // The link goes first, as the device node does, then the line hangs up.
        if (!m_linkPath.empty())
            ::unlink(m_linkPath.c_str());
        CloseTerminal();
        m_sim.DropPending();
    };
    auto replug = [this] {
        if (m_plugged)
            return;
        if (OpenTerminal() && !m_linksFolder.empty())
            Publish(m_linksFolder, m_comNumber);
    };
    while (!m_stop) {
        const int64_t now = NowMs();
        if (m_goneAt && now >= m_goneAt) {
            m_goneAt = 0;
            unplug();
        }
        if (m_backAt && !m_goneAt && now >= m_backAt) {
            m_backAt = 0;
            replug();
        }
        int timeout = kIdlePollMs;
        for (int64_t at : {m_goneAt.load(), m_backAt.load()})
            if (at)
                timeout = static_cast<int>(std::clamp<int64_t>(at - now, 0, timeout));
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        int r = ::poll(fds, m_master >= 0 ? 2 : 1, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents) {
            char requests[16];
            ssize_t n = ::read(m_wake[0], requests, sizeof requests);
            for (ssize_t i = 0; i < n; ++i) {
                if (requests[i] == kRequestStop)
                    return;
                if (requests[i] == kRequestUnplug)
                    unplug();
                else if (requests[i] == kRequestReplug)
                    replug();
                else if (requests[i] == kRequestPoke && m_pokeObserver)
                    m_pokeObserver();
            }
            continue;
        }
        if (m_master < 0 || !(fds[1].revents & POLLIN))
            continue;
        ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            continue;
        PaceLine(m_inFreeAtUs, static_cast<size_t>(n));
        Answer(m_sim.FeedParts(buf, static_cast<size_t>(n)));
        if (m_exchangeObserver)
            m_exchangeObserver();
    }
}

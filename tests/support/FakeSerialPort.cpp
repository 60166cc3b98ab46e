#include "FakeSerialPort.h"

#include "Clock.h"
#include "WakeEvent.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <mutex>

struct FakeSerialPort::State {
    struct Pending {
        uint32_t at;
        std::vector<uint8_t> bytes;
    };
    mutable std::mutex mutex;
    std::deque<uint8_t> input;
    std::vector<Pending> pending;
    std::vector<uint8_t> written;
    Peer peer;
    FakeSerialPort* owner = nullptr;
    int failOpen = 0;
    bool failConfigure = false;
    bool unplugged = false;
    int writeLimit = 0;
    int openCount = 0;
    int openDevices = 0;
    int lastCom = 0;
    int purges = 0;
    // Set while input waits, as a real line is readable: a wait woken by a
    // delivery from another thread sees it at once.
    WakeEvent readable;

    // Keeps `readable` in step with the input queue. Called locked.
    void Update()
    {
        if (input.empty())
            readable.Clear();
        else
            readable.Set();
    }
    // Moves answers whose time has come into the input queue. Called locked.
    void Release()
    {
        const uint32_t now = GetTickCount();
        std::stable_sort(pending.begin(), pending.end(), [now](const Pending& a, const Pending& b) {
            return static_cast<int32_t>(a.at - now) < static_cast<int32_t>(b.at - now);
        });
        size_t i = 0;
        for (; i < pending.size(); ++i) {
            if (static_cast<int32_t>(pending[i].at - now) > 0)
                break;
            input.insert(input.end(), pending[i].bytes.begin(), pending[i].bytes.end());
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(i));
        Update();
    }
};

namespace {

class FakeDevice final : public ISerialDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeSerialPort::State> s) : m_s(std::move(s)) {}
    ~FakeDevice() override { Close(); }

    bool Configure(uint32_t) override
    {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        if (m_s->failConfigure) {
            m_error = EIO;
            return false;
        }
        return true;
    }
    bool SetWriteTimeout(uint32_t, uint32_t) override { return true; }

    int Write(const uint8_t* data, int length, const WakeEvent*) override
    {
        FakeSerialPort::Peer peer;
        FakeSerialPort* owner;
        int n;
        {
            std::lock_guard<std::mutex> lock(m_s->mutex);
            if (m_closed || m_s->unplugged) {
                m_error = EIO;
                return -1;
            }
            n = length;
            if (m_s->writeLimit > 0)
                n = std::min(n, m_s->writeLimit);
            m_s->written.insert(m_s->written.end(), data, data + n);
            peer = m_s->peer;
            owner = m_s->owner;
        }
        // The peer answers outside the lock so it may deliver at once.
        if (peer && owner && n > 0)
            peer(*owner, data, static_cast<size_t>(n));
        return n;
    }

    int Queued() override
    {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        if (m_closed || m_s->unplugged) {
            m_error = ENXIO;
            return -1;
        }
        m_s->Release();
        return static_cast<int>(m_s->input.size());
    }

    int Read(uint8_t* buffer, int max) override
    {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        if (m_closed || m_s->unplugged) {
            m_error = ENXIO;
            return -1;
        }
        m_s->Release();
        int n = std::min<int>(max, static_cast<int>(m_s->input.size()));
        for (int i = 0; i < n; ++i) {
            buffer[i] = m_s->input.front();
            m_s->input.pop_front();
        }
        m_s->Update();
        return n;
    }

    bool Purge(bool input, bool) override
    {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        ++m_s->purges;
        if (input) {
            m_s->Release();
            m_s->input.clear();
            m_s->Update();
        }
        return true;
    }

    // On the installed clock: until input comes (an answer's time, or a
    // delivery from another thread), the event is set, or ms passed.
    DeviceWait WaitReadable(uint32_t ms, const WakeEvent* wake) override
    {
        const uint32_t start = GetTickCount();
        for (;;) {
            uint32_t step = 0;
            {
                std::lock_guard<std::mutex> lock(m_s->mutex);
                if (m_closed || m_s->unplugged)
                    return DeviceWait::Ready; // the read reports it
                m_s->Release();
                if (!m_s->input.empty())
                    return DeviceWait::Ready;
                if (wake && wake->IsSet())
                    return DeviceWait::Woken;
                const uint32_t now = GetTickCount();
                const uint32_t spent = TicksSince(start, now);
                if (spent >= ms)
                    return DeviceWait::TimedOut;
                step = ms - spent;
                for (const auto& p : m_s->pending)
                    step = std::min(step, p.at - now);
            }
            GetClock().WaitForEvents(step, {wake, &m_s->readable});
        }
    }

    // A fake line always takes more (a short write is as much as it takes at once).
    DeviceWait WaitWritable(uint32_t, const WakeEvent* wake) override
    {
        return wake && wake->IsSet() ? DeviceWait::Woken : DeviceWait::Ready;
    }

    bool Close() override
    {
        std::lock_guard<std::mutex> lock(m_s->mutex);
        if (!m_closed) {
            m_closed = true;
            --m_s->openDevices;
            // What was still on its way is lost with the handle.
            m_s->input.clear();
            m_s->pending.clear();
            m_s->Update();
        }
        return true;
    }

    int LastError() const override { return m_error; }

private:
    std::shared_ptr<FakeSerialPort::State> m_s;
    bool m_closed = false;
    int m_error = 0;
};

} // namespace

FakeSerialPort::FakeSerialPort() : m_state(std::make_shared<State>()) { m_state->owner = this; }

FakeSerialPort::~FakeSerialPort()
{
    Uninstall();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->owner = nullptr;
    m_state->peer = nullptr;
}

void FakeSerialPort::Install(int comNumber)
{
    std::shared_ptr<State> state = m_state;
    SetSerialOpener([state, comNumber](int com, int* error) -> std::unique_ptr<ISerialDevice> {
        std::lock_guard<std::mutex> lock(state->mutex);
        if ((comNumber != 0 && com != comNumber) || state->failOpen) {
            if (error)
                *error = state->failOpen ? state->failOpen : ENOENT;
            return nullptr;
        }
        ++state->openCount;
        ++state->openDevices;
        state->lastCom = com;
        return std::make_unique<FakeDevice>(state);
    });
}

void FakeSerialPort::Uninstall() { SetSerialOpener({}); }

void FakeSerialPort::SetPeer(Peer peer)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->peer = std::move(peer);
}

void FakeSerialPort::Deliver(const std::vector<uint8_t>& bytes, uint32_t delayMs)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->pending.push_back({GetTickCount() + delayMs, bytes});
    m_state->Release();
}

std::vector<uint8_t> FakeSerialPort::Written() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->written;
}

void FakeSerialPort::ClearWritten()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->written.clear();
}

size_t FakeSerialPort::QueuedForClient() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    size_t n = m_state->input.size();
    for (const auto& p : m_state->pending)
        n += p.bytes.size();
    return n;
}

void FakeSerialPort::FailOpen(int error)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->failOpen = error;
}

void FakeSerialPort::FailConfigure(bool fail)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->failConfigure = fail;
}

void FakeSerialPort::Unplug(bool unplugged)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->unplugged = unplugged;
}

void FakeSerialPort::SetWriteLimit(int maxPerWrite)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->writeLimit = maxPerWrite;
}

int FakeSerialPort::OpenCount() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->openCount;
}

int FakeSerialPort::OpenDevices() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->openDevices;
}

int FakeSerialPort::LastComNumber() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->lastCom;
}

int FakeSerialPort::PurgeCount() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->purges;
}

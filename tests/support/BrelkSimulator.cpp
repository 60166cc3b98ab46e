#include "BrelkSimulator.h"

#include "FakeSerialPort.h"

BrelkSimulator::BrelkSimulator() : m_version(std::string("V6.11\0", 6))
{
    // Version query: AA 55 C8 01 00 00 68.
    SetHandler(0xC8, [](BrelkSimulator& sim, const uint8_t*, size_t length, std::vector<uint8_t>& reply) {
        if (length < 7)
            return 0;
        std::lock_guard<std::mutex> lock(sim.m_mutex);
        reply.insert(reply.end(), sim.m_version.begin(), sim.m_version.end());
        return 7;
    });
    // Signal steps: AA 55 step, answered at once.
    for (uint8_t step : {0xF5, 0xF6, 0xF7, 0xF9, 0xFA}) {
        SetHandler(step, [step](BrelkSimulator& sim, const uint8_t*, size_t, std::vector<uint8_t>& reply) {
            std::lock_guard<std::mutex> lock(sim.m_mutex);
            sim.m_signals.push_back(step);
            reply.insert(reply.end(), {0xB4, 0x96, step, 0x01, 0xFF});
            return 3;
        });
    }
}

void BrelkSimulator::SetHandler(uint8_t command, Handler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handlers[command] = std::move(handler);
}

std::vector<uint8_t> BrelkSimulator::Feed(const uint8_t* data, size_t length)
{
    std::vector<uint8_t> reply;
    for (const std::vector<uint8_t>& part : FeedParts(data, length))
        reply.insert(reply.end(), part.begin(), part.end());
    return reply;
}

std::vector<std::vector<uint8_t>> BrelkSimulator::FeedParts(const uint8_t* data, size_t length)
{
    std::vector<uint8_t> reply;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pauses.clear();
    m_pending.insert(m_pending.end(), data, data + length);
    size_t pos = 0;
    while (pos < m_pending.size()) {
        // A data frame announced by the command before it: taken whole, unparsed.
        if (m_rawLength > 0) {
            if (m_pending.size() - pos < m_rawLength)
                break;
            const auto first = m_pending.begin() + static_cast<long>(pos);
            std::vector<uint8_t> bytes(first, first + static_cast<long>(m_rawLength));
            RawHandler handler = std::move(m_rawHandler);
            pos += m_rawLength;
            m_rawLength = 0;
            m_rawHandler = nullptr;
            const unsigned drops = m_drops;
            lock.unlock();
            handler(*this, bytes, reply);
            lock.lock();
            if (m_drops != drops) {
                pos = 0;
                break;
            }
            continue;
        }
        // Resynchronise on AA 55.
        if (m_pending[pos] != 0xAA) {
            ++pos;
            continue;
        }
        if (pos + 3 > m_pending.size())
            break;
        if (m_pending[pos + 1] != 0x55) {
            ++pos;
            continue;
        }
        const uint8_t command = m_pending[pos + 2];
        auto it = m_handlers.find(command);
        if (it == m_handlers.end()) {
            ++pos;
            continue;
        }
        Handler handler = it->second;
        std::vector<uint8_t> bytes(m_pending.begin() + static_cast<long>(pos), m_pending.end());
        const unsigned drops = m_drops;
        lock.unlock();
        int used = handler(*this, bytes.data(), bytes.size(), reply);
        lock.lock();
        // The handler cut the line: nothing of what was pending is left.
        if (m_drops != drops) {
            pos = 0;
            break;
        }
        if (used == 0)
            break;
        if (used < 0) {
            ++pos;
            continue;
        }
        m_commands.push_back(command);
        if (m_observer)
            m_observer(command);
        pos += static_cast<size_t>(used);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(pos));
    std::vector<std::vector<uint8_t>> parts;
    size_t from = 0;
    for (size_t pause : m_pauses) {
        if (pause <= from || pause >= reply.size())
            continue;
        parts.emplace_back(reply.begin() + static_cast<long>(from), reply.begin() + static_cast<long>(pause));
        from = pause;
    }
    if (from < reply.size())
        parts.emplace_back(reply.begin() + static_cast<long>(from), reply.end());
    return parts;
}

void BrelkSimulator::ExpectRaw(size_t length, RawHandler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rawLength = length;
    m_rawHandler = std::move(handler);
}

void BrelkSimulator::DropPending()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.clear();
    m_rawLength = 0;
    m_rawHandler = nullptr;
    ++m_drops;
}

void BrelkSimulator::PauseReply(const std::vector<uint8_t>& reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pauses.push_back(reply.size());
}

void BrelkSimulator::SetVersion(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_version = bytes;
}

std::string BrelkSimulator::Version() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_version;
}

std::vector<uint8_t> BrelkSimulator::Signals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signals;
}

void BrelkSimulator::ClearSignals()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signals.clear();
}

std::vector<uint8_t> BrelkSimulator::Commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

void BrelkSimulator::SetCommandObserver(std::function<void(uint8_t)> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(observer);
}

void BrelkSimulator::SetAnswerDelay(AnswerDelay delay)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answerDelay = std::move(delay);
    m_answers = 0;
}

void BrelkSimulator::Attach(FakeSerialPort& port, uint32_t answerDelayMs)
{
    port.SetPeer([this, answerDelayMs](FakeSerialPort& p, const uint8_t* data, size_t length) {
        const std::vector<std::vector<uint8_t>> parts = FeedParts(data, length);
        if (parts.empty())
            return;
        uint32_t delay = answerDelayMs;
        AnswerDelay extra;
        size_t answer = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            extra = m_answerDelay;
            answer = m_answers++;
        }
        if (extra)
            delay += extra(answer, data, length);
        for (const std::vector<uint8_t>& part : parts) {
            p.Deliver(part, delay);
            delay += kReplyPauseMs;
        }
    });
}

#include "NetRecvQueue.h"

#include <chrono>

NetRecvQueue::Ticket::Ticket(std::shared_ptr<NetRecvQueue> queue, size_t bytes)
    : m_queue(std::move(queue)), m_bytes(bytes)
{
    std::lock_guard lock(m_queue->m_mutex);
    ++m_queue->m_messages;
    m_queue->m_bytes += bytes;
}

NetRecvQueue::Ticket::~Ticket()
{
    {
        std::lock_guard lock(m_queue->m_mutex);
        --m_queue->m_messages;
        m_queue->m_bytes -= m_bytes;
    }
    m_queue->m_left.notify_all();
}

int NetRecvQueue::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

size_t NetRecvQueue::Bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

bool NetRecvQueue::HasRoom(size_t bytes) const
{
    return m_messages == 0 || (m_messages < m_maxMessages && m_bytes + bytes <= m_maxBytes);
}

bool NetRecvQueue::WaitForRoom(size_t bytes, const std::function<bool()>& giveUp)
{
    std::unique_lock lock(m_mutex);
    while (!HasRoom(bytes)) {
        lock.unlock();
        if (giveUp())
            return false;
        lock.lock();
        m_left.wait_for(lock, std::chrono::milliseconds(kGiveUpSliceMs), [&] { return HasRoom(bytes); });
    }
    return true;
}

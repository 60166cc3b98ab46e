#include "NetRecvQueue.h"

NetRecvQueue::Ticket::Ticket(std::shared_ptr<NetRecvQueue> queue, size_t bytes)
    : m_queue(std::move(queue)), m_bytes(bytes)
{
    ++m_queue->m_messages;
    m_queue->m_bytes += bytes;
}

NetRecvQueue::Ticket::~Ticket()
{
    --m_queue->m_messages;
    m_queue->m_bytes -= m_bytes;
}

bool NetRecvQueue::HasRoom(size_t bytes, int maxMessages, size_t maxBytes) const
{
    const int messages = m_messages;
    return messages == 0 || (messages < maxMessages && m_bytes + bytes <= maxBytes);
}

#pragma once
// The count of received messages that the receive thread has posted to the
// connection's window and the window has not yet dropped, so that a server
// that talks faster than the window reads is held back instead of filling
// the memory with posted messages.
#include <atomic>
#include <cstddef>
#include <memory>

class NetRecvQueue {
public:
    // One message in the queue; it leaves the count when the ticket goes.
    class Ticket {
    public:
        Ticket(std::shared_ptr<NetRecvQueue> queue, size_t bytes);
        ~Ticket();
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;

    private:
        std::shared_ptr<NetRecvQueue> m_queue;
        size_t m_bytes;
    };

    int Messages() const { return m_messages; }
    size_t Bytes() const { return m_bytes; }
    // Room for one more message of `bytes` under both bounds; an empty queue
    // always has room, so that a message as long as the byte bound still goes.
    bool HasRoom(size_t bytes, int maxMessages, size_t maxBytes) const;

private:
    std::atomic<int> m_messages{0};
    std::atomic<size_t> m_bytes{0};
};

#pragma once
// The count of received messages that the receive thread has posted to the
// connection's window and the window has not yet dropped, so that a server
// that talks faster than the window reads is held back instead of filling
// the memory with posted messages.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

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

    NetRecvQueue(int maxMessages, size_t maxBytes) : m_maxMessages(maxMessages), m_maxBytes(maxBytes) {}

    int Messages() const;
    size_t Bytes() const;
    // Waits until one more message of `bytes` fits under both bounds (an
    // empty queue always has room, so a message as long as the byte bound
    // still goes); false when `giveUp` says so first. giveUp is asked at
    // least every kGiveUpSliceMs.
    bool WaitForRoom(size_t bytes, const std::function<bool()>& giveUp);

    static constexpr int kGiveUpSliceMs = 20;

private:
    bool HasRoom(size_t bytes) const;

    const int m_maxMessages;
    const size_t m_maxBytes;
    mutable std::mutex m_mutex;
    std::condition_variable m_left;
    int m_messages = 0;
    size_t m_bytes = 0;
};

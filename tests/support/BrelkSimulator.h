#pragma once
// A simulated Brelk: takes the bytes the client writes and gives back what a
// Brelk would answer. Commands start AA 55 and a command byte; each command
// byte has a handler, so protocol models (command frames, simulated sensors)
// plug in beside the built-in version query and signal steps.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class FakeSerialPort;

class BrelkSimulator {
public:
    // Looks at the bytes from the start of a command (AA 55 cmd ...). Returns the
    // number of bytes it took, 0 when it needs more bytes, or -1 when the bytes
    // are not a command after all (the simulator then skips one byte).
    using Handler =
        std::function<int(BrelkSimulator& sim, const uint8_t* data, size_t length, std::vector<uint8_t>& reply)>;
    // Takes a block of bytes that is no command (a data frame behind its header).
    using RawHandler =
        std::function<void(BrelkSimulator& sim, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& reply)>;
    // The pause between two parts of an answer that a handler split.
    static constexpr uint32_t kReplyPauseMs = 20;

    BrelkSimulator();

    // Feeds what the client wrote; returns the answer, possibly empty.
    std::vector<uint8_t> Feed(const uint8_t* data, size_t length);
    // The same answer in the parts that are sent kReplyPauseMs apart.
    std::vector<std::vector<uint8_t>> FeedParts(const uint8_t* data, size_t length);
    void SetHandler(uint8_t command, Handler handler);
    // The next `length` bytes are no command: they go to the handler whole.
    // Called from a handler.
    void ExpectRaw(size_t length, RawHandler handler);
    // The line was cut (unplugged): the bytes of a command not yet whole and an
    // awaited data frame are lost, as in a Brelk that lost its power.
    void DropPending();
    // Called from a handler: what the reply holds so far goes out first, the
    // rest after a pause (a reply the client sees in two reads).
    void PauseReply(const std::vector<uint8_t>& reply);

    // The version text, terminator included when the Brelk sends one ("V6.11\0").
    void SetVersion(const std::string& bytes);
    std::string Version() const;
    // The signal steps received (F5, F6, F7, F9, FA), in order.
    std::vector<uint8_t> Signals() const;
    void ClearSignals();
    // Command bytes of every command taken, in order.
    std::vector<uint8_t> Commands() const;
    // Called with each command byte as it is taken (the pty tool records them).
    void SetCommandObserver(std::function<void(uint8_t)> observer);

    // Connects the simulator as the peer of a fake port.
    void Attach(FakeSerialPort& port, uint32_t answerDelayMs = 0);
    // On a fake port: the extra delay of the n-th answer (0 for the first;
    // only writes that brought an answer count), given the command bytes that
    // brought it. A reply that comes after its time-out, late.
    using AnswerDelay = std::function<uint32_t(size_t answer, const uint8_t* command, size_t length)>;
    void SetAnswerDelay(AnswerDelay delay);

private:
    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_pending;
    size_t m_rawLength = 0;
    RawHandler m_rawHandler;
    std::vector<size_t> m_pauses; // of the answer being built
    unsigned m_drops = 0;         // DropPending calls, which may come from a handler
    std::map<uint8_t, Handler> m_handlers;
    std::string m_version;
    std::vector<uint8_t> m_signals;
    std::vector<uint8_t> m_commands;
    std::function<void(uint8_t)> m_observer;
    AnswerDelay m_answerDelay;
    size_t m_answers = 0;
};

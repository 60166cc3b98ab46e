#pragma once
// An in-process serial line for tests: the client side is an ISerialDevice that
// the serial layer opens as usual; the peer side is a script (or a simulated
// Brelk) that sees every written byte and delivers answers, at once or after a
// delay on the installed clock. Faults: open failure, configure failure,
// unplugging, short writes.
#include "SerialDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class FakeSerialPort {
public:
    using Peer = std::function<void(FakeSerialPort& port, const uint8_t* data, size_t length)>;

    FakeSerialPort();
    ~FakeSerialPort();
    FakeSerialPort(const FakeSerialPort&) = delete;
    FakeSerialPort& operator=(const FakeSerialPort&) = delete;

    // Makes the serial layer open this port for COM n (0: for any number).
    void Install(int comNumber = 0);
    void Uninstall();

    // Peer side.
    void SetPeer(Peer peer);
    void Deliver(const std::vector<uint8_t>& bytes, uint32_t delayMs = 0);
    std::vector<uint8_t> Written() const;
    void ClearWritten();
    size_t QueuedForClient() const;

    // Faults.
    void FailOpen(int error); // 0: opens again
    void FailConfigure(bool fail);
    void Unplug(bool unplugged);         // reads and writes fail, a wait reports input
    void SetWriteLimit(int maxPerWrite); // 0: no limit

    int OpenCount() const;
    int OpenDevices() const;
    int LastComNumber() const;
    int PurgeCount() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

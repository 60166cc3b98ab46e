#pragma once
// One open serial device, the way the client uses a Windows COM handle:
// reads never wait, writes finish or fail within their time-out.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class WakeEvent;

// What a wait on a device ended with: the device is ready (input, room for
// output, or a hang-up that the next read or write reports), the event was
// set, or the time ran out.
enum class DeviceWait { Ready, Woken, TimedOut };

class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;
    // Raw line at the baud rate, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual bool Configure(uint32_t baud) = 0;
    // Write time-out: perByteMs for every byte plus constantMs.
    virtual bool SetWriteTimeout(uint32_t perByteMs, uint32_t constantMs) = 0;
    // Writes as much of the buffer as the time-out allows, waiting for room
    // only until the event (when given) is set; the count, or -1 on error.
    virtual int Write(const uint8_t* data, int length, const WakeEvent* wake) = 0;
    // Bytes waiting in the input queue; -1 when the device is gone or failing.
    virtual int Queued() = 0;
    // Up to max bytes of what is queued (0 when nothing is); -1 on error.
    virtual int Read(uint8_t* buffer, int max) = 0;
    virtual bool Purge(bool input, bool output) = 0;
    // Blocks until a read would not return 0, the event (when given) is set,
    // or ms passed: one wait on the device and the event together.
    virtual DeviceWait WaitReadable(uint32_t ms, const WakeEvent* wake) = 0;
    // The same until a write can go on.
    virtual DeviceWait WaitWritable(uint32_t ms, const WakeEvent* wake) = 0;
    // Puts the line back as the device had it before Configure, and closes it.
    virtual bool Close() = 0;
    // errno-style code of the last failure.
    virtual int LastError() const = 0;
};

// Opens the device behind COM n; nullptr with *error set when it can't be opened.
std::unique_ptr<ISerialDevice> OpenSerialDevice(int comNumber, int* error);
// Opens a device node directly, exclusively (flock), non-blocking.
std::unique_ptr<ISerialDevice> OpenTermiosDevice(const std::string& path, int* error);

// Tests install their own port here; an empty function restores the real one.
using SerialOpener = std::function<std::unique_ptr<ISerialDevice>(int comNumber, int* error)>;
void SetSerialOpener(SerialOpener opener);

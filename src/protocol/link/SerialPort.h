#pragma once
// The one process-wide Brelk serial port. Every Brelk exchange (frames, the
// Brelk's own commands, the firmware upgrade) goes through these functions.
#include "SerialDevice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// The message that would bring an error text to the window owning the port;
// no window takes it (g_hSerialOwner stands for that window).
constexpr unsigned WM_SERIAL_ERROR = 0x0400 + 123;

extern std::mutex g_serialLock;                      // guards the port handle
extern std::shared_ptr<ISerialDevice> g_hSerialPort; // the open port, null when none
extern std::atomic<bool> g_bSerialOpen;              // open and configured
// Receives the port's and the Brelk commands' error texts as WM_SERIAL_ERROR
// would bring them, synchronously; nothing in the program sets it (tests do).
extern std::function<void(const char* text)> g_hSerialOwner;
extern std::atomic<uint32_t> g_serialBaudRate; // 57600
extern std::atomic<int> g_nBrelkPort;          // COM number of the Brelk, 0 until looked up
// 1 after the Brelk was unplugged; the Brelk commands return at once while set.
extern std::atomic<int> g_bDeviceRemoved;

// Opens COM n at g_serialBaudRate, 8N1; true at once when the port is already open.
bool SerialOpen(int port);
// Always true; closes the port when it is open.
bool SerialClose();
// -1 when closed; else the number of bytes written, or -1 on failure. A line
// that takes no more waits for room until its time-out, or until the stop
// (when given) is set: then the count written so far.
int SerialWrite(const uint8_t* data, int length, const WakeEvent* stop = nullptr);
// -1 when closed; 0 when nothing is queued (never waits); else the bytes read.
int SerialRead(uint8_t* buffer, int max);
// Throws away what waits in the input and/or output queue.
bool SerialPurge(bool input, bool output);
// Reads and throws away what waits in the input queue: late answers to
// earlier requests, which must never be taken for the answer to the next.
// Logged at debug level; the number of bytes dropped.
int SerialDropStale();
// Blocks in one poll on the port and the stop (when given) until a read would
// not return 0 (input, or a failing port that the read reports), the stop is
// set, or ms passed. A closed port: the stop and the time alone.
DeviceWait SerialWaitReadable(uint32_t ms, const WakeEvent* stop);
// The same until a write can go on.
DeviceWait SerialWaitWritable(uint32_t ms, const WakeEvent* stop);
// Gives the text to g_hSerialOwner when both are set.
void SerialReportError(const char* text);

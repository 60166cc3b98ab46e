#pragma once
// The one process-wide Brelk serial port. Every Brelk exchange (frames, the
// Brelk's own commands, the firmware upgrade) goes through these functions.
#include "SerialDevice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// Sent, with the error text, to the window that owns the port.
constexpr unsigned WM_SERIAL_ERROR = 0x0400 + 123;

// A window that takes WM_SERIAL_ERROR; called synchronously with the text.
using SerialErrorTarget = std::function<void(const char* text)>;

extern std::mutex g_serialLock;                      // guards the port handle
extern std::shared_ptr<ISerialDevice> g_hSerialPort; // the open port, null when none
extern std::atomic<bool> g_bSerialOpen;              // open and configured
extern SerialErrorTarget g_hSerialOwner;             // receives error texts; nothing sets it
extern std::atomic<uint32_t> g_serialBaudRate;       // 57600
extern std::atomic<int> g_nBrelkPort;                // COM number of the Brelk, 0 until looked up

// Opens COM n at g_serialBaudRate, 8N1; true at once when the port is already open.
bool SerialOpen(int port);
// Always true; closes the port when it is open.
bool SerialClose();
// -1 when closed; else the number of bytes written, or -1 on failure.
int SerialWrite(const uint8_t* data, int length);
// -1 when closed; 0 when nothing is queued (never waits); else the bytes read.
int SerialRead(uint8_t* buffer, int max);
// Throws away what waits in the input and/or output queue.
bool SerialPurge(bool input, bool output);
// Waits at most ms until a read would not return 0; a closed port just waits.
bool SerialWaitReadable(uint32_t ms);
// Sends WM_SERIAL_ERROR with the text to g_hSerialOwner when both are set.
void SerialReportError(const char* text);

#include "SerialPort.h"

#include "Clock.h"
#include "DebugTrace.h"
#include "TsLog.h"

#include <cstdio>

std::mutex g_serialLock;
std::shared_ptr<ISerialDevice> g_hSerialPort;
std::atomic<bool> g_bSerialOpen{false};
std::function<void(const char* text)> g_hSerialOwner;
std::atomic<uint32_t> g_serialBaudRate{57600};
std::atomic<int> g_nBrelkPort{0};
std::atomic<int> g_bDeviceRemoved{0};

namespace {

// The handle, taken under the lock so a close on another thread can't pull it
// away in the middle of a read or write.
std::shared_ptr<ISerialDevice> CurrentPort()
{
    std::lock_guard<std::mutex> lock(g_serialLock);
    return g_bSerialOpen ? g_hSerialPort : nullptr;
}

// Closes the port when the program ends.
struct SerialPortAtExit {
    ~SerialPortAtExit() { SerialClose(); }
} g_serialPortAtExit;

} // namespace

void SerialReportError(const char* text)
{
    if (g_hSerialOwner && text)
        g_hSerialOwner(text);
}

// The trace and error texts of these functions are the program's own and
// kept as written, the Windows call names in them included ("CreateFileA fail").
bool SerialOpen(int port)
{
    std::unique_lock<std::mutex> lock(g_serialLock);
    if (g_bSerialOpen)
        return true;
    int error = 0;
    std::unique_ptr<ISerialDevice> dev = OpenSerialDevice(port, &error);
    if (!dev) {
        DebugTrace("CreateFileA fail...: %d\n", error);
        return false;
    }
    const uint32_t baud = g_serialBaudRate;
    char text[64];
    if (!dev->Configure(baud)) {
        std::snprintf(text, sizeof text, "SetCommState failed, error = %d", dev->LastError());
        dev->Close();
        lock.unlock();
        SerialReportError(text);
        return false;
    }
    const uint32_t perByte = baud ? 11000 / baud + 1 : 1;
    if (!dev->SetWriteTimeout(perByte, 0)) {
        std::snprintf(text, sizeof text, "SetCommTimeouts failed, error = %d", dev->LastError());
        dev->Close();
        lock.unlock();
        SerialReportError(text);
        return false;
    }
    g_hSerialPort = std::move(dev);
    g_bSerialOpen = true;
    return true;
}

bool SerialClose()
{
    std::lock_guard<std::mutex> lock(g_serialLock);
    if (!g_bSerialOpen || !g_hSerialPort)
        return true;
    if (!g_hSerialPort->Close()) {
        DebugTrace("CloseHandle Fail: %d\n", g_hSerialPort->LastError());
        return true;
    }
    g_hSerialPort.reset();
    g_bSerialOpen = false;
    return true;
}

int SerialWrite(const uint8_t* data, int length, const WakeEvent* stop)
{
    std::shared_ptr<ISerialDevice> port = CurrentPort();
    if (!port)
        return -1;
    int n = port->Write(data, length, stop);
    if (n < 0) {
        DebugTrace("WriteFile Fail: %d\n", port->LastError());
        return -1;
    }
    return n;
}

int SerialRead(uint8_t* buffer, int max)
{
    std::shared_ptr<ISerialDevice> port = CurrentPort();
    if (!port)
        return -1;
    int waiting = port->Queued();
    if (waiting < 0)
        return -1;
    if (waiting == 0)
        return 0;
    int n = port->Read(buffer, max);
    if (n < 0) {
        DebugTrace("ReadFile Fail: %d\n", port->LastError());
        return -1;
    }
    return n;
}

bool SerialPurge(bool input, bool output)
{
    std::shared_ptr<ISerialDevice> port = CurrentPort();
    return port && port->Purge(input, output);
}

int SerialDropStale()
{
    CBinary dropped;
    uint8_t chunk[256];
    int n = 0;
    // Bounded: a line that streams without end still lets the request go out.
    while (dropped.GetSize() < BINARY_MAX_SIZE - static_cast<int>(sizeof chunk) &&
           (n = SerialRead(chunk, sizeof chunk)) > 0)
        dropped.Append(chunk, n);
    if (!dropped.IsEmpty())
        CTsLog::GetInstance().HexDump(dropped, "Dropped stale bytes: ");
    return dropped.GetSize();
}

DeviceWait SerialWaitReadable(uint32_t ms, const WakeEvent* stop)
{
    std::shared_ptr<ISerialDevice> port = CurrentPort();
    if (!port)
        return SleepUnlessSet(ms, stop) ? DeviceWait::Woken : DeviceWait::TimedOut;
    return port->WaitReadable(ms, stop);
}

DeviceWait SerialWaitWritable(uint32_t ms, const WakeEvent* stop)
{
    std::shared_ptr<ISerialDevice> port = CurrentPort();
    if (!port)
        return SleepUnlessSet(ms, stop) ? DeviceWait::Woken : DeviceWait::TimedOut;
    return port->WaitWritable(ms, stop);
}

#include "BrelkCommands.h"

#include "AppFlags.h"
#include "Clock.h"
#include "CodePage.h"
#include "DebugTrace.h"
#include "SearchUsbPort.h"
#include "WireFormat.h"

#include <algorithm>
#include <cstring>

const uint8_t kBrelkVersionQuery[7] = {
    BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], BRELK_KIND_VERSION, 0x01, 0x00, 0x00, 0x68};

namespace {

constexpr uint32_t kSendTimeoutMs = 2000;
constexpr uint32_t kVersionTimeoutMs = 200;
// A version reply is complete when nothing more arrives for this long.
constexpr uint32_t kVersionQuietMs = 20;

void Report(const SerialErrorTarget& window, const char* text)
{
    if (window)
        window(text);
}

// One signal step: the command, then a short read whose answer is not examined.
void SignalStep(const SerialErrorTarget& window, uint8_t step, uint32_t waitMs)
{
    const uint8_t command[3] = {BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], step};
    uint8_t answer[5];
    SendCommand(3, window, command);
    ReceiveBytes(sizeof answer, answer, window, 100);
    Sleep(waitMs);
}

} // namespace

bool EnsureDeviceConnected() { return g_bSerialOpen || SerialOpen(FindDeviceComPort()); }

int SendCommand(int length, const SerialErrorTarget& window, const uint8_t* bytes)
{
    if (!EnsureDeviceConnected())
        return -1;
    SerialPurge(true, false);
    SerialPurge(false, true);
    const uint32_t start = GetTickCount();
    int done = 0;
    do {
        if (g_bDeviceRemoved)
            return 0;
        // A short write is completed, not sent again from the start.
        int n = SerialWrite(bytes + done, length - done);
        if (n > 0)
            done += n;
        if (done >= length)
            return 1;
        Sleep(1);
    } while (TicksSince(start, GetTickCount()) < kSendTimeoutMs);
    Report(window, "Send over time.");
    DebugTrace("SendCommand over time\n");
    return -1;
}

int ReceiveBytes(int maxBytes, uint8_t* buffer, const SerialErrorTarget& window, uint32_t timeoutMs)
{
    if (!g_bSerialOpen)
        SerialOpen(FindDeviceComPort());
    if (g_bDeviceRemoved)
        return 0;
    const uint32_t start = GetTickCount();
    for (;;) {
        int n = SerialRead(buffer, maxBytes);
        if (n > 0)
            return n;
        if (g_bDeviceRemoved)
            return 0;
        // A port that fails has lost its device: nothing more will come.
        if (n < 0) {
            DebugTrace("ReceiveBytes read failed\n");
            return -1;
        }
        uint32_t spent = TicksSince(start, GetTickCount());
        if (spent > timeoutMs)
            break;
        // Wait for input instead of spinning; a byte is still seen at once.
        SerialWaitReadable(std::min<uint32_t>(timeoutMs + 1 - spent, 1));
    }
    Report(window, "Receive over time.");
    DebugTrace("ReceiveBytes over time\n");
    return -1;
}

std::wstring GetBrelkVersion(const SerialErrorTarget& window)
{
    if (!EnsureDeviceConnected())
        return L"";
    if (SendCommand(sizeof kBrelkVersionQuery, window, kBrelkVersionQuery) != 1)
        return L"";
    // 255 bytes at most, so the text always keeps its terminator.
    uint8_t reply[256];
    std::memset(reply, 0, sizeof reply);
    const uint32_t start = GetTickCount();
    int got = ReceiveBytes(255, reply, window, kVersionTimeoutMs);
    if (got <= 0)
        return L"";
    // The reply may arrive in pieces ("V6" then ".11"): read on until its
    // terminator, 255 bytes, or a quiet gap after the last byte.
    uint32_t last = GetTickCount();
    while (got < 255 && !std::memchr(reply, 0, static_cast<size_t>(got)) && !g_bDeviceRemoved) {
        uint32_t now = GetTickCount();
        if (TicksSince(start, now) > kVersionTimeoutMs || TicksSince(last, now) >= kVersionQuietMs)
            break;
        int n = SerialRead(reply + got, 255 - got);
        if (n < 0)
            break;
        if (n > 0) {
            got += n;
            last = GetTickCount();
            continue;
        }
        SerialWaitReadable(1);
    }
    if (reply[0] != 'V')
        return L"";
    return Utf8ToWide(reinterpret_cast<const char*>(reply));
}

void SendBrelkSuccessSignal(const SerialErrorTarget& window, int repeat)
{
    // An unplugged Brelk shows nothing: stop at once instead of waiting out every step.
    for (int i = 0; i < repeat; ++i) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(window, kSignalStep1, 10);
        SignalStep(window, kSignalStep4, 50);
        SignalStep(window, kSignalStep2, 10);
        SignalStep(window, kSignalStep5, 10);
    }
    if (g_bDeviceRemoved)
        return;
    SignalStep(window, kSignalStep4, 0);
}

void SendBrelkFailSignal(const SerialErrorTarget& window)
{
    const struct {
        uint8_t step;
        uint32_t waitMs;
    } steps[] = {{kSignalStep1, 10}, {kSignalStep3, 1500}, {kSignalStep2, 10}, {kSignalStep4, 10}};
    for (const auto& s : steps) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(window, s.step, s.waitMs);
    }
}

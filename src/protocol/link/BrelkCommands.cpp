#include "BrelkCommands.h"

#include "AbortFlag.h"
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
// The answer to a signal step: read, not examined.
constexpr uint32_t kSignalAnswerMs = 100;
constexpr int kSignalAnswerBytes = 5;

void Report(const SerialErrorTarget& window, const char* text)
{
    if (window)
        window(text);
}

// SendCommand, watching the given stop.
int WriteCommand(int length, const SerialErrorTarget& window, const uint8_t* bytes, const WakeEvent* stop)
{
    if (!EnsureDeviceConnected())
        return -1;
    // A late answer to an earlier command must not pass for this one's.
    SerialDropStale();
    SerialPurge(true, false);
    SerialPurge(false, true);
    const uint32_t start = GetTickCount();
    int done = 0;
    for (;;) {
        if (g_bDeviceRemoved)
            return 0;
        // A short write is completed, not sent again from the start.
        const int n = SerialWrite(bytes + done, length - done, stop);
        if (n > 0)
            done += n;
        if (done >= length)
            return 1;
        const uint32_t spent = TicksSince(start, GetTickCount());
        if (spent >= kSendTimeoutMs)
            break;
        // A failing port takes nothing until it is opened again (or the
        // Brelk's removal is seen): it is given the rest of the time.
        const DeviceWait wait =
            n < 0 ? (SleepUnlessSet(kSendTimeoutMs - spent, stop) ? DeviceWait::Woken : DeviceWait::TimedOut)
                  : SerialWaitWritable(kSendTimeoutMs - spent, stop);
        if (wait == DeviceWait::Woken)
            return 0;
    }
    Report(window, "Send over time.");
    DebugTrace("SendCommand over time\n");
    return -1;
}

// ReceiveBytes, watching the given stop.
int ReadAnswer(int maxBytes, uint8_t* buffer, const SerialErrorTarget& window, uint32_t timeoutMs,
               const WakeEvent* stop)
{
    if (!g_bSerialOpen)
        SerialOpen(FindDeviceComPort());
    if (g_bDeviceRemoved)
        return 0;
    const uint32_t start = GetTickCount();
    for (;;) {
        const int n = SerialRead(buffer, maxBytes);
        if (n > 0)
            return n;
        if (g_bDeviceRemoved)
            return 0;
        // A port that fails has lost its device: nothing more will come.
        if (n < 0) {
            DebugTrace("ReceiveBytes read failed\n");
            return -1;
        }
        const uint32_t spent = TicksSince(start, GetTickCount());
        if (spent > timeoutMs)
            break;
        if (SerialWaitReadable(timeoutMs + 1 - spent, stop) == DeviceWait::Woken)
            return 0;
    }
    Report(window, "Receive over time.");
    DebugTrace("ReceiveBytes over time\n");
    return -1;
}

// One signal step: the command, then a short read whose answer is not
// examined, then the pause before the next step. A Stop shortens the waits;
// the commands still go out, so the Brelk ends its signal as it should.
void SignalStep(const SerialErrorTarget& window, uint8_t step, uint32_t waitMs, const WakeEvent* stop)
{
    const uint8_t command[3] = {BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], step};
    uint8_t answer[kSignalAnswerBytes];
    WriteCommand(sizeof command, window, command, stop);
    ReadAnswer(sizeof answer, answer, window, kSignalAnswerMs, stop);
    SleepUnlessSet(waitMs, stop);
}

} // namespace

bool EnsureDeviceConnected() { return g_bSerialOpen || SerialOpen(FindDeviceComPort()); }

int SendCommand(int length, const SerialErrorTarget& window, const uint8_t* bytes)
{
    return WriteCommand(length, window, bytes, StopToWatch());
}

int ReceiveBytes(int maxBytes, uint8_t* buffer, const SerialErrorTarget& window, uint32_t timeoutMs)
{
    return ReadAnswer(maxBytes, buffer, window, timeoutMs, StopToWatch());
}

std::wstring GetBrelkVersion(const SerialErrorTarget& window)
{
    if (!EnsureDeviceConnected())
        return L"";
    const WakeEvent* stop = StopToWatch();
    if (WriteCommand(sizeof kBrelkVersionQuery, window, kBrelkVersionQuery, stop) != 1)
        return L"";
    // 255 bytes at most, so the text always keeps its terminator.
    uint8_t reply[256];
    std::memset(reply, 0, sizeof reply);
    const uint32_t start = GetTickCount();
    int got = ReadAnswer(255, reply, window, kVersionTimeoutMs, stop);
    if (got <= 0)
        return L"";
    // The reply may arrive in pieces ("V6" then ".11"): read on until its
    // terminator, 255 bytes, or a quiet gap after the last byte.
    uint32_t last = GetTickCount();
    while (got < 255 && !std::memchr(reply, 0, static_cast<size_t>(got)) && !g_bDeviceRemoved) {
        const int n = SerialRead(reply + got, 255 - got);
        if (n < 0)
            break;
        if (n > 0) {
            got += n;
            last = GetTickCount();
            continue;
        }
        const uint32_t now = GetTickCount();
        const uint32_t sinceStart = TicksSince(start, now);
        const uint32_t quiet = TicksSince(last, now);
        if (sinceStart > kVersionTimeoutMs || quiet >= kVersionQuietMs)
            break;
        // Half a version is no version: a Stop leaves none.
        if (SerialWaitReadable(std::min(kVersionTimeoutMs + 1 - sinceStart, kVersionQuietMs - quiet), stop) ==
            DeviceWait::Woken)
            return L"";
    }
    if (reply[0] != 'V')
        return L"";
    return Utf8ToWide(reinterpret_cast<const char*>(reply));
}

void SendBrelkSuccessSignal(const SerialErrorTarget& window, int repeat)
{
    const WakeEvent* stop = StopToWatch();
    // An unplugged Brelk shows nothing: stop at once instead of waiting out every step.
    for (int i = 0; i < repeat; ++i) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(window, kSignalStep1, 10, stop);
        SignalStep(window, kSignalStep4, 50, stop);
        SignalStep(window, kSignalStep2, 10, stop);
        SignalStep(window, kSignalStep5, 10, stop);
    }
    if (g_bDeviceRemoved)
        return;
    SignalStep(window, kSignalStep4, 0, stop);
}

void SendBrelkFailSignal(const SerialErrorTarget& window)
{
    const WakeEvent* stop = StopToWatch();
    const struct {
        uint8_t step;
        uint32_t waitMs;
    } steps[] = {{kSignalStep1, 10}, {kSignalStep3, 1500}, {kSignalStep2, 10}, {kSignalStep4, 10}};
    for (const auto& s : steps) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(window, s.step, s.waitMs, stop);
    }
}

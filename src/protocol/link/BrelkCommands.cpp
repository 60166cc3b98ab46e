#include "BrelkCommands.h"

#include "AbortFlag.h"
#include "Clock.h"
#include "CodePage.h"
#include "DebugTrace.h"
#include "DeviceMap.h"
#include "SearchUsbPort.h"
#include "WireFormat.h"

#include <algorithm>
#include <cstring>

namespace {

// The version text at most, so it always keeps its terminator.
constexpr int kVersionMax = BRELK_REPLY_BUFFER - 1;

// SendCommand, watching the given stop.
int WriteCommand(int length, const uint8_t* bytes, const WakeEvent* stop)
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
        if (spent >= BRELK_SEND_TIMEOUT_MS)
            break;
        // A failing port takes nothing until it is opened again (or the
        // Brelk's removal is seen): it is given the rest of the time.
        const DeviceWait wait =
            n < 0 ? (SleepUnlessSet(BRELK_SEND_TIMEOUT_MS - spent, stop) ? DeviceWait::Woken : DeviceWait::TimedOut)
                  : SerialWaitWritable(BRELK_SEND_TIMEOUT_MS - spent, stop);
        if (wait == DeviceWait::Woken)
            return 0;
    }
    SerialReportError("Send over time.");
    DebugTrace("SendCommand over time\n");
    return -1;
}

// ReceiveBytes, watching the given stop.
int ReadAnswer(int maxBytes, uint8_t* buffer, uint32_t timeoutMs, const WakeEvent* stop)
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
    SerialReportError("Receive over time.");
    DebugTrace("ReceiveBytes over time\n");
    return -1;
}

// One signal step: the command, then a short read whose answer is not
// examined, then the pause before the next step. A Stop shortens the waits;
// the commands still go out, so the Brelk ends its signal as it should.
void SignalStep(uint8_t step, uint32_t waitMs, const WakeEvent* stop)
{
    const uint8_t command[3] = {BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], step};
    uint8_t answer[BRELK_SIGNAL_ANSWER_BYTES];
    WriteCommand(sizeof command, command, stop);
    ReadAnswer(sizeof answer, answer, BRELK_SIGNAL_ANSWER_MS, stop);
    SleepUnlessSet(waitMs, stop);
}

} // namespace

bool EnsureDeviceConnected() { return g_bSerialOpen || SerialOpen(FindDeviceComPort()); }

bool BrelkNodePresent()
{
    const int port = g_nBrelkPort;
    return port != 0 && !DeviceMap::DevicePathOf(port).empty();
}

bool BrelkUnplugged() { return g_bDeviceRemoved || (g_nBrelkPort != 0 && !BrelkNodePresent()); }

int SendCommand(int length, const uint8_t* bytes) { return WriteCommand(length, bytes, StopToWatch()); }

int ReceiveBytes(int maxBytes, uint8_t* buffer, uint32_t timeoutMs)
{
    return ReadAnswer(maxBytes, buffer, timeoutMs, StopToWatch());
}

std::wstring GetBrelkVersion()
{
    if (!EnsureDeviceConnected())
        return L"";
    const WakeEvent* stop = StopToWatch();
    if (WriteCommand(sizeof BRELK_VERSION_QUERY, BRELK_VERSION_QUERY, stop) != 1)
        return L"";
    uint8_t reply[BRELK_REPLY_BUFFER];
    std::memset(reply, 0, sizeof reply);
    const uint32_t start = GetTickCount();
    int got = ReadAnswer(kVersionMax, reply, BRELK_VERSION_TIMEOUT_MS, stop);
    if (got <= 0)
        return L"";
    // The reply may arrive in pieces ("V6" then ".11"): read on until its
    // terminator, its longest, or a quiet gap after the last byte.
    uint32_t last = GetTickCount();
    while (got < kVersionMax && !std::memchr(reply, 0, static_cast<size_t>(got)) && !g_bDeviceRemoved) {
        const int n = SerialRead(reply + got, kVersionMax - got);
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
        if (sinceStart > BRELK_VERSION_TIMEOUT_MS || quiet >= BRELK_VERSION_QUIET_MS)
            break;
        // Half a version is no version: a Stop leaves none.
        if (SerialWaitReadable(std::min(BRELK_VERSION_TIMEOUT_MS + 1 - sinceStart, BRELK_VERSION_QUIET_MS - quiet),
                               stop) == DeviceWait::Woken)
            return L"";
    }
    if (reply[0] != BRELK_VERSION_FIRST)
        return L"";
    return Utf8ToWide(reinterpret_cast<const char*>(reply));
}

void SendBrelkSuccessSignal(int repeat)
{
    const WakeEvent* stop = StopToWatch();
    // An unplugged Brelk shows nothing: stop at once instead of waiting out every step.
    for (int i = 0; i < repeat; ++i) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(BRELK_SIGNAL_STEP_1, BRELK_SIGNAL_PAUSE_MS, stop);
        SignalStep(BRELK_SIGNAL_STEP_4, BRELK_SIGNAL_SUCCESS_HOLD_MS, stop);
        SignalStep(BRELK_SIGNAL_STEP_2, BRELK_SIGNAL_PAUSE_MS, stop);
        SignalStep(BRELK_SIGNAL_STEP_5, BRELK_SIGNAL_PAUSE_MS, stop);
    }
    if (g_bDeviceRemoved)
        return;
    SignalStep(BRELK_SIGNAL_STEP_4, 0, stop);
}

void SendBrelkFailSignal()
{
    const WakeEvent* stop = StopToWatch();
    const struct {
        uint8_t step;
        uint32_t waitMs;
    } steps[] = {{BRELK_SIGNAL_STEP_1, BRELK_SIGNAL_PAUSE_MS},
                 {BRELK_SIGNAL_STEP_3, BRELK_SIGNAL_FAIL_HOLD_MS},
                 {BRELK_SIGNAL_STEP_2, BRELK_SIGNAL_PAUSE_MS},
                 {BRELK_SIGNAL_STEP_4, BRELK_SIGNAL_PAUSE_MS}};
    for (const auto& s : steps) {
        if (g_bDeviceRemoved)
            return;
        SignalStep(s.step, s.waitMs, stop);
    }
}

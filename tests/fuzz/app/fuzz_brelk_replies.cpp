// Any answers from the Brelk to its own commands, over the fake serial port on
// the virtual clock: the version query, the loader's identify, enter, C0
// exchange, prepare, the block headers and data, and finish. The input is a
// list of answers, one taken for each command written: [length] [delay] and
// the bytes; a delay with its top bit set sends the answer's second half that
// much later, so replies come in pieces and after their time-outs too.
// What a step accepts must be what its answer said.
#include "AbortFlag.h"
#include "AppFlags.h"
#include "BrelkCommands.h"
#include "BrelkLoader.h"
#include "BrelkUpgrade.h"
#include "DeviceMap.h"
#include "FakeSerialPort.h"
#include "SerialPort.h"
#include "VirtualClock.h"
#include "Wnd.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Longer than any wait of a step: what a step left pending is due before the
// next command, which drops it.
constexpr uint32_t kBetweenStepsMs = 20000;
constexpr uint32_t kDelayUnitMs = 20;

struct Answers {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    std::vector<uint8_t> last;      // the whole answer to the last command
    std::vector<uint8_t> immediate; // the part of it that was there at once
};

Answers g_answers;
VirtualClock* g_clock = nullptr;
FakeSerialPort* g_port = nullptr;
Wnd* g_owner = nullptr; // the upgrade's main window, never created

// What the identify step reads: the part there at once, as a text.
bool ReadsLoaderName(const std::vector<uint8_t>& immediate)
{
    std::vector<uint8_t> text(immediate.begin(), immediate.begin() + std::min<size_t>(immediate.size(), 255));
    text.push_back(0);
    return std::strcmp(reinterpret_cast<const char*>(text.data()), "BRELK") == 0;
}

void Answer(FakeSerialPort& port, const uint8_t*, size_t)
{
    Answers& a = g_answers;
    a.last.clear();
    a.immediate.clear();
    if (a.at + 2 > a.size) {
        a.at = a.size;
        return;
    }
    size_t length = a.data[a.at];
    const uint8_t delay = a.data[a.at + 1];
    a.at += 2;
    if (length > a.size - a.at)
        length = a.size - a.at;
    a.last.assign(a.data + a.at, a.data + a.at + length);
    a.at += length;
    if (delay & 0x80) {
        const size_t half = length / 2;
        a.immediate.assign(a.last.begin(), a.last.begin() + half);
        port.Deliver(a.immediate);
        port.Deliver(std::vector<uint8_t>(a.last.begin() + half, a.last.end()), (delay & 0x7F) * kDelayUnitMs);
    } else {
        if (delay == 0)
            a.immediate = a.last;
        port.Deliver(a.last, delay * kDelayUnitMs);
    }
}

bool Starts(const std::vector<uint8_t>& answer, const uint8_t* bytes, size_t n)
{
    return answer.size() >= n && std::memcmp(answer.data(), bytes, n) == 0;
}

bool Coded(const std::vector<uint8_t>& answer, uint8_t code)
{
    const uint8_t head[3] = {0xB4, 0x96, code};
    return Starts(answer, head, 3);
}

void NextStep() { g_clock->Advance(kBetweenStepsMs); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_clock = new VirtualClock;
    DeviceMap::SetSource([] {
        return std::optional<std::vector<DeviceMapEntry>>(
            std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
    });
    g_port = new FakeSerialPort;
    g_port->Install(3);
    g_port->SetPeer(Answer);
    g_owner = new Wnd;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_answers = Answers{data, size, 0, {}, {}};
    g_bDeviceRemoved = 0;
    g_bAbort.Clear();

    const std::wstring version = GetBrelkVersion();
    if (!version.empty() && (version[0] != L'V' || version.size() > 255))
        __builtin_trap();
    NextStep();

    if (BrelkIsInLoader() && !Starts(g_answers.last, reinterpret_cast<const uint8_t*>("BRELK"), 5))
        __builtin_trap();
    NextStep();

    const struct {
        bool (*step)(const WakeEvent*);
        uint8_t code;
    } coded[] = {{EnterLoader, 0x80}, {LoaderExchange, 0x81}, {LoaderPrepare, 0x83}};
    for (const auto& c : coded) {
        if (c.step(nullptr) && !Coded(g_answers.last, c.code))
            __builtin_trap();
        NextStep();
    }

    if (LoaderIdentifies() && !ReadsLoaderName(g_answers.immediate))
        __builtin_trap();
    NextStep();

    // Two blocks, the second of one byte: taken only when the last data
    // frame was answered B4 96 84 in six bytes.
    static const std::vector<uint8_t> image(2049, 0x5A);
    CBrelkUpgrade upgrade(*g_owner);
    const int sent = upgrade.SendUpgradeBlocks(image.data(), image.size());
    if (sent == 1 && (!Coded(g_answers.last, 0x84) || g_answers.last.size() < 6))
        __builtin_trap();
    NextStep();

    if (LoaderFinishRefused(nullptr) && !Coded(g_answers.last, 0xE0))
        __builtin_trap();
    NextStep();
    SerialClose();
    return 0;
}

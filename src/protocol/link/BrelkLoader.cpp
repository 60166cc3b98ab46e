#include "BrelkLoader.h"

#include "AbortFlag.h"
#include "BrelkCommands.h"
#include "ByteOrder.h"
#include "Clock.h"
#include "SearchUsbPort.h"
#include "WireFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kHead1 = BRELK_COMMAND_HEAD[0];
constexpr uint8_t kHead2 = BRELK_COMMAND_HEAD[1];
constexpr uint8_t kEnter[] = {kHead1, kHead2, BRELK_KIND_LOADER_ENTER};
constexpr uint8_t kIdentify[] = {kHead1, kHead2, BRELK_KIND_LOADER_IDENTIFY};
constexpr uint8_t kFinish[] = {kHead1, kHead2, BRELK_KIND_LOADER_FINISH};
constexpr uint8_t kRestart[] = {kHead1, kHead2, BRELK_KIND_LOADER_RESTART};

// A command with its arguments; the loader's two such take five bytes each.
constexpr size_t kArgCount = sizeof BRELK_LOADER_EXCHANGE_ARGS;
static_assert(sizeof BRELK_LOADER_PREPARE_ARGS == kArgCount);
struct LongCommand {
    uint8_t bytes[sizeof BRELK_COMMAND_HEAD + 1 + kArgCount];
};
constexpr LongCommand WithArgs(uint8_t kind, const uint8_t (&args)[kArgCount])
{
    return {{kHead1, kHead2, kind, args[0], args[1], args[2], args[3], args[4]}};
}
constexpr LongCommand kExchange = WithArgs(BRELK_KIND_LOADER_EXCHANGE, BRELK_LOADER_EXCHANGE_ARGS);
constexpr LongCommand kPrepare = WithArgs(BRELK_KIND_LOADER_PREPARE, BRELK_LOADER_PREPARE_ARGS);

template <size_t N> int Send(const uint8_t (&command)[N]) { return SendCommand(static_cast<int>(N), command); }

// Reads until `want` bytes came, the time-out passed, the port failed (the
// Brelk went) or the stop was set; the count read. A reply in two reads is
// still one reply.
int ReadReply(uint8_t* buffer, int want, int max, uint32_t timeoutMs, const WakeEvent* stop)
{
    int got = 0;
    const uint32_t start = GetTickCount();
    while (got < want && !g_bDeviceRemoved) {
        const int n = SerialRead(buffer + got, max - got);
        if (n < 0)
            break;
        got += n;
        if (got >= want)
            break;
        const uint32_t spent = TicksSince(start, GetTickCount());
        if (spent > timeoutMs)
            break;
        if (SerialWaitReadable(timeoutMs + 1 - spent, stop) == DeviceWait::Woken)
            break;
    }
    return got;
}

bool IsReply(const uint8_t* reply, int length, uint8_t code)
{
    return length >= BRELK_CODED_REPLY_LENGTH && reply[0] == BRELK_REPLY_HEAD[0] && reply[1] == BRELK_REPLY_HEAD[1] &&
           reply[2] == code;
}

// Sends a step's command and tells whether its reply carries the code.
template <size_t N>
bool LoaderStep(const uint8_t (&command)[N], uint32_t replyMs, uint8_t expected, const WakeEvent* stop)
{
    uint8_t reply[BRELK_REPLY_BUFFER] = {};
    Send(command);
    const int got = ReadReply(reply, BRELK_CODED_REPLY_LENGTH, BRELK_REPLY_BUFFER, replyMs, stop);
    return IsReply(reply, got, expected);
}

// A block's reply: read within its time, then both queues emptied so the next
// reply is read from nothing; true when it is whole and carries the code.
bool BlockReplyIs(uint8_t code, const WakeEvent* stop)
{
    uint8_t reply[BRELK_LOADER_BLOCK_REPLY_BUFFER] = {};
    const int got = ReadReply(reply, BRELK_LOADER_BLOCK_REPLY_LENGTH, BRELK_LOADER_BLOCK_REPLY_BUFFER,
                              BRELK_LOADER_BLOCK_REPLY_MS, stop);
    SerialPurge(true, true);
    return got == BRELK_LOADER_BLOCK_REPLY_LENGTH && IsReply(reply, got, code);
}

// Opens the Brelk's port again after a restart, looking it up anew each time:
// it may come back under another device node.
bool ReopenAfterRestart(uint32_t restartMs, int tries)
{
    SerialClose();
    Sleep(restartMs);
    for (int i = 0; i < tries; ++i) {
        if (EnsureDeviceConnected())
            return true;
        Sleep(BRELK_REOPEN_PAUSE_MS);
    }
    return false;
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t bytes[4];
    WriteLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

} // namespace

std::vector<UpgradeBlock> SplitIntoBlocks(size_t size)
{
    std::vector<UpgradeBlock> blocks;
    for (size_t offset = 0; offset < size; offset += BRELK_FLASH_BLOCK_SIZE)
        blocks.push_back({static_cast<uint32_t>(BRELK_FLASH_BASE + offset), offset,
                          std::min(BRELK_FLASH_BLOCK_SIZE, size - offset)});
    return blocks;
}

std::vector<uint8_t> BuildBlockHeader(const UpgradeBlock& block)
{
    std::vector<uint8_t> header = {kHead1, kHead2, BRELK_KIND_LOADER_BLOCK};
    PutLe32(header, block.address);
    uint8_t frameLength[2];
    WriteLe16(frameLength, static_cast<uint16_t>(block.length + BRELK_LOADER_BLOCK_TAIL));
    header.insert(header.end(), frameLength, frameLength + sizeof frameLength);
    header.push_back(BRELK_FRAME_END);
    return header;
}

std::vector<uint8_t> BuildBlockFrame(const uint8_t* image, const UpgradeBlock& block, size_t index)
{
    std::vector<uint8_t> frame(image + block.offset, image + block.offset + block.length);
    uint32_t sum = 0;
    for (uint8_t byte : frame)
        sum += byte;
    PutLe32(frame, sum);
    frame.push_back(BRELK_LOADER_BLOCK_PAD);
    frame.push_back(static_cast<uint8_t>(index));
    return frame;
}

bool BrelkIsInLoader()
{
    if (!EnsureDeviceConnected() || Send(kIdentify) != 1)
        return false;
    uint8_t reply[BRELK_REPLY_BUFFER] = {};
    const int want = static_cast<int>(sizeof BRELK_LOADER_IDENTITY); // with its terminator
    const int got = ReadReply(reply, want, BRELK_REPLY_BUFFER - 1, BRELK_LOADER_IDENTIFY_REPLY_MS, StopToWatch());
    return got >= want - 1 && std::memcmp(reply, BRELK_LOADER_IDENTITY, sizeof BRELK_LOADER_IDENTITY - 1) == 0;
}

bool EnterLoader(const WakeEvent* stop)
{
    return LoaderStep(kEnter, BRELK_LOADER_ENTER_REPLY_MS, BRELK_REPLY_LOADER_ENTERED, stop);
}

bool AwaitLoader() { return ReopenAfterRestart(BRELK_LOADER_RESTART_MS, BRELK_LOADER_REOPEN_TRIES); }

bool LoaderIdentifies()
{
    Send(kIdentify);
    // One read of what is there at once; the buffer keeps a terminator.
    uint8_t reply[BRELK_REPLY_BUFFER] = {};
    SerialRead(reply, BRELK_REPLY_BUFFER - 1);
    return std::strcmp(reinterpret_cast<const char*>(reply), BRELK_LOADER_IDENTITY) == 0;
}

bool LoaderExchange(const WakeEvent* stop)
{
    return LoaderStep(kExchange.bytes, BRELK_LOADER_EXCHANGE_REPLY_MS, BRELK_REPLY_LOADER_EXCHANGE, stop);
}

bool LoaderPrepare(const WakeEvent* stop)
{
    return LoaderStep(kPrepare.bytes, BRELK_LOADER_PREPARE_REPLY_MS, BRELK_REPLY_LOADER_PREPARED, stop);
}

bool LoaderWriteBlock(const uint8_t* image, const UpgradeBlock& block, size_t index, const WakeEvent* stop)
{
    const std::vector<uint8_t> header = BuildBlockHeader(block);
    const std::vector<uint8_t> frame = BuildBlockFrame(image, block, index);
    for (int attempt = 0; attempt < BRELK_LOADER_BLOCK_TRIES; ++attempt) {
        // A header the loader does not take ends the transfer: no retry.
        if (SendCommand(static_cast<int>(header.size()), header.data()) != 1 ||
            !BlockReplyIs(BRELK_REPLY_LOADER_HEADER, stop))
            return false;
        SendCommand(static_cast<int>(frame.size()), frame.data());
        if (BlockReplyIs(BRELK_REPLY_LOADER_DATA, stop))
            return true;
    }
    return false;
}

bool LoaderFinishRefused(const WakeEvent* stop)
{
    return LoaderStep(kFinish, BRELK_LOADER_FINISH_REPLY_MS, BRELK_REPLY_LOADER_REFUSED, stop);
}

bool LoaderRestart()
{
    Send(kRestart);
    return ReopenAfterRestart(BRELK_FIRMWARE_RESTART_MS, BRELK_FIRMWARE_REOPEN_TRIES);
}

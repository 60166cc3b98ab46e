#include "BrelkUpgrade.h"

#include "AbortFlag.h"
#include "AppFlags.h"
#include "BrelkCommands.h"
#include "BrelkUpgradeDlg.h"
#include "Catalog.h"
#include "CatalogFile.h"
#include "Clock.h"
#include "CodePage.h"
#include "DebugTrace.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "Paths.h"
#include "ProductStrings.h"
#include "ScopeGuard.h"
#include "SearchUsbPort.h"
#include "TextLog.h"
#include "UiThread.h"
#include "WireFormat.h"
#include "Wnd.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// The loader's commands (AA 55 and the command); its replies start B4 96 and a code.
constexpr uint8_t kHead1 = BRELK_COMMAND_HEAD[0];
constexpr uint8_t kHead2 = BRELK_COMMAND_HEAD[1];
constexpr uint8_t kEnterLoader[] = {kHead1, kHead2, 0xCF};
constexpr uint8_t kIdentify[] = {kHead1, kHead2, 0xC9};
constexpr uint8_t kExchange[] = {kHead1, kHead2, 0xC0, 0x01, 0x02, 0x03, 0x04, 0x05};
constexpr uint8_t kPrepare[] = {kHead1, kHead2, 0xC2, 0x00, 0x40, 0x00, 0x08, 0x76};
constexpr uint8_t kFinish[] = {kHead1, kHead2, 0xC3};
constexpr uint8_t kRestart[] = {kHead1, kHead2, 0xC4};
constexpr uint8_t kBlockHeaderCommand = 0xC1;
constexpr const uint8_t* kReplyStart = BRELK_REPLY_HEAD;
constexpr uint8_t kReplyLoader = 0x80;
constexpr uint8_t kReplyExchange = 0x81;
constexpr uint8_t kReplyHeader = 0x82;
constexpr uint8_t kReplyPrepare = 0x83;
constexpr uint8_t kReplyData = 0x84;
constexpr uint8_t kReplyFinishFailed = 0xE0;
const char kLoaderIdentity[] = "BRELK";

constexpr size_t kFrameTail = 6; // sum, 00, index
// A block reply is whole at six bytes; the other replies are judged by their code.
constexpr int kBlockReplyLength = 6;
constexpr int kCodedReplyLength = 3;
constexpr int kBlockReplyBuffer = 32;
constexpr int kReplyBuffer = 256;
constexpr int kBlockTries = 3;

// Waits, in milliseconds.
constexpr uint32_t kWindowDelayMs = 200;
constexpr uint32_t kStepPauseMs = 200;
constexpr uint32_t kEnterLoaderReplyMs = 1500;
constexpr uint32_t kExchangeReplyMs = 2000;
constexpr uint32_t kPrepareReplyMs = 4000;
constexpr uint32_t kBlockReplyMs = 2000;
constexpr uint32_t kFinishReplyMs = 5000;
constexpr uint32_t kFinishedPauseMs = 500;
constexpr uint32_t kIdentifyReplyMs = 200;
// The Brelk leaves the bus to restart; it is looked for again after these.
constexpr uint32_t kLoaderRestartMs = 4000;
constexpr int kLoaderReopenTries = 20;
constexpr uint32_t kFirmwareRestartMs = 3000;
constexpr int kFirmwareReopenTries = 10;
constexpr uint32_t kReopenPauseMs = 400;

// Far beyond any Brelk's flash; a bigger member is no firmware of ours.
constexpr size_t kMaxImageSize = 1u << 20;

constexpr wchar_t kUpgradingText[] = L"Brelk upgrading......";
constexpr wchar_t kCompletedText[] = L"Brelk upgrade completely";
constexpr wchar_t kCloseRefusedText[] = L"The Brelk is being upgraded. Please wait until it has finished.";

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

template <size_t N> int Send(const SerialErrorTarget& window, const uint8_t (&command)[N])
{
    return SendCommand(static_cast<int>(N), window, command);
}

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
    return length >= kCodedReplyLength && reply[0] == kReplyStart[0] && reply[1] == kReplyStart[1] && reply[2] == code;
}

// Sends a step's command and tells whether its reply carries the code.
template <size_t N>
bool LoaderStep(const SerialErrorTarget& window, const uint8_t (&command)[N], uint32_t replyMs, uint8_t expected,
                const WakeEvent* stop)
{
    uint8_t reply[kReplyBuffer] = {};
    Send(window, command);
    const int got = ReadReply(reply, kCodedReplyLength, kReplyBuffer, replyMs, stop);
    return IsReply(reply, got, expected);
}

// Opens the Brelk's port again after a restart, looking it up anew each time:
// it may come back under another device node.
bool ReopenPort(int tries)
{
    for (int i = 0; i < tries; ++i) {
        if (g_bSerialOpen || SerialOpen(FindDeviceComPort()))
            return true;
        Sleep(kReopenPauseMs);
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
    for (size_t offset = 0; offset < size; offset += kBrelkBlockSize)
        blocks.push_back(
            {static_cast<uint32_t>(kBrelkFlashBase + offset), offset, std::min(kBrelkBlockSize, size - offset)});
    return blocks;
}

std::vector<uint8_t> BuildBlockHeader(const UpgradeBlock& block)
{
    std::vector<uint8_t> header = {kHead1, kHead2, kBlockHeaderCommand};
    PutLe32(header, block.address);
    uint8_t frameLength[2];
    WriteLe16(frameLength, static_cast<uint16_t>(block.length + kFrameTail));
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
    frame.push_back(0x00);
    frame.push_back(static_cast<uint8_t>(index));
    return frame;
}

bool BrelkIsInLoader(const SerialErrorTarget& window)
{
    if (!EnsureDeviceConnected() || Send(window, kIdentify) != 1)
        return false;
    uint8_t reply[kReplyBuffer] = {};
    const int want = static_cast<int>(sizeof kLoaderIdentity); // with its terminator
    const int got = ReadReply(reply, want, kReplyBuffer - 1, kIdentifyReplyMs, StopToWatch());
    return got >= want - 1 && std::memcmp(reply, kLoaderIdentity, sizeof kLoaderIdentity - 1) == 0;
}

bool EnterLoader(const SerialErrorTarget& window, const WakeEvent* stop)
{
    return LoaderStep(window, kEnterLoader, kEnterLoaderReplyMs, kReplyLoader, stop);
}

bool LoaderIdentifies(const SerialErrorTarget& window)
{
    Send(window, kIdentify);
    // One read of what is there at once; the buffer keeps a terminator.
    uint8_t reply[kReplyBuffer] = {};
    SerialRead(reply, kReplyBuffer - 1);
    return std::strcmp(reinterpret_cast<const char*>(reply), kLoaderIdentity) == 0;
}

bool LoaderExchange(const SerialErrorTarget& window, const WakeEvent* stop)
{
    return LoaderStep(window, kExchange, kExchangeReplyMs, kReplyExchange, stop);
}

bool LoaderPrepare(const SerialErrorTarget& window, const WakeEvent* stop)
{
    return LoaderStep(window, kPrepare, kPrepareReplyMs, kReplyPrepare, stop);
}

bool LoaderFinishRefused(const SerialErrorTarget& window, const WakeEvent* stop)
{
    return LoaderStep(window, kFinish, kFinishReplyMs, kReplyFinishFailed, stop);
}

CBrelkUpgrade::CBrelkUpgrade(Wnd& owner, SerialErrorTarget window)
    : m_owner(owner), m_window(std::move(window)), m_catalogPath(JoinPath(GetProgramFolder(), "catalog.data"))
{
}

CBrelkUpgrade::~CBrelkUpgrade()
{
    if (m_pWindow)
        m_pWindow->DestroyWindow();
}

void CBrelkUpgrade::ShowMessage(const std::wstring& text) const
{
    // From the worker too: the box is shown by the UI thread, the worker waits.
    MessageBox(&m_owner, text, Text(L"APP_TITLE"), MB_OK);
}

void CBrelkUpgrade::RefuseClose() const { ShowMessage(kCloseRefusedText); }

void CBrelkUpgrade::SetProgress(const std::wstring& text) const
{
    if (m_pWindow)
        m_pWindow->SetStatusText(text);
}

void CBrelkUpgrade::FreeImage()
{
    m_image.clear();
    m_image.shrink_to_fit();
}

bool CBrelkUpgrade::ReadCatalogFile(const std::wstring& name)
{
    std::string narrow;
    size_t lost = 0;
    if (!WideToCodePage(kCodePageUtf8, name, narrow, &lost) || lost) {
        ShowMessage(L"file name W2A error.");
        return false;
    }
    CTextLog::Instance().Write("ReadFile2:%s", narrow.c_str());
    std::unique_ptr<CCatalogFile> member = CCatalogFile::Create(m_catalogPath, "/vornix/composesource/" + narrow);
    if (!member || member->Open() != CATALOG_OK) {
        ShowMessage(L"The sensor of file is not exist.");
        return false;
    }
    const size_t size = member->Remaining();
    if (size > kMaxImageSize) {
        ShowMessage(L"Assign memory failure!");
        return false;
    }
    m_image.assign(size, 0);
    if (member->Read(size, m_image.data()) != size) {
        FreeImage();
        ShowMessage(L"Read file failure!");
        return false;
    }
    return true;
}

int CBrelkUpgrade::UpgradeBrelk()
{
    if (m_bRunning)
        return 0;
    m_bRunning = true;
    m_owner.EnableWindow(false);
    // Every way out gives the main window back and lets the image go.
    ScopeGuard restore([this] {
        FreeImage();
        m_owner.EnableWindow(true);
        m_bRunning = false;
    });
    if (!ReadCatalogFile(L"brelk.bin") || m_image.empty()) {
        // An image without a block would leave the Brelk erased: it is not touched.
        ShowMessage(L"Read the brelk.bin file error.");
        return 0;
    }
    if (!g_bSerialOpen)
        SerialOpen(FindDeviceComPort());

    m_pWindow = std::make_unique<CBrelkUpgradeDlg>();
    m_pWindow->SetCloseRefusal([this] { RefuseClose(); });
    m_pWindow->CreateOver(&m_owner);
    ScopeGuard closeWindow([this] {
        m_pWindow->DestroyWindow();
        m_pWindow.reset();
    });

    std::atomic<bool> done{false};
    int result = 0;
    std::thread worker([&] {
        result = Transfer();
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    worker.join();
    return result;
}

int CBrelkUpgrade::Transfer()
{
    // The loader's replies are waited for in one poll on the port and the stop.
    const WakeEvent* stop = StopToWatch();
    Sleep(kWindowDelayMs);
    m_pWindow->ShowWindow(SW_SHOW);
    SetProgress(kUpgradingText);
    if (!RestartIntoLoader(stop) || !LoadImageIntoLoader(stop))
        return 0;
    SetProgress(kCompletedText);
    Sleep(kFinishedPauseMs);
    m_pWindow->ShowWindow(SW_HIDE);
    FreeImage();
    return RestartIntoFirmware() ? 1 : 0;
}

bool CBrelkUpgrade::RestartIntoLoader(const WakeEvent* stop)
{
    // Into the loader: the Brelk restarts and comes back on the bus.
    if (!EnterLoader(m_window, stop)) {
        DebugTrace(" -------- step1-------- \n");
        ShowMessage(L"fail to CF");
    }
    SerialClose();
    Sleep(kLoaderRestartMs);
    if (!ReopenPort(kLoaderReopenTries)) {
        ShowMessage(Text(L"CAN_NOT_OPEN_COM_PORT"));
        return false;
    }
    return true;
}

bool CBrelkUpgrade::LoadImageIntoLoader(const WakeEvent* stop)
{
    // Mismatching answers to the next three steps are only traced.
    Sleep(kStepPauseMs);
    if (!LoaderIdentifies(m_window))
        DebugTrace(" -------- step2-------- \n");
    Sleep(kStepPauseMs);
    if (!LoaderExchange(m_window, stop))
        DebugTrace(" -------- step3-------- \n");
    Sleep(kStepPauseMs);
    if (!LoaderPrepare(m_window, stop))
        DebugTrace(" -------- step4-------- \n");

    Sleep(kStepPauseMs);
    if (!SendUpgradeBlocks(m_image.data(), m_image.size())) {
        DebugTrace(" -------- step5-------- \n");
        ShowMessage(Text(L"UPGRADEERRPR"));
        return false;
    }

    Sleep(kStepPauseMs);
    if (LoaderFinishRefused(m_window, stop)) {
        ShowMessage(Text(L"UPGRADEERRPR"));
        return false;
    }
    return true;
}

bool CBrelkUpgrade::RestartIntoFirmware()
{
    // Out of the loader into the new firmware, which must say so itself.
    Send(m_window, kRestart);
    SerialClose();
    Sleep(kFirmwareRestartMs);
    if (!ReopenPort(kFirmwareReopenTries)) {
        ShowMessage(Text(L"CAN_NOT_OPEN_COM_PORT"));
        return false;
    }
    const std::wstring version = GetBrelkVersion(m_window);
    if (version != Utf8ToWide(g_productStrings[kBrelkFirmwareIndex])) {
        DebugTrace("Brelk upgrade: the Brelk answers \"%s\" after its restart\n", WideToUtf8(version).c_str());
        ShowMessage(Text(L"UPGRADEERRPR"));
        return false;
    }
    return true;
}

int CBrelkUpgrade::SendUpgradeBlocks(const uint8_t* image, size_t size)
{
    if (g_bDeviceRemoved)
        return 0;
    const WakeEvent* stop = StopToWatch();
    const std::vector<UpgradeBlock> blocks = SplitIntoBlocks(size);
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (m_pWindow) {
            wchar_t text[64];
            std::swprintf(text, 64, L"%ls%d%%", kUpgradingText,
                          static_cast<int>(static_cast<double>(i) / static_cast<double>(blocks.size()) * 100));
            SetProgress(text);
        }
        const std::vector<uint8_t> header = BuildBlockHeader(blocks[i]);
        const std::vector<uint8_t> frame = BuildBlockFrame(image, blocks[i], i);
        bool accepted = false;
        for (int attempt = 0; attempt < kBlockTries && !accepted; ++attempt) {
            uint8_t reply[kBlockReplyBuffer] = {};
            // A header the loader does not take ends the transfer: no retry.
            if (SendCommand(static_cast<int>(header.size()), m_window, header.data()) != 1)
                return 0;
            int got = ReadReply(reply, kBlockReplyLength, kBlockReplyBuffer, kBlockReplyMs, stop);
            SerialPurge(true, true);
            if (got != kBlockReplyLength || !IsReply(reply, got, kReplyHeader))
                return 0;
            std::memset(reply, 0, sizeof reply);
            SendCommand(static_cast<int>(frame.size()), m_window, frame.data());
            got = ReadReply(reply, kBlockReplyLength, kBlockReplyBuffer, kBlockReplyMs, stop);
            SerialPurge(true, true);
            accepted = got == kBlockReplyLength && IsReply(reply, got, kReplyData);
        }
        if (!accepted)
            return 0;
    }
    return 1;
}

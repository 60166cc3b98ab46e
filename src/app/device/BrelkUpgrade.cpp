#include "BrelkUpgrade.h"

#include "AbortFlag.h"
#include "AppFlags.h"
#include "BrelkCommands.h"
#include "BrelkLoader.h"
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

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Waits, in milliseconds: the progress window's before it shows, and the
// one that lets the user read that the upgrade is done.
constexpr uint32_t kWindowDelayMs = 200;
constexpr uint32_t kFinishedPauseMs = 500;

// Far beyond any Brelk's flash; a bigger member is no firmware of ours.
constexpr size_t kMaxImageSize = 1u << 20;

// The progress window's texts, in the user's language (English when a
// language file lacks them).
constexpr wchar_t kUpgradingKey[] = L"BRELK_UPGRADE_PROGRESS";
constexpr wchar_t kUpgradingText[] = L"Brelk upgrading......";
constexpr wchar_t kCompletedKey[] = L"BRELK_UPGRADE_DONE";
constexpr wchar_t kCompletedText[] = L"The Brelk upgrade is complete";
constexpr wchar_t kCloseRefusedText[] = L"The Brelk is being upgraded. Please wait until it has finished.";

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

std::wstring TextOr(const wchar_t* key, const wchar_t* fallback)
{
    return GetLanguageManager().GetTextOr(key, fallback);
}

// The Brelk left the bus: seen removed, its node gone, or its line hung up.
bool BrelkPulled()
{
    uint8_t probe = 0;
    return BrelkUnplugged() || (g_bSerialOpen && SerialRead(&probe, 0) < 0);
}

} // namespace

CBrelkUpgrade::CBrelkUpgrade(Wnd& owner) : m_owner(owner), m_catalogPath(JoinPath(GetProgramFolder(), "catalog.data"))
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

void CBrelkUpgrade::Fail(const std::wstring& text)
{
    m_bUnplugged = BrelkPulled();
    // A progress bar standing beside the failure would say it still runs.
    if (m_pWindow)
        m_pWindow->ShowWindow(SW_HIDE);
    ShowMessage(m_bUnplugged ? Text(L"BRELK_UNPLUGGED_UPGRADE") : text);
}

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
    m_bUnplugged = false;
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
    SetProgress(TextOr(kUpgradingKey, kUpgradingText));
    if (!RestartIntoLoader(stop) || !LoadImageIntoLoader(stop))
        return 0;
    SetProgress(TextOr(kCompletedKey, kCompletedText));
    Sleep(kFinishedPauseMs);
    m_pWindow->ShowWindow(SW_HIDE);
    FreeImage();
    return RestartIntoFirmware() ? 1 : 0;
}

bool CBrelkUpgrade::RestartIntoLoader(const WakeEvent* stop)
{
    // Into the loader: the Brelk restarts and comes back on the bus.
    if (!EnterLoader(stop)) {
        DebugTrace(" -------- step1-------- \n");
        ShowMessage(L"fail to CF");
    }
    if (!AwaitLoader()) {
        Fail(Text(L"CAN_NOT_OPEN_COM_PORT"));
        return false;
    }
    return true;
}

bool CBrelkUpgrade::LoadImageIntoLoader(const WakeEvent* stop)
{
    // Mismatching answers to the next three steps are only traced.
    Sleep(BRELK_LOADER_STEP_PAUSE_MS);
    if (!LoaderIdentifies())
        DebugTrace(" -------- step2-------- \n");
    Sleep(BRELK_LOADER_STEP_PAUSE_MS);
    if (!LoaderExchange(stop))
        DebugTrace(" -------- step3-------- \n");
    Sleep(BRELK_LOADER_STEP_PAUSE_MS);
    if (!LoaderPrepare(stop))
        DebugTrace(" -------- step4-------- \n");

    Sleep(BRELK_LOADER_STEP_PAUSE_MS);
    if (!SendUpgradeBlocks(m_image.data(), m_image.size())) {
        DebugTrace(" -------- step5-------- \n");
        Fail(Text(L"UPGRADEERRPR"));
        return false;
    }

    Sleep(BRELK_LOADER_STEP_PAUSE_MS);
    if (LoaderFinishRefused(stop)) {
        Fail(Text(L"UPGRADEERRPR"));
        return false;
    }
    return true;
}

bool CBrelkUpgrade::RestartIntoFirmware()
{
    // Out of the loader into the new firmware, which must say so itself.
    if (!LoaderRestart()) {
        Fail(Text(L"CAN_NOT_OPEN_COM_PORT"));
        return false;
    }
    const std::wstring version = GetBrelkVersion();
    if (version != Utf8ToWide(g_productStrings[kBrelkFirmwareIndex])) {
        DebugTrace("Brelk upgrade: the Brelk answers \"%s\" after its restart\n", WideToUtf8(version).c_str());
        Fail(Text(L"UPGRADEERRPR"));
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
            std::swprintf(text, 64, L"%d%%",
                          static_cast<int>(static_cast<double>(i) / static_cast<double>(blocks.size()) * 100));
            SetProgress(TextOr(kUpgradingKey, kUpgradingText) + text);
        }
        if (!LoaderWriteBlock(image, blocks[i], i, stop))
            return 0;
    }
    return 1;
}

#include "UpgradeCtrl.h"

#include "ChildProcess.h"
#include "CodePage.h"
#include "ColorStatic.h"
#include "DebugTrace.h"
#include "MessageBoxService.h"
#include "Paths.h"
#include "ProductStrings.h"
#include "SharedHelpers.h"
#include "UiThread.h"
#include "ZipArchive.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kButtonNormal = 0;
// The download fills the bar to 80 %, the unpacking the rest.
constexpr unsigned int kDownloadShare = 80;
constexpr int kUnpackShare = 20;
constexpr int kStageDownload = 0;
constexpr int kStageUnpack = 1;

constexpr const wchar_t* kRestartText = L"The package of upgrade already completely downloaded. \nRestart software to "
                                        L"upgrade.Do you want to restart?";
constexpr const wchar_t* kRestartCaption = L"Teskaro_Brelk program";

// Status keys.
constexpr const wchar_t* kKeyNone = L"NULL";
constexpr const wchar_t* kKeyDisconnected = L"DISCONNECT_SERVER";
constexpr const wchar_t* kKeyNewest = L"NEWESTVERSION";
constexpr const wchar_t* kKeyDownloadFailed = L"DOWNLOAD_FAILED";
constexpr const wchar_t* kKeyPackageDamaged = L"PACKAGE_DAMAGED";
constexpr const wchar_t* kKeyStartFailed = L"UPDATE_START_FAILED";
constexpr const wchar_t* kKeyReplyRefused = L"SERVER_REPLY_REFUSED";
constexpr const wchar_t* kKeyTooLarge = L"DOWNLOAD_TOO_LARGE";
constexpr const wchar_t* kKeyNoRoom = L"DISK_FULL";

std::unique_ptr<CUpgradeCtrl>& TheController()
{
    static std::unique_ptr<CUpgradeCtrl> controller;
    return controller;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

} // namespace

CUpgradeCtrl& CUpgradeCtrl::Instance()
{
    std::unique_ptr<CUpgradeCtrl>& controller = TheController();
    if (!controller)
        controller.reset(new CUpgradeCtrl());
    return *controller;
}

void CUpgradeCtrl::Shutdown()
{
    std::unique_ptr<CUpgradeCtrl> controller = std::move(TheController());
    if (!controller)
        return;
    controller->m_page = nullptr;
    controller->m_navigation = nullptr;
    // The worker may be asking the UI thread something right now: the events
    // go on while it ends.
    CDownloadCtrl& download = controller->m_download;
    download.Cancel();
    PumpUntil([&] { return !download.IsRunning(); });
    download.WaitForEnd();
    controller->m_net->Shutdown();
}

CUpgradeCtrl::CUpgradeCtrl() : m_net(std::make_unique<CNetCtrl>())
{
    m_net->CreateHidden();
    m_net->SetNotify(this);
    m_download.SetNotify(this);
    m_settings.path = GetDataFolder() + L"Setup.ini";
}

CUpgradeCtrl::~CUpgradeCtrl()
{
    m_download.SetNotify(nullptr);
    m_download.Cancel();
}

std::string CUpgradeCtrl::UpgradeFolder() { return WideToUtf8(GetUpgradeFolder()); }
std::string CUpgradeCtrl::ArchivePath() { return UpgradeFolder() + kArchiveName; }
std::string CUpgradeCtrl::ProgramPath() { return UpgradeFolder() + kProgramName; }

int CUpgradeCtrl::Start()
{
    // One road at a time: a download or a connection under way goes on and
    // gives the controls back itself.
    if (IsBusy())
        return 0;
    m_toolName.clear();
    m_lastVersion.clear();
    m_releaseDate.clear();
    m_downloadPath.clear();

    bool launch = false;
    if (PathExists(WideToUtf8(GetExeFolderA()) + "Setup.ini")) {
        if (m_settings.ReadInt(L"Config", L"IsUpdate") != 0) {
            if (IsExecutableFile(ProgramPath()))
                launch = true;
            else
                m_settings.WriteIsUpdate(0);
        } else {
            CleanUp();
        }
        if (m_settings.ReadInt(L"Config", L"TestSoftUpdate") != 0)
            g_productStrings[kSoftwareVersionIndex] = kTestSoftVersion;
    } else {
        CleanUp();
    }

    if (launch) {
        if (LaunchUpdateProgram()) {
            PostQuitMessage(0);
            return 1;
        }
        // The next press takes the whole road again.
        m_settings.WriteIsUpdate(0);
        ShowFailure(kKeyStartFailed);
        return 0;
    }
    if (!m_net->StartConnect())
        OnConnectState(false);
    return 0;
}

bool CUpgradeCtrl::IsBusy() const { return m_download.IsRunning() || m_net->IsBusy(); }

void CUpgradeCtrl::CleanUp()
{
    ::unlink(ProgramPath().c_str());
    if (!PathExists(ArchivePath() + ".tmp")) {
        std::string folder = UpgradeFolder();
        folder.pop_back(); // the trailing '/'
        DeleteFolderRecursive(Utf8ToWide(folder));
    }
}

void CUpgradeCtrl::OnConnectState(bool connected)
{
    if (connected) {
        m_net->SendVersionQuery();
        ShowStatus(kKeyNone, kStatusBlue);
    } else {
        ShowStatus(kKeyDisconnected, kStatusRed);
        GiveUpgradeButtonBack();
    }
    GiveNavigationBack();
}

void CUpgradeCtrl::OnReplyRefused() { ShowFailure(kKeyReplyRefused); }

void CUpgradeCtrl::OnVersionInfo(const tag_SoftVersionInfo* info)
{
    if (info) {
        m_toolName = info->toolName;
        m_lastVersion = info->lastVersion;
        m_releaseDate = info->releaseDate;
        m_downloadPath = info->downloadPath;
    }
    // Nothing to fetch without a version and a place to fetch it from.
    const bool offered = info && !m_lastVersion.empty() && !m_downloadPath.empty() &&
                         m_lastVersion != g_productStrings[kSoftwareVersionIndex];
    if (!offered) {
        GiveNavigationBack();
        ShowStatus(kKeyNewest, kStatusBlue);
        GiveUpgradeButtonBack();
        return;
    }
    ::unlink(ArchivePath().c_str());
    m_downloadEnded = false;
    m_refusal = DownloadRefusal::None;
    if (!m_download.StartDownload(m_downloadPath, ArchivePath(), true))
        ShowFailure(kKeyDownloadFailed);
}

void CUpgradeCtrl::OnDownloadProgress(const std::string& url, unsigned int percent)
{
    ReportProgress(kStageDownload, static_cast<int>(percent * kDownloadShare / 100));
    if (percent != kDownloadEnded || url != m_downloadPath)
        return;
    m_downloadEnded = true;
    FinishDownload();
}

void CUpgradeCtrl::OnDownloadJobEnded()
{
    // A job that never reached its end report failed on the way; a refused
    // file is no network fault, and the user learns what keeps it out.
    if (m_downloadEnded.exchange(true))
        return;
    switch (m_refusal.load()) {
    case DownloadRefusal::TooLarge: ShowFailure(kKeyTooLarge); break;
    case DownloadRefusal::NoRoom: ShowFailure(kKeyNoRoom); break;
    case DownloadRefusal::None: ShowFailure(kKeyDownloadFailed); break;
    }
}

void CUpgradeCtrl::OnDownloadRefused(const std::string& url, DownloadRefusal reason)
{
    if (url == m_downloadPath)
        m_refusal = reason;
}

void CUpgradeCtrl::FinishDownload()
{
    // A transfer that ended short leaves its ".tmp" to be resumed, and no archive.
    if (!PathExists(ArchivePath())) {
        ShowFailure(kKeyDownloadFailed);
        return;
    }
    const bool whole = UnpackArchive();
    ::unlink(ArchivePath().c_str());
    if (!whole) {
        // Nothing of a broken package stays to be started later.
        std::string folder = UpgradeFolder();
        folder.pop_back();
        DeleteFolderRecursive(Utf8ToWide(folder));
        ShowFailure(kKeyPackageDamaged);
        return;
    }
    m_settings.WriteIsUpdate(1);
    const int answer = MessageBox(nullptr, kRestartText, kRestartCaption, MB_YESNO | MB_TOPMOST);
    if (answer == IDYES) {
        if (!LaunchUpdateProgram()) {
            m_settings.WriteIsUpdate(0);
            ShowFailure(kKeyStartFailed);
            return;
        }
        ::PostMessage(m_net->GetSafeHwnd(), WM_CLOSE);
    }
    // On No the update waits: the next press of the button starts it.
    GiveUpgradeButtonBack();
    GiveNavigationBack();
}

bool CUpgradeCtrl::UnpackArchive()
{
    const std::string folder = UpgradeFolder();
    ZipArchivePtr archive = ZipArchiveOpen(ArchivePath(), folder);
    if (!archive)
        return false;
    ZipEntryInfo info;
    if (ZipArchiveGetEntry(archive.get(), info, -1) != kZipOk)
        return false;
    const int count = info.index;
    // Before anything is written: every name once (as cleaned, which is the
    // name the extraction writes: a second entry of a name would replace the
    // first), and the sizes the entries announce within the bounds. The
    // extraction counts the bytes again as they come. A folder entry that
    // names the root itself creates nothing and is passed over.
    const uint64_t budget = ZipArchiveSetLimits(archive.get(), m_unpackLimits);
    std::set<std::wstring> names;
    uint64_t announced = 0;
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetEntry(archive.get(), info, i) != kZipOk)
            return false;
        if (info.folder && info.name.empty())
            continue;
        if (info.name.empty() || !names.insert(info.name).second)
            return false;
        announced += static_cast<uint64_t>(std::max(0L, info.unpackedSize));
        if (announced > budget)
            return false;
    }
    std::vector<std::string> executables;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        ReportProgress(kStageUnpack, static_cast<int>(kDownloadShare) + (i + 1) * kUnpackShare / count);
        if (ZipArchiveGetEntry(archive.get(), info, i) != kZipOk ||
            ZipArchiveExtractEntry(archive.get(), info.name, i) != kZipOk)
            return false;
        if (info.folder)
            continue;
        const std::string path = folder + WideToUtf8(info.name);
        files.push_back(path);
        if (IsExecutableFile(path))
            executables.push_back(path);
    }
    // The update program is the package's one executable file, or its only file.
    std::string program;
    if (executables.size() == 1)
        program = executables.front();
    else if (executables.empty() && files.size() == 1)
        program = files.front();
    else
        return false;
    if (program != ProgramPath() && std::rename(program.c_str(), ProgramPath().c_str()) != 0)
        return false;
    struct stat st;
    return ::stat(ProgramPath().c_str(), &st) == 0 &&
           ::chmod(ProgramPath().c_str(), (st.st_mode & 07777) | S_IXUSR | S_IXGRP | S_IXOTH) == 0;
}

bool CUpgradeCtrl::LaunchUpdateProgram()
{
    std::string folder = UpgradeFolder();
    std::unique_ptr<ChildProcess> child = ChildProcess::Start(ProgramPath(), {}, folder);
    if (!child) {
        DebugTrace("update: %s could not be started\n", ProgramPath().c_str());
        return false;
    }
    // A program that fails at once (a script whose interpreter is missing)
    // has not started the update; one that still runs, or ended well, has.
    PumpUntil([&] { return !child->IsRunning(); }, kLaunchCheckMs);
    if (child->IsRunning())
        return true;
    const int status = child->ExitStatus();
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok)
        DebugTrace("update: %s ended at once (status %d)\n", ProgramPath().c_str(), status);
    return ok;
}

void CUpgradeCtrl::ShowStatus(const wchar_t* key, COLORREF color)
{
    if (IUpgradePage* page = m_page) {
        page->SetUpgradeStatusColor(color);
        page->SetUpgradeButtonText(key);
    }
}

void CUpgradeCtrl::ShowFailure(const wchar_t* key)
{
    ShowStatus(key, kStatusRed);
    GiveUpgradeButtonBack();
    GiveNavigationBack();
}

void CUpgradeCtrl::GiveUpgradeButtonBack()
{
    if (IUpgradePage* page = m_page)
        page->SetUpgradeButtonState(kButtonNormal, true);
}

void CUpgradeCtrl::GiveNavigationBack()
{
    if (INavigationLock* navigation = m_navigation)
        navigation->UnlockNavigation();
}

void CUpgradeCtrl::ReportProgress(int stage, int percent)
{
    if (IUpgradePage* page = m_page)
        page->OnUpgradeProgress(stage, percent);
}

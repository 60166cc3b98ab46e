#pragma once
// The self-update. When the user presses the settings page's upgrade button,
// the dispatcher locks the navigation, attaches the page and the top pane and
// calls Start. The controller then either starts an update program that an
// earlier run left ready, or asks the update server which release it offers,
// downloads it when its version differs from ours, unpacks it, and offers to
// restart into its update program. Every road ends with the upgrade button
// and the navigation given back.
//
// Start and the server's reports run on the UI thread; the download's reports,
// the unpacking, the restart question and the launch run on the download
// worker and reach the windows by the windowing layer's thread rule.
#include "BasePage.h"
#include "DownloadCtrl.h"
#include "Ini.h"
#include "NavigationLock.h"
#include "NetCtrl.h"
#include "NetCtrlNotify.h"
#include "UpgradePage.h"
#include "ZipReader.h"

#include <atomic>
#include <memory>
#include <string>

class CUpgradeCtrl : public CBasePage, public CNetCtrlNotify, public CDownloadCtrlNotify {
public:
    // Files in the data folder's "Upgrade/".
    static constexpr const char* kArchiveName = "Teskaro_BrelkUpdate.zip";
    static constexpr const char* kProgramName = "Teskaro_BrelkUpdate";
    // The version reported instead of ours when [Config] TestSoftUpdate is set.
    static constexpr const char* kTestSoftVersion = "V0.01.01";
    // How long a started update program is watched for an early failure.
    static constexpr uint32_t kLaunchCheckMs = 1000;

    // The one controller, made on the first call (UI thread).
    static CUpgradeCtrl& Instance();
    // Ends the controller: the download is cancelled and waited for with the
    // events running, the connection closed, its window destroyed, the object
    // deleted. The main window's destroy handler calls it; nothing happens
    // when no controller was made.
    static void Shutdown();

    ~CUpgradeCtrl() override;

    // Where the controller reports; set before Start. Either may be null.
    void SetUpgradePage(IUpgradePage* page) { m_page = page; }
    void SetNavigationLock(INavigationLock* navigation) { m_navigation = navigation; }

    // 1 when it started the update program and asked the program to end, else 0.
    // Nothing happens while a road is under way (IsBusy).
    int Start();
    // A connection or a download is under way; it gives the controls back itself.
    bool IsBusy() const;

    // CNetCtrlNotify, on the UI thread.
    void OnConnectState(bool connected) override;
    void OnVersionInfo(const tag_SoftVersionInfo* info) override;
    void OnReplyRefused() override;
    // CDownloadCtrlNotify, on the download worker.
    void OnDownloadProgress(const std::string& url, unsigned int percent) override;
    void OnDownloadJobEnded() override;
    void OnDownloadRefused(const std::string& url, DownloadRefusal reason) override;

    static std::string UpgradeFolder();
    static std::string ArchivePath();
    static std::string ProgramPath();

    // Bounds of the unpacked package (ZipUnpackLimits{} unless set; tests shrink them).
    void SetUnpackLimits(const ZipUnpackLimits& limits) { m_unpackLimits = limits; }

    CNetCtrl& GetNetCtrl() { return *m_net; }
    CDownloadCtrl& GetDownload() { return m_download; }
    // The release offered last.
    const std::string& GetLastVersion() const { return m_lastVersion; }
    const std::string& GetDownloadPath() const { return m_downloadPath; }

private:
    CUpgradeCtrl();
    // Deletes the update program, and the whole upgrade folder unless a
    // partial download waits in it to be resumed.
    void CleanUp();
    // Unpacks the downloaded archive; true when every entry came out whole
    // and the update program was among them, now under its own name.
    bool UnpackArchive();
    // Starts the update program as a process that outlives ours; true when
    // it runs (or has already ended well).
    bool LaunchUpdateProgram();
    // After the download: unpacks, marks, asks, launches.
    void FinishDownload();

    void ShowStatus(const wchar_t* key, COLORREF color);
    void ShowFailure(const wchar_t* key);
    void GiveUpgradeButtonBack();
    void GiveNavigationBack();
    void ReportProgress(int stage, int percent);

    std::unique_ptr<CNetCtrl> m_net;
    CDownloadCtrl m_download;
    std::string m_toolName;
    std::string m_lastVersion;
    std::string m_releaseDate;
    std::string m_downloadPath;
    CIni m_settings;
    ZipUnpackLimits m_unpackLimits;

    std::atomic<IUpgradePage*> m_page{nullptr};
    std::atomic<INavigationLock*> m_navigation{nullptr};
    // The download's end has been dealt with (unpacked or reported).
    std::atomic<bool> m_downloadEnded{false};
    // Why the running download's file was refused.
    std::atomic<DownloadRefusal> m_refusal{DownloadRefusal::None};
};

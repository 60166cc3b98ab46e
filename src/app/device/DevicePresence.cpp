#include "DevicePresence.h"

#include "AppFlags.h"
#include "BasePage.h"
#include "BrelkCommands.h"
#include "BrelkLoader.h"
#include "BrelkUpgrade.h"
#include "CodePage.h"
#include "ColorStatic.h"
#include "DebugTrace.h"
#include "DeviceWatcher.h"
#include "Language.h"
#include "NavigationLock.h"
#include "PresenceHost.h"
#include "ProductStrings.h"
#include "ScopeGuard.h"
#include "SearchUsbPort.h"
#include "StartUp.h"
#include "TextLog.h"
#include "TsNetlayer.h"

namespace {

std::wstring BuiltInVersion() { return Utf8ToWide(g_productStrings[kBrelkFirmwareIndex]); }

} // namespace

CDevicePresence::CDevicePresence(IPresenceHost& host) : m_host(host) {}

CDevicePresence::~CDevicePresence() { Stop(); }

void CDevicePresence::SetMonitor(std::unique_ptr<IDeviceMonitor> monitor)
{
    m_monitor = std::move(monitor);
    m_bMonitorGiven = true;
}

void CDevicePresence::StartWatching()
{
    if (m_watcher)
        return;
    std::unique_ptr<IDeviceMonitor> monitor = m_bMonitorGiven ? std::move(m_monitor) : CreateSerialPortMonitor();
    if (!monitor)
        return;
    m_watcher = std::make_unique<DeviceWatcher>(std::move(monitor));
    // Without udev or a links folder the program goes on, only deaf to plugging.
    if (!m_watcher->Start(&m_host.PresenceWindow()))
        DebugTrace("device changes are not watched\n");
}

void CDevicePresence::Stop()
{
    if (m_watcher)
        m_watcher->Stop();
    m_watcher.reset();
    if (m_pStartUp)
        m_pStartUp->DestroyWindow();
}

// ---- the first contact -----------------------------------------------------------

void CDevicePresence::ConnectAtStart()
{
    CTextLog& log = CTextLog::Instance();
    bool upgraded = false;
    bool pulled = false;
    if (!m_bUpgradeRunning) {
        if (!g_bSerialOpen)
            SerialOpen(FindDeviceComPort());
        if (g_bSerialOpen) {
            const std::wstring version = m_host.ReadBrelkVersion();
            log.Write("SoftVersion[%s],BrelkVersion:[%s]", g_productStrings[kSoftwareVersionIndex].c_str(),
                      g_productStrings[kBrelkFirmwareIndex].c_str());
            const bool differs = version.size() > 1 && version != BuiltInVersion();
            if (differs || (version.empty() && BrelkIsInLoader())) {
                log.Write("Start to update boot...");
                // The user sees the program and what it does before the Brelk is touched.
                m_host.PresenceWindow().ShowWindow(SW_SHOW);
                m_host.PresenceWindow().UpdateWindow();
                upgraded = true;
                pulled = RunAutomaticUpgrade() != 1 && (!BrelkNodePresent() || m_host.BrelkUpgradeUnplugged());
            }
        }
    }
    // Pulled out of its upgrade: nothing is asked of a Brelk that is not
    // there (the window would wait for its answer); it is upgraded again
    // when it comes back.
    const std::wstring version = pulled ? std::wstring() : m_host.ReadBrelkVersion();
    // Shown connected only with the client's version read back; a Brelk
    // that answers another version, or is left in its loader, is shown as
    // not ready.
    const bool ready = version == BuiltInVersion();
    const bool stuck = upgraded && !pulled && version.empty() && BrelkIsInLoader();
    if (!version.empty()) {
        m_host.RecordBrelkVersion(version);
        SerialClose();
        m_nShownPort = g_nBrelkPort;
        m_strShownVersion = version;
    }
    // Looked at again whatever the upgrade left: a Brelk that did not answer
    // after it must still be noticed when it comes.
    m_bIgnoreDeviceChange = false;
    if (pulled) {
        SerialClose();
        m_bUpgradedThisArrival = false;
        // Back already (plugged in while its failure was said): handled as it arrives.
        if (BrelkNodePresent())
            m_host.PresenceWindow().PostMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }
    const bool entered = !version.empty() || stuck;
    SetConnectState(ready ? kViewConnected : kViewNotReady, entered ? 1 : 0);
    if (entered && !ready && upgraded)
        ShowStatus(L"UPGRADEERRPR", kStatusRed);
}

int CDevicePresence::RunAutomaticUpgrade()
{
    m_bUpgradeRunning = true;
    m_bIgnoreDeviceChange = true;
    m_bUpgradedThisArrival = true;
    ScopeGuard clear([this] {
        m_bUpgradeRunning = false;
        m_bIgnoreDeviceChange = false;
    });
    return m_host.UpgradeBrelk();
}

// ---- device changes -----------------------------------------------------------------

void CDevicePresence::OnDeviceChange(UINT)
{
    if (m_bIgnoreDeviceChange) {
        // The port is the upgrade's; what is shown follows the Brelk's node,
        // so a Brelk pulled meanwhile is not shown at all, and one there is
        // not shown connected until it answers with the client's version.
        if (m_nConnectState != 0 && !StartUpWindowExists()) {
            const bool present = BrelkNodePresent();
            const int view = present ? kViewNotReady : kViewDisconnected;
            if (view != m_nConnectView) {
                ShowConnection(view);
                if (!present)
                    m_host.ShowBrelkVersion(L"");
                ShowStatus(present ? L"BRELK_UPGRADING" : L"DISCONNECTED", present ? kStatusBlue : kStatusRed);
            }
        }
        RestoreControls();
        return;
    }
    // A worker owns the port (an operation, or the settings page's version read).
    if (g_bBusy || m_host.IsWorkerRunning()) {
        CheckWhileBusy();
        return;
    }
    // Handled now: a change left for a worker's end is not handled again
    // when an end posted late arrives, over the next operation's status.
    m_bChangeWhileBusy = false;
    if (g_nBrelkPort == 0)
        FindDeviceComPort();
    SerialClose();
    // The Brelk may have come back under another node: looked up anew.
    if (SerialOpen(FindDeviceComPort()))
        Arrived();
    else
        Gone();
    RestoreControls();
}

void CDevicePresence::Arrived()
{
    g_bAbort.Clear();
    g_bDeviceRemoved = 0;
    const std::wstring version = m_host.ReadBrelkVersion();
    // Connected only with the client's version read back.
    const bool ready = version == BuiltInVersion();
    // A Brelk that answers no version may sit in its loader, half-written.
    const bool inLoader = version.empty() && BrelkIsInLoader();
    const bool needsUpgrade = inLoader || (!version.empty() && !ready);
    const int view = ready ? kViewConnected : kViewNotReady;
    // The Brelk shown is still there, on its port, with its version: the
    // notice was another device's (or came while a worker ran), and nothing
    // shown changes.
    const bool unchanged = m_nConnectState != 0 && m_nConnectView == view && !inLoader &&
                           g_nBrelkPort == m_nShownPort && version == m_strShownVersion;
    SetConnectState(view, 1);
    m_nShownPort = g_nBrelkPort;
    m_strShownVersion = version;
    if (!unchanged) {
        ShowConnection(view);
        m_host.ShowBrelkVersion(version);
    }
    if (!needsUpgrade || m_bUpgradeRunning || m_host.IsBrelkUpgradeRunning()) {
        if (!unchanged) {
            if (ready)
                ShowStatus(L"CONNECTED", kStatusBlue);
            else if (needsUpgrade)
                ShowStatus(L"BRELK_UPGRADING", kStatusBlue);
            else
                ShowStatus(L"BRELK_NO_ANSWER", kStatusRed);
        }
        return;
    }
    // One automatic upgrade per arrival: a Brelk that keeps another version
    // afterwards is shown so, not upgraded over and over.
    if (m_bUpgradedThisArrival) {
        if (!unchanged)
            ShowStatus(L"UPGRADEERRPR", kStatusRed);
        return;
    }
    ShowStatus(L"BRELK_UPGRADING", kStatusBlue);
    AfterUpgrade(RunAutomaticUpgrade());
}

void CDevicePresence::AfterUpgrade(int result)
{
    // Unplugged meanwhile (the notifications were not looked at): it is
    // gone, and upgraded again when it comes back.
    const bool pulled = result != 1 && m_host.BrelkUpgradeUnplugged();
    if (!BrelkNodePresent()) {
        SerialClose();
        Gone();
        return;
    }
    if (pulled) {
        // Plugged in again while its failure was said: a new arrival.
        SerialClose();
        m_bUpgradedThisArrival = false;
        m_host.PresenceWindow().PostMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        return;
    }
    const std::wstring version = m_host.ReadBrelkVersion();
    m_strShownVersion = version;
    const bool ready = version == BuiltInVersion();
    if (!version.empty())
        m_host.RecordBrelkVersion(version);
    else
        m_host.ShowBrelkVersion(version);
    ShowConnection(ready ? kViewConnected : kViewNotReady);
    if (ready)
        ShowStatus(L"CONNECTED", kStatusBlue);
    else
        ShowStatus(L"UPGRADEERRPR", kStatusRed);
}

void CDevicePresence::Gone()
{
    // Already shown gone: the notice was another device's.
    const bool unchanged = m_nConnectView == kViewDisconnected;
    if (!StartUpWindowExists() && !unchanged)
        ShowConnection(kViewDisconnected);
    // Removed first: the waits the stop wakes find the Brelk gone.
    g_bDeviceRemoved = 1;
    g_bAbort.Set();
    m_bIgnoreDeviceChange = false;
    m_bUpgradedThisArrival = false;
    ForgetBrelk();
    if (!unchanged)
        ShowStatus(L"DISCONNECTED", kStatusRed);
}

void CDevicePresence::ForgetBrelk()
{
    m_nShownPort = 0;
    m_strShownVersion.clear();
    m_host.ShowBrelkVersion(L"");
}

void CDevicePresence::CheckWhileBusy()
{
    // The worker owns the port: nothing is closed or opened under it.
    m_bChangeWhileBusy = true;
    if (BrelkNodePresent())
        return;
    // Removed first, so the waits the stop wakes find the Brelk gone. The
    // running operation stops at its next exchange and starts no next
    // attempt (a new programming object would clear g_bAbort alone).
    g_bDeviceRemoved = 1;
    RequestOperationStop();
    if (m_nConnectView == kViewDisconnected)
        return;
    if (!StartUpWindowExists())
        ShowConnection(kViewDisconnected);
    ForgetBrelk();
    ShowStatus(L"DISCONNECTED", kStatusRed);
}

void CDevicePresence::OnWorkerEnded()
{
    if (!m_bChangeWhileBusy || g_bBusy)
        return;
    m_bChangeWhileBusy = false;
    OnDeviceChange(DBT_DEVNODES_CHANGED);
}

void CDevicePresence::RestoreControls()
{
    if (g_bBusy || m_bUpgradeRunning)
        return;
    if (CBasePage* page = m_host.GetCurrentPage())
        page->EnableActions(true);
    if (INavigationLock* navigation = m_host.GetNavigationLock())
        navigation->UnlockNavigation();
}

// ---- entering the program -----------------------------------------------------------

bool CDevicePresence::StartUpWindowExists() const { return m_pStartUp && m_pStartUp->IsCreated(); }

void CDevicePresence::SetConnectState(int view, int connected)
{
    if (m_nConnectState != 0)
        return;
    m_nConnectState = connected;
    if (connected) {
        ShowConnection(view);
        // The main tabs come up in place of the help button; the car tab shows the car page.
        m_host.ShowProgramEntered(true);
        // The object stays: this may run inside the window's own key handler.
        if (m_pStartUp)
            m_pStartUp->DestroyWindow();
        m_host.CloseDocumentViewer();
        return;
    }
    ShowConnection(kViewSearching);
    m_host.ShowProgramEntered(false);
    if (CBasePage* page = m_host.GetCurrentPage())
        page->ShowWindow(SW_HIDE);
    if (!m_pStartUp)
        m_pStartUp = std::make_unique<CStartUp>([this] { SetConnectState(kViewDisconnected, 1); });
    if (!m_pStartUp->IsCreated())
        m_pStartUp->Create(&m_host.PresenceWindow(), m_host.GetPageRect(), CStartUp::kId, WS_CHILD | WS_VISIBLE);
    m_pStartUp->ShowWindow(SW_SHOW);
    m_pStartUp->UpdateWindow();
    m_pStartUp->SetFocus();
}

// ---- what the connection shows --------------------------------------------------------

void CDevicePresence::ShowConnection(int view)
{
    m_nConnectView = view;
    static const char* const kNames[] = {"SEARCHING", "CONNECTED", "DISCONNECTED", "NOT READY"};
    DebugTrace("Brelk connection: %s\n", view >= 0 && view <= kViewNotReady ? kNames[view] : "?");
    m_host.ShowConnectView(view);
}

void CDevicePresence::ShowStatus(const wchar_t* key, COLORREF color)
{
    // An operation's outcome stays on its page until the user's next action;
    // the top pane shows the connection meanwhile.
    // Remembered either way: when the outcome ends, the page shows the
    // connection of that moment.
    m_strStatusKey = key;
    m_statusColor = color;
    if (m_host.ShowsOperationOutcome())
        DebugTrace("Brelk status %s left under the outcome shown\n", WideToUtf8(std::wstring(key)).c_str());
    else
        DebugTrace("Brelk status: %s\n", WideToUtf8(std::wstring(key)).c_str());
    m_host.ShowConnectionStatus(key, color);
}

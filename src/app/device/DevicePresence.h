#pragma once
// The Brelk coming and going, as the main window follows it: the first contact
// while the window is created, every WM_DEVICECHANGE afterwards (from udev and
// from the links folder), the connection shown in the top pane and on the
// operation page, the automatic firmware upgrade of a Brelk that needs one,
// and the start-up window that covers the page area until a Brelk has been
// seen once or the user enters with F2.
//
// All of it runs on the UI thread. While an operation runs (g_bBusy), or
// another worker of the main window uses the port, a device change closes
// nothing under the worker: it only checks that the Brelk's device node is
// still there, stops the operation when it is gone, and is handled in full
// when the worker has ended.
#include "Color.h"
#include "DeviceMonitor.h"
#include "WinDefs.h"

#include <memory>
#include <string>

class IPresenceHost;
class CStartUp;
class DeviceWatcher;

class CDevicePresence {
public:
    // Connection views of the top pane's indicator.
    static constexpr int kViewSearching = 0;
    static constexpr int kViewConnected = 1;
    static constexpr int kViewDisconnected = 2;
    // A Brelk is there, but not at the client's version (in its loader,
    // being upgraded, or answering none): never shown connected.
    static constexpr int kViewNotReady = 3;

    explicit CDevicePresence(IPresenceHost& host);
    ~CDevicePresence();
    CDevicePresence(const CDevicePresence&) = delete;
    CDevicePresence& operator=(const CDevicePresence&) = delete;

    // The source of device notifications (udev and the links folder unless a
    // test gives another, or none); before StartWatching.
    void SetMonitor(std::unique_ptr<IDeviceMonitor> monitor);
    // Device notifications come to the main window from now on.
    void StartWatching();
    // The watch ends and the start-up window goes (the main window's destroy).
    void Stop();

    // The first contact, the last step of the main window's creation: the
    // version, the upgrade when it differs (or the Brelk sits in its loader),
    // [Config] BrelkVersion, and the program entered when a Brelk answered.
    void ConnectAtStart();
    // WM_DEVICECHANGE (the event is not looked at).
    void OnDeviceChange(UINT event);
    // A worker ended: a device change that came while it ran is handled now.
    void OnWorkerEnded();

    // Enters the program once (connect state 1): with a Brelk, or by F2.
    // Until then the start-up window covers the page area.
    void SetConnectState(int view, int connected);
    int GetConnectState() const { return m_nConnectState; }
    bool StartUpWindowExists() const;
    CStartUp* GetStartUpWindow() const { return m_pStartUp.get(); }

    bool IsUpgradeRunning() const { return m_bUpgradeRunning; }
    bool IgnoresDeviceChanges() const { return m_bIgnoreDeviceChange; }

    // What the connection shows now: the indicator's view, and the language
    // key of the last connection status with its colour (an operation's
    // outcome is never written over; the page shows this status when the
    // outcome ends).
    int GetConnectView() const { return m_nConnectView; }
    const std::wstring& GetStatusKey() const { return m_strStatusKey; }
    COLORREF GetStatusColor() const { return m_statusColor; }

private:
    // Both flags are set around every upgrade and cleared on every way out;
    // the upgrade's result.
    int RunAutomaticUpgrade();
    // After an automatic upgrade: the Brelk shown as it came out of it. One
    // pulled in its middle is upgraded again when it comes back.
    void AfterUpgrade(int result);
    void Arrived();
    void Gone();
    // No Brelk answers: no port or version is remembered or shown for it.
    void ForgetBrelk();
    void CheckWhileBusy();
    // The page's actions and the navigation come back, unless something runs.
    void RestoreControls();
    // The top pane's indicator and the operation page's status line: the one
    // place the connection is shown.
    void ShowConnection(int view);
    void ShowStatus(const wchar_t* key, COLORREF color);

    IPresenceHost& m_host;
    std::unique_ptr<IDeviceMonitor> m_monitor;
    bool m_bMonitorGiven = false;
    std::unique_ptr<DeviceWatcher> m_watcher;
    std::unique_ptr<CStartUp> m_pStartUp;
    int m_nConnectState = 0;
    bool m_bUpgradeRunning = false;
    bool m_bIgnoreDeviceChange = false;
    // The Brelk now attached was upgraded automatically once; not again until
    // it has been seen gone (an upgrade it was pulled out of counts as gone).
    bool m_bUpgradedThisArrival = false;
    bool m_bChangeWhileBusy = false;
    int m_nConnectView = kViewSearching;
    // The Brelk the connection view shows: its port and version.
    int m_nShownPort = 0;
    std::wstring m_strShownVersion;
    std::wstring m_strStatusKey;
    COLORREF m_statusColor = 0;
};

#pragma once
// What following the Brelk asks of the main window: the window device
// notices go to and whose page area the start-up window covers, the Brelk's
// version read and shown, its firmware upgrade, the workers that own the
// port, and the places the connection is shown (the top pane's indicator and
// tabs, the operation pages' status lines). The main dialog implements it.
// UI thread.
#include "Color.h"
#include "WinDefs.h"

#include <string>

class CBasePage;
class INavigationLock;
class Wnd;

class IPresenceHost {
public:
    virtual ~IPresenceHost() = default;
    virtual Wnd& PresenceWindow() = 0;
    virtual const CRect& GetPageRect() const = 0;
    virtual CBasePage* GetCurrentPage() const = 0;

    // The Brelk's version; empty when none answers.
    virtual std::wstring ReadBrelkVersion() = 0;
    // [Config] "BrelkVersion" and the settings page's version text.
    virtual void RecordBrelkVersion(const std::wstring& version) = 0;
    // The settings page's version text alone.
    virtual void ShowBrelkVersion(const std::wstring& version) = 0;
    // Writes the built-in firmware into the Brelk; 1 when it came back with it.
    virtual int UpgradeBrelk() = 0;
    // The firmware upgrade's exchange runs.
    virtual bool IsBrelkUpgradeRunning() const = 0;
    // The last upgrade broke off because the Brelk left the bus.
    virtual bool BrelkUpgradeUnplugged() const = 0;
    // A worker of the window runs (it may own the port).
    virtual bool IsWorkerRunning() const = 0;

    // The top pane's connection indicator in that view.
    virtual void ShowConnectView(int view) = 0;
    // The program entered: the main tabs in place of the help button, the car
    // tab pressed. Not entered: the tabs and the search box hidden.
    virtual void ShowProgramEntered(bool entered) = 0;
    // The document the user opened (the help) closes with the start-up window.
    virtual void CloseDocumentViewer() = 0;
    // The top pane's navigation controls, or null.
    virtual INavigationLock* GetNavigationLock() const = 0;
    // The current operation page's status line holds an operation's outcome.
    virtual bool ShowsOperationOutcome() const = 0;
    // The connection, by its language key, on every operation page that shows no outcome.
    virtual void ShowConnectionStatus(const wchar_t* key, COLORREF colour) = 0;
};

#pragma once
// The main window: a borderless dialog with rounded corners holding the top
// pane, the foot pane, the page scroll bar and one visible page at a time. It
// makes the pages on first use, keeps a page history per tab and per region,
// keeps the user's selection (a vehicle or a part number), switches the
// language, follows the Brelk: the first contact while it is created, its
// arrival and removal, and its firmware upgrade (DevicePresence,
// BrelkUpgrade), and runs the sensor operations (SensorOperations).
#include "AppFlags.h"
#include "Dialog.h"
#include "Ini.h"
#include "LabelSource.h"
#include "OperationHost.h"
#include "PageFactory.h"
#include "PageHistory.h"
#include "PageHost.h"
#include "PresenceHost.h"
#include "ProcessRunner.h"
#include "Selection.h"
#include "SensorOperations.h"
#include "SerialPort.h"
#include "TopPane.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CBasePage;
class CBrand;
class CBrelkUpgrade;
class CDevicePresence;
class CFootPane;
class CModel;
class CMyScrollBar;
class CPageSetup;
class CPartNo;
class CYear;

// What the window is sized from: the screen and its work area.
struct ScreenInfo {
    CSize screen;
    CRect workArea;
};

class CBRELK2Dlg : public Dialog, public IPageHost, public IOperationHost, public IPresenceHost {
public:
    static constexpr int kTopPaneId = 10000;
    static constexpr int kFootPaneId = 10010;
    static constexpr int kScrollBarId = 16101;
    static constexpr int kScrollBarWidth = 16;

    // Sizes itself for the primary screen, or for the one given; looks up the
    // Brelk's port.
    explicit CBRELK2Dlg(const ScreenInfo* screen = nullptr);
    // Deletes the pages, then the vehicle database.
    ~CBRELK2Dlg() override;

    // The scale factor and the layout it gives, in client coordinates.
    double GetScale() const { return m_dScale; }
    CSize GetWindowSize() const { return CSize(m_nWidth, m_nHeight); }
    const CRect& GetTopRect() const { return m_rcTop; }
    const CRect& GetFootRect() const { return m_rcFoot; }
    const CRect& GetPageRect() const override { return m_rcPage; }

    // Pages. A page is made through the factory on first use (nothing when
    // the factory has none) and created as a child in the page area with its
    // id as control id; `created` tells whether it was made now.
    PageLink* GetOrCreatePage(int stackKind, int pageId, bool* created = nullptr);
    // Hides the page shown before, shows the link's page.
    void ShowPage(PageLink* link, bool rebuild, int restoreTabs);
    void OnNavigate(int pageId);
    // Back: from an operation page to the top of the current stack; from any
    // other page one step down the stack.
    void GoBack();
    PageLink* GetCurrentLink() const { return m_pCurrentLink; }
    CBasePage* GetCurrentPage() const override;
    PageHistory& GetPageHistory() { return m_history; }
    // Tests make their own pages.
    void SetPageFactory(PageFactory factory) { m_pageFactory = std::move(factory); }

    // The selection: a brand opens its model page (and forgets the model
    // chosen before); a model tile sets the model; a year or a part number
    // prepares the operation pages.
    void OnBrandSelected(const CBrand* brand);
    void OnVehicleSelected(const CYear* year);
    void OnPartNoSelected(const CPartNo* partNo);
    // The selection in use: the pages and the operations read it.
    const Selection& GetSelection() const override { return m_selection; }
    // The selected sensor code (hexadecimal in the records), 0 when nothing is selected.
    unsigned GetCurrentSensorCode() const { return m_selection.SensorCode(); }
    // The identifier prefix of the selection.
    std::wstring GetSelectionSensorText() const { return m_selection.SensorText(); }
    void SetBrandSelection(const CBrand* brand) { m_selection.brand = brand; }
    void SetModelSelection(const CModel* model) override { m_selection.model = model; }
    const CBrand* GetBrandSelection() const { return m_selection.brand; }
    const CModel* GetModelSelection() const { return m_selection.model; }
    CBasePage* GetPageWindow() const { return m_pModelPage; }
    const CYear* GetVehicleSelection() const { return m_selection.year; }
    const CPartNo* GetPartNoSelection() const { return m_selection.partNo; }
    int GetSelectionKind() const { return m_selection.kind; } // 0 vehicle, 1 part number
    int GetCurrentOperationPage() const { return m_nCurOperationPage; }

    // Loads the language and has the top pane and every page reload their texts.
    void OnLanguageChanged(const std::wstring& code);
    // 16: the About box.
    void OnSysCommand(UINT id);

    // IPageHost.
    int ShowScrollBar(int contentHeight) override;
    CTopPane* GetTopPane() const override { return m_pTopPane.get(); }
    CFootPane* GetFootPane() const { return m_pFootPane.get(); }
    CMyScrollBar* GetScrollBar() const { return m_pScrollBar.get(); }

    // ---- the Brelk (the substance is in DevicePresence and BrelkUpgrade) ----
    // The first contact runs while the window is created: the version, the
    // firmware upgrade when it differs, then [Config] BrelkVersion.
    void ConnectBrelkAtStart();
    std::wstring ReadBrelkVersion() override;
    // The Brelk's version is known: [Config] "BrelkVersion", and the settings
    // page's version text once the settings page is there.
    void RecordBrelkVersion(const std::wstring& version) override;
    // The settings page's version text alone: empty when no Brelk answers.
    void ShowBrelkVersion(const std::wstring& version) override;
    // The settings page, once it was made.
    CPageSetup* GetSettingsPage() const;
    // Reads the catalog member "/vornix/composesource/" + name as the image.
    bool ReadCatalogFile(const std::wstring& name);
    // Writes the built-in firmware into the Brelk; 1 when the Brelk came back
    // with the built-in version.
    int UpgradeBrelk() override;
    // The blocks of the image; 1 when the Brelk took every one.
    int SendUpgradeBlocks(const uint8_t* image, size_t size);
    CBrelkUpgrade& GetUpgrade() const { return *m_pUpgrade; }
    // WM_DEVICECHANGE: the Brelk came or went.
    LRESULT OnDeviceChange(UINT event, const LPARAM& data);
    // Enters the program once: with a Brelk, or by F2 on the start-up window.
    void SetConnectState(int view, int connected);
    int GetConnectState() const;
    bool IsUpgradeRunning() const;
    bool IgnoresDeviceChanges() const;
    CDevicePresence& GetDevicePresence() const { return *m_pPresence; }
    // IPresenceHost.
    Wnd& PresenceWindow() override { return *this; }
    bool IsBrelkUpgradeRunning() const override;
    bool BrelkUpgradeUnplugged() const override;
    void ShowConnectView(int view) override;
    void ShowProgramEntered(bool entered) override;
    void CloseDocumentViewer() override;
    INavigationLock* GetNavigationLock() const override;

    // Runs the procedure on a worker thread of its own. Closing the window
    // stops the workers (g_bAbort) and waits for them before anything goes.
    void BeginWorker(std::function<void()> procedure) override;
    bool IsWorkerRunning() const override;

    // Labels: Print (10301) on a sensor operation page prints the last result
    // the Brelk confirmed (SensorLabels.h); the print settings (10302) run
    // their dialog and save what it confirmed.
    void PrintLabel();
    void OnPrintSetting();
    // What Print prints from: the page shown, its ID box, the last confirmed
    // result and the selection.
    LabelSource GetLabelSource() const;

    const CIni& GetIni() const override { return m_ini; }

    // ---- sensor operations (the substance is in SensorOperations) ----------

    // [Setup] IDFormat is "H".
    bool IsHexIdFormat() const;
    std::wstring FormatIdText(uint32_t id, bool hex) const;

    CSensorOperations& Operations() { return *m_pOperations; }
    // IOperationHost.
    Wnd* MessageOwner() override { return this; }
    CBasePage* FindPage(int pageId) const override;
    // The status line of the current operation page, in the language in use
    // now and after a change of it; nothing on other pages.
    void SetOperationStatus(const StatusText& text, COLORREF colour) override;
    // The current operation page's status line holds an operation's outcome,
    // which a device notice leaves alone.
    bool ShowsOperationOutcome() const override;
    // The connection (a language key) on the status line of every operation
    // page made so far that shows no outcome, so the page shown next is in
    // step with it.
    void ShowConnectionStatus(const wchar_t* key, COLORREF colour) override;
    // The top pane's navigation controls off while an operation runs.
    void LockNavigation(bool locked) override;
    bool IsNavigationLocked() const;
    // An operation's worker runs (g_bBusy is set until it ends).
    bool IsOperationRunning() const { return g_bBusy != 0; }
    // The last operation that succeeded: the identifiers a label may name,
    // with the base their texts were formatted in. Emptied when an operation
    // starts and when a new vehicle or part number is chosen. UI thread.
    const OperationResult& GetLastResult() const { return m_lastResult; }
    void SetLastResult(const OperationResult& result) override { m_lastResult = result; }
    void ClearLastResult() override { m_lastResult = OperationResult(); }
    const std::wstring& GetHelpPath() const { return m_strHelpPath; }
    CProcessRunner& GetDocumentViewer() { return m_viewer; }

protected:
    int OnCreate() override;
    bool OnInitDialog() override;
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    // Esc and Enter never close the main window.
    bool PreTranslateKeyDown(UINT vk) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Refused with a message while the Brelk's firmware is written.
    void OnClose() override;
    // The document opener last started is watched: reaped when it ends, and
    // named to the user when it could not open its document.
    void OnTimer(UINT_PTR id) override;

private:
    LRESULT OnPageAction(const WPARAM& wParam, const LPARAM& lParam);
    void OnCommand(int command);
    // Opens a document or folder with the desktop's viewer; a missing one, or
    // one that cannot be opened, is named to the user.
    void OpenDocument(const std::wstring& path);
    void SayDocumentNotOpened(const std::wstring& path);
    // Kind 6: the operation buttons.
    void OnOperationAction(int command);
    // The settings tab: the page takes the self-update's reports and shows
    // the Brelk's version, read off the UI thread.
    void OnSettingsPageShown();
    void ReadVersionForSettingsPage();
    // The settings page's upgrade button.
    void StartSelfUpdate();
    // The search text changed: it becomes the current page's filter.
    LRESULT OnSearchChanged();
    LRESULT OnScrollBarNotify();
    LRESULT OnMyScrollLMouse(int flags, int delta);
    void PrepareOperationPages();
    // Stops the workers and waits for them with the events running.
    void WaitForWorkers();
    int CurrentRegion() const;

    double m_dScale = 1.0;
    int m_nWidth = 1024;
    int m_nHeight = 768;
    CRect m_rcTop;
    CRect m_rcFoot;
    CRect m_rcPage;

    std::unique_ptr<CTopPane> m_pTopPane;
    std::unique_ptr<CFootPane> m_pFootPane;
    std::unique_ptr<CMyScrollBar> m_pScrollBar;

    PageFactory m_pageFactory = CreatePageById;
    PageHistory m_history;
    PageLink* m_pCurrentLink = nullptr;

    Selection m_selection;
    CBasePage* m_pModelPage = nullptr;
    int m_nCurOperationPage = 10204;

    std::unique_ptr<CSensorOperations> m_pOperations;
    OperationResult m_lastResult;

    CIni m_ini;
    std::wstring m_strAppFolder;
    std::wstring m_strHelpPath;
    CProcessRunner m_viewer;
    uint32_t m_viewerStartedAt = 0; // tick of its start, for the watch
    bool m_bClosing = false;
    bool m_bVersionReadRunning = false;
    std::unique_ptr<CBrelkUpgrade> m_pUpgrade;
    std::unique_ptr<CDevicePresence> m_pPresence;

    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> m_workers;
};

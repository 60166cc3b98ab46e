#include "BRELK2Dlg.h"

#include "AboutDlg.h"
#include "AppFlags.h"
#include "AppMessages.h"
#include "BRELK2App.h"
#include "BasePage.h"
#include "BrelkCommands.h"
#include "BrelkUpgrade.h"
#include "Clock.h"
#include "CodePage.h"
#include "DebugTrace.h"
#include "DevicePresence.h"
#include "FootPane.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "MyScrollBar.h"
#include "PageModel.h"
#include "PageSetup.h"
#include "Paths.h"
#include "PrintSettingDlg.h"
#include "SearchUsbPort.h"
#include "SensorLabels.h"
#include "SetupFile.h"
#include "SharedHelpers.h"
#include "TestSensorRightPane.h"
#include "TextLog.h"
#include "TopPane.h"
#include "TsNetlayer.h"
#include "UiApp.h"
#include "UiLanguage.h"
#include "UiScale.h"
#include "UiThread.h"
#include "UpgradeCtrl.h"
#include "VehicleDatabase.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr int kTopHeight = 70;
constexpr int kFootHeight = 33;
constexpr int kCornerSize = 9;
constexpr int kLanguageBox = 10115;
constexpr COLORREF kDialogFace = 0xF0F0F0;

// Operation buttons (kind 6) beside those of the sensor operations.
constexpr int kCmdUpgrade = 10210;
constexpr int kCmdPrint = 10301;
constexpr int kCmdPrintSetting = 10302;

constexpr const wchar_t* kUnknownActionText = L"Unknown action.";
// The watch of the document opener: how often it is looked at, and how long
// after its start an unsuccessful end still means the document was not opened.
constexpr UINT_PTR kViewerWatchTimer = 7301;
constexpr UINT kViewerWatchMs = 200;
constexpr uint32_t kOpenerVerdictMs = 15000;

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

std::wstring TextOr(const wchar_t* key, const wchar_t* fallback)
{
    return GetLanguageManager().GetTextOr(key, fallback);
}

bool IsOperationPage(int pageId) { return pageId >= kPageTestSensor && pageId <= kPageCopySensor; }

ScreenInfo PrimaryScreen() { return ScreenInfo{UiApp::GetScreenSize(), UiApp::GetWorkArea()}; }

// Sets the process-wide factor for the screen and gives the window's size.
CSize SizeForScreen(const ScreenInfo* given)
{
    const ScreenInfo screen = given ? *given : PrimaryScreen();
    g_dUiScale = ComputeUiScale(screen.screen.cx, screen.workArea.Height());
    return CSize(static_cast<int>(g_dUiScale * kUiDesignWidth), static_cast<int>(g_dUiScale * kUiDesignHeight));
}

} // namespace

CBRELK2Dlg::CBRELK2Dlg(const ScreenInfo* screen) : Dialog(SizeForScreen(screen), WS_POPUP)
{
    m_dScale = g_dUiScale;
    m_nWidth = static_cast<int>(m_dScale * kUiDesignWidth);
    m_nHeight = static_cast<int>(m_dScale * kUiDesignHeight);
    m_rcTop = CRect(0, 0, m_nWidth, kTopHeight);
    m_rcFoot = CRect(0, m_nHeight - kFootHeight, m_nWidth, m_nHeight);
    m_rcPage = CRect(1, kTopHeight, m_nWidth - 2, m_nHeight - kFootHeight);
    FindDeviceComPort();
    g_bDeviceRemoved = 0;
    m_nCurOperationPage = kPageTestSensor;
    m_strAppFolder = theApp.GetAppFolder();
    m_strHelpPath = m_strAppFolder + L"/pc_can't_connect_brelk.chm";
    m_pUpgrade = std::make_unique<CBrelkUpgrade>(*this);
    m_pPresence = std::make_unique<CDevicePresence>(*this);
    m_pOperations = std::make_unique<CSensorOperations>(*this, m_selection, m_ini);
}

CBRELK2Dlg::~CBRELK2Dlg()
{
    // A window that was never closed still stops its workers before its pages go.
    WaitForWorkers();
    m_pCurrentLink = nullptr;
    m_pModelPage = nullptr;
    // The pages keep records of the database: they go first.
    m_history.Clear();
    DeleteVehicleDatabase();
}

// ---- creation and teardown ---------------------------------------------------

int CBRELK2Dlg::OnCreate()
{
    SetWindowText(GetLanguageManager().GetText(L"APP_TITLE"));
    MoveWindow(0, 0, m_nWidth, m_nHeight);
    SetWindowRgnRoundRect(CRect(0, 0, m_nWidth, m_nHeight), kCornerSize, kCornerSize);

    m_pTopPane = std::make_unique<CTopPane>(this);
    m_pTopPane->Create(this, m_rcTop, kTopPaneId);
    m_pFootPane = std::make_unique<CFootPane>();
    m_pFootPane->Create(this, m_rcFoot, kFootPaneId);
    m_pScrollBar = std::make_unique<CMyScrollBar>();
    m_pScrollBar->Create(this, CRect(m_rcPage.right - kScrollBarWidth, m_rcPage.top, m_rcPage.right, m_rcPage.bottom),
                         kScrollBarId, WS_CHILD);

    const std::wstring dataFolder = GetDataFolder();
    m_ini.path = dataFolder + L"Setup.ini";
    CTextLog& log = CTextLog::Instance();
    log.SetDirectory(WideToUtf8(dataFolder).c_str());
    log.Write("ini file path:%s", WideToUtf8(m_ini.path).c_str());

    // Device changes are followed from the start, so none is missed meanwhile.
    m_pPresence->StartWatching();
    ConnectBrelkAtStart();
    return 0;
}

bool CBRELK2Dlg::OnInitDialog()
{
    // The About box has no system menu to go in: the top pane's context menu holds it.
    std::unique_ptr<Image> icon = LoadPngResource(128);
    SetIcon(icon.get());
    return false;
}

void CBRELK2Dlg::OnDestroy()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    // Nothing a worker uses may go while it runs.
    WaitForWorkers();
    m_pPresence->Stop();
    // The self-update's download may be writing the settings page: it ends
    // first, with the events running, while the windows are still here.
    CUpgradeCtrl::Shutdown();
    if (m_pTopPane)
        m_pTopPane->DestroyWindow();
    m_pTopPane.reset();
    if (m_pFootPane)
        m_pFootPane->DestroyWindow();
    m_pFootPane.reset();
    if (m_pScrollBar)
        m_pScrollBar->DestroyWindow();
    m_pScrollBar.reset();
    // The pages' windows go with the dialog's; the objects with the dialog.
}

bool CBRELK2Dlg::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kDialogFace);
    return true;
}

void CBRELK2Dlg::OnPaint(Graphics& g)
{
    const Color border(0xFF7C7D7F);
    const float top = float(m_rcPage.top), bottom = float(m_rcPage.bottom);
    g.DrawLine(border, 2, float(m_rcPage.left), top, float(m_rcPage.left), bottom);
    g.DrawLine(border, 2, float(m_rcPage.right + 1), top, float(m_rcPage.right + 1), bottom);
}

bool CBRELK2Dlg::PreTranslateKeyDown(UINT vk) { return vk == VK_ESCAPE || vk == VK_RETURN; }

void CBRELK2Dlg::OnSysCommand(UINT id)
{
    if (id == CTopPane::kAboutCommand) {
        CAboutDlg about;
        about.DoModal(this);
    }
}

// ---- workers -----------------------------------------------------------------------

void CBRELK2Dlg::BeginWorker(std::function<void()> procedure)
{
    RunOnUiThread([&] {
        std::erase_if(m_workers, [](Worker& w) {
            if (!*w.done)
                return false;
            w.thread.join();
            return true;
        });
        auto done = std::make_shared<std::atomic<bool>>(false);
        const HWND self = GetSafeHwnd();
        std::thread thread([procedure = std::move(procedure), done, self] {
            procedure();
            *done = true;
            // A device change that came meanwhile is handled now.
            ::PostMessage(self, WM_WORKER_ENDED);
        });
        m_workers.push_back(Worker{std::move(thread), done});
    });
}

bool CBRELK2Dlg::IsWorkerRunning() const
{
    return CallOnUiThread(
        [&] { return std::any_of(m_workers.begin(), m_workers.end(), [](const Worker& w) { return !*w.done; }); });
}

void CBRELK2Dlg::WaitForWorkers()
{
    RunOnUiThread([&] {
        if (IsWorkerRunning()) {
            // Every serial send and receive returns at once now, and no next
            // attempt starts, so the worker runs to its end; it may still
            // write the pages or ask a question meanwhile, so the events go
            // on and the window takes no input.
            RequestOperationStop();
            EnableWindow(false);
            PumpUntil([&] { return !IsWorkerRunning(); });
        }
        for (Worker& w : m_workers)
            if (w.thread.joinable())
                w.thread.join();
        m_workers.clear();
    });
}

// ---- messages --------------------------------------------------------------------

LRESULT CBRELK2Dlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAGE_ACTION: return OnPageAction(wParam, lParam);
    case WM_SEARCH_CHANGED: return OnSearchChanged();
    case WM_SCROLLBAR_RELEASED: return OnScrollBarNotify();
    case WM_SCROLL_WHEEL: return OnMyScrollLMouse(wParam.Int(), lParam.Int());
    case WM_SERIAL_ERROR: return 0;
    case WM_DEVICECHANGE: return OnDeviceChange(wParam.IsTyped() ? 0 : static_cast<UINT>(wParam.Int()), lParam);
    case WM_WORKER_ENDED: m_pPresence->OnWorkerEnded(); return 0;
    default: return Dialog::OnMessage(msg, wParam, lParam);
    }
}

LRESULT CBRELK2Dlg::OnPageAction(const WPARAM& wParam, const LPARAM& lParam)
{
    const int id = wParam.IsTyped() ? 0 : wParam.Int();
    if (id == CTopPane::kBackId) {
        GoBack();
        return 0;
    }
    const int kind = lParam.IsTyped() ? -1 : lParam.Int();
    switch (kind) {
    case kActionCommand: OnCommand(id); break;
    case kActionNavigate:
        OnNavigate(id);
        if (id == kPageCreateSensor)
            m_pOperations->PrepareCreatePage();
        else if (id == kPageSetup)
            OnSettingsPageShown();
        break;
    case kActionBrand:
        // A brand panel sends its brand's name; the record is the current
        // region's, which its page shows (read), and gets its models now.
        if (const std::wstring* name = wParam.As<const std::wstring>()) {
            CVehicleDatabase* db = GetVehicleDatabase();
            CBrands* brands = db ? db->LoadedBrands(static_cast<ECarsStyle>(CurrentRegion())) : nullptr;
            if (const CBrand* brand = brands ? brands->FindBrand(*name) : nullptr) {
                db->OpenBrand(brand);
                OnBrandSelected(brand);
            }
        }
        break;
    case kActionVehicle:
        if (const CYear* year = wParam.As<const CYear>())
            OnVehicleSelected(year);
        break;
    case kActionPartNo:
        if (const CPartNo* partNo = wParam.As<const CPartNo>())
            OnPartNoSelected(partNo);
        break;
    case kActionOperation:
        // The hidden stop button does nothing at all.
        if (id == kCmdHiddenStop)
            return 0;
        OnOperationAction(id);
        break;
    case kActionScroll:
        if (const ScrollBarPos* pos = wParam.As<const ScrollBarPos>())
            if (CBasePage* page = GetCurrentPage())
                page->OnScrollBarPos(*pos);
        break;
    default: break;
    }
    // The settings page's language box sends its language code, whatever the kind.
    if (id == kLanguageBox)
        if (const std::wstring* code = lParam.As<const std::wstring>())
            OnLanguageChanged(*code);
    return 0;
}

void CBRELK2Dlg::OnCommand(int command)
{
    static const wchar_t* const kFunctionLists[5] = {L"/FunctionList_US.pdf", L"/FunctionList_EU.pdf",
                                                     L"/FunctionList_AU.pdf", L"/FunctionList_JP.pdf",
                                                     L"/FunctionList_KR.pdf"};
    switch (command) {
    case CTopPane::kCloseId:
        if (m_pUpgrade->IsRunning()) {
            m_pUpgrade->RefuseClose();
            break;
        }
        // The modal loop ends; the workers are stopped and waited for as the window goes.
        PostQuitMessage(0);
        break;
    case CTopPane::kMinimiseId: ShowWindow(SW_MINIMIZE); break;
    case CTopPane::kHelpId: OpenDocument(m_strHelpPath); break;
    case CTopPane::kFunctionListId: {
        const int region = theApp.m_setupInfo.carsStyle;
        const wchar_t* file = region >= 1 && region <= 5 ? kFunctionLists[region - 1] : kFunctionLists[0];
        OpenDocument(m_strAppFolder + file);
        break;
    }
    case CTopPane::kDailyFileId: {
        const std::wstring folder = GetDataFolder() + L"DailyFile";
        CreateFolders(WideToUtf8(folder));
        OpenDocument(folder);
        break;
    }
    default: break;
    }
}

void CBRELK2Dlg::OpenDocument(const std::wstring& path)
{
    // The user learns which document is missing instead of seeing nothing happen.
    if (!PathExists(ResolvePath(WideToUtf8(path)))) {
        MessageBox(this, TextOr(L"DOCUMENT_NOT_FOUND", L"The document was not found:") + L"\n" + path,
                   Text(L"APP_TITLE"), MB_OK);
        return;
    }
    if (!m_viewer.Open(GetSafeHwnd(), path)) {
        SayDocumentNotOpened(path);
        return;
    }
    // The opener tells whether the desktop had a viewer for it only by its
    // end, which the window must not wait for.
    m_viewerStartedAt = GetTickCount();
    SetTimer(kViewerWatchTimer, kViewerWatchMs);
}

void CBRELK2Dlg::SayDocumentNotOpened(const std::wstring& path)
{
    MessageBox(this, TextOr(L"DOCUMENT_NOT_OPENED", L"The document could not be opened:") + L"\n" + path,
               Text(L"APP_TITLE"), MB_OK);
}

void CBRELK2Dlg::OnTimer(UINT_PTR id)
{
    if (id != kViewerWatchTimer) {
        Dialog::OnTimer(id);
        return;
    }
    ChildProcess* viewer = m_viewer.Process();
    // Reaped here once it ends: no opener stays behind as a zombie.
    if (viewer && viewer->IsRunning())
        return;
    KillTimer(kViewerWatchTimer);
    // An opener that ends at once without success found nothing to open the
    // document with. One that ends later was the viewer itself, closed by the user.
    if (viewer && !viewer->EndedWell() && TicksSince(m_viewerStartedAt, GetTickCount()) < kOpenerVerdictMs)
        SayDocumentNotOpened(m_viewer.Path());
}

// ---- labels ------------------------------------------------------------------------

void CBRELK2Dlg::PrintLabel() { PrintSensorLabels(this, theApp.m_printSetting, GetLabelSource(), m_strAppFolder); }

void CBRELK2Dlg::OnPrintSetting()
{
    CPrintSettingDlg dlg;
    dlg.SetSettings(&theApp.m_printSetting);
    if (dlg.DoModal(this) == IDOK)
        SavePrintSetting(m_ini.path.empty() ? GetSetupIniFile() : m_ini.path, theApp.m_printSetting);
}

LabelSource CBRELK2Dlg::GetLabelSource() const
{
    LabelSource source;
    CBasePage* page = GetCurrentPage();
    source.pageType = page ? page->GetPageType() : 0;
    source.idBoxText = ShownIdText(page);
    source.operationRunning = IsOperationRunning();
    source.selection = MakeLabelSelection(m_selection.kind, m_selection.brand, m_selection.model, m_selection.year,
                                          m_selection.partNo);
    source.lastResult = ConfirmedIds(m_lastResult);
    return source;
}

// ---- the settings page -------------------------------------------------------------

CPageSetup* CBRELK2Dlg::GetSettingsPage() const
{
    for (const auto& link : m_history.Links())
        if (link->pageId == kPageSetup)
            return dynamic_cast<CPageSetup*>(link->page.get());
    return nullptr;
}

void CBRELK2Dlg::OnSettingsPageShown()
{
    CPageSetup* page = GetSettingsPage();
    if (!page)
        return;
    // The self-update reports to it from now on.
    CPageSetup::Register(page);
    // No Brelk, no version: not even the one of a Brelk seen before.
    if (m_pPresence->GetConnectView() != CDevicePresence::kViewConnected)
        page->SetVersionText(L"");
    ReadVersionForSettingsPage();
}

void CBRELK2Dlg::ReadVersionForSettingsPage()
{
    // The port is an operation's or the firmware upgrade's while they run; a
    // read under way already brings the version.
    if (m_bVersionReadRunning || g_bBusy || IsUpgradeRunning() || m_pUpgrade->IsRunning())
        return;
    m_bVersionReadRunning = true;
    // The Brelk may take its time to answer: the window goes on meanwhile.
    BeginWorker([this] {
        const std::wstring version = ReadBrelkVersion();
        RunOnUiThread([&] {
            m_bVersionReadRunning = false;
            if (CPageSetup* page = GetSettingsPage())
                page->SetVersionText(version);
        });
    });
}

void CBRELK2Dlg::StartSelfUpdate()
{
    CUpgradeCtrl& controller = CUpgradeCtrl::Instance();
    // A road under way gives the controls back itself; nothing is locked twice.
    if (controller.IsBusy())
        return;
    IUpgradePage& page = CPageSetup::UpgradeReports();
    page.SetUpgradeButtonState(CCustButton::kStateDisabled, false);
    page.SetUpgradeStatusColor(kStatusBlue);
    page.SetUpgradeButtonText(L"BTN_UPGRADE");
    if (m_pTopPane)
        m_pTopPane->LockNavigation();
    controller.SetUpgradePage(&page);
    controller.SetNavigationLock(m_pTopPane.get());
    controller.Start();
}

LRESULT CBRELK2Dlg::OnSearchChanged()
{
    if (CBasePage* page = GetCurrentPage(); page && m_pTopPane)
        page->SetFilterText(m_pTopPane->GetSearchText());
    return 0;
}

void CBRELK2Dlg::OnOperationAction(int command)
{
    if (command == kCmdStop) {
        RequestOperationStop();
        return;
    }
    // While an operation runs, Stop is the only button taken.
    if (g_bBusy)
        return;
    // The user's next action: the outcome gives way to the connection of
    // the moment (an operation it starts says its own status over it).
    if (m_pCurrentLink && m_pOperations->ShowsOutcome(m_pCurrentLink->pageId)) {
        m_pOperations->EndOutcome(m_pCurrentLink->pageId);
        const CDevicePresence& presence = *m_pPresence;
        auto* page = dynamic_cast<IOperationPage*>(m_pCurrentLink->page.get());
        if (page && !presence.GetStatusKey().empty())
            page->SetStatusText(StatusOfKey(presence.GetStatusKey()), presence.GetStatusColor());
    }
    switch (command) {
    case kCmdTestSensor:
    case kCmdTestBeforeCopy: m_pOperations->OnTestSensor(command); break;
    case kCmdGenerateId: m_pOperations->OnGenerateId(); break;
    case kCmdProgramCreate: m_pOperations->OnProgramCreate(); break;
    case kCmdProgramCopy: m_pOperations->OnProgramCopy(); break;
    case kCmdCheckSensor: m_pOperations->OnCheckSensor(); break;
    case kCmdUpgrade: StartSelfUpdate(); break;
    case kCmdPrint: PrintLabel(); break;
    case kCmdPrintSetting: OnPrintSetting(); break;
    default: MessageBox(this, kUnknownActionText, Text(L"APP_TITLE"), MB_OK); break;
    }
}

LRESULT CBRELK2Dlg::OnScrollBarNotify()
{
    if (CBasePage* page = GetCurrentPage())
        page->FocusPage();
    return 0;
}

LRESULT CBRELK2Dlg::OnMyScrollLMouse(int, int delta)
{
    DebugTrace(" CBRELK2Dlg::OnMyScrollLMouse \n");
    if (m_pScrollBar && m_pScrollBar->IsWindowVisible())
        m_pScrollBar->OnWheel(delta);
    return 1;
}

int CBRELK2Dlg::ShowScrollBar(int contentHeight)
{
    return CallOnUiThread([&] {
        CBasePage* page = GetCurrentPage();
        if (!m_pScrollBar)
            return 1;
        m_pScrollBar->MoveWindow(
            CRect(m_rcPage.right - kScrollBarWidth, m_rcPage.top, m_rcPage.right, m_rcPage.bottom));
        if (!page) {
            m_pScrollBar->ShowWindow(SW_HIDE);
            return 1;
        }
        if (!m_pScrollBar->ShowForContent(*page, m_rcPage, contentHeight))
            DebugTrace("  Hide Scroll Bar \n");
        return 1;
    });
}

// ---- pages -----------------------------------------------------------------------

CBasePage* CBRELK2Dlg::GetCurrentPage() const { return m_pCurrentLink ? m_pCurrentLink->page.get() : nullptr; }

int CBRELK2Dlg::CurrentRegion() const
{
    const int region = theApp.m_setupInfo.carsStyle;
    return region >= 1 && region <= 5 ? region : 1;
}

PageLink* CBRELK2Dlg::GetOrCreatePage(int stackKind, int pageId, bool* created)
{
    if (created)
        *created = false;
    if (PageLink* link = m_history.Find(pageId, stackKind)) {
        DebugTrace("Get Page From Exist Linker......\n");
        return link;
    }
    DebugTrace("Create Page......\n");
    std::unique_ptr<CBasePage> page = m_pageFactory ? m_pageFactory(pageId) : nullptr;
    if (!page)
        return nullptr;
    if (pageId == kPageCarRegion1) {
        theApp.m_setupInfo.carsStyle = 1;
        SaveSetupInfo(theApp.m_setupInfo, GetSetupIniFile());
    }
    auto link = std::make_unique<PageLink>();
    link->stackKind = stackKind;
    link->pageId = pageId;
    link->page = std::move(page);
    PageLink* added = m_history.Add(std::move(link));
    CBasePage* window = added->page.get();
    window->Create(this, m_rcPage, pageId, WS_CHILD | WS_VISIBLE);
    window->UpdateWindow();
    window->SetFocus();
    if (created)
        *created = true;
    return added;
}

void CBRELK2Dlg::ShowPage(PageLink* link, bool rebuild, int restoreTabs)
{
    if (!link || !link->page)
        return;
    CBasePage* previous = GetCurrentPage();
    if (previous && previous != link->page.get())
        previous->ShowWindow(SW_HIDE);
    m_pCurrentLink = link;
    CBasePage* page = link->page.get();
    page->ShowPage(rebuild, restoreTabs);
    page->UpdateWindow();
    page->SetFocus();
    DebugTrace("page %d shown\n", link->pageId);
}

void CBRELK2Dlg::OnNavigate(int pageId)
{
    if (pageId == kPageCarTab) {
        // The car tab stands for the car page of the region in use.
        if (m_pTopPane)
            m_pTopPane->PressTab(kPageCarRegion1 + CurrentRegion() - 1);
        return;
    }
    const int stackKind = IsOperationPage(pageId) ? kStackOperation : kStackRoot;
    bool created = false;
    PageLink* link = GetOrCreatePage(stackKind, pageId, &created);
    if (!link)
        return;
    m_nCurOperationPage = pageId;
    ShowPage(link, created, 0);
}

void CBRELK2Dlg::GoBack()
{
    if (!m_pCurrentLink)
        return;
    // An operation page lies on no stack: back from it is the top of the
    // stack it was reached from.
    PageLink* target = IsOperationPage(m_pCurrentLink->pageId) ? m_history.Top() : m_history.Pop();
    if (target)
        ShowPage(target, false, 1);
}

// ---- selection ---------------------------------------------------------------------

void CBRELK2Dlg::OnBrandSelected(const CBrand* brand)
{
    m_selection.brand = brand;
    m_selection.model = nullptr;
    // The car page of the region in use (also when the brand comes from the
    // model page's own header) names the model page.
    int type = 0;
    for (const auto& link : m_history.Links())
        if (link->pageId == kPageCarRegion1 + CurrentRegion() - 1 && link->page)
            type = link->page->GetPageType();
    const int modelPage = type >= 1 && type <= 5 ? kPageModelRegion1 + type - 1 : kPageModel;
    // The model page goes on the car page's stack, so the car tab comes back to it.
    PageLink* link = GetOrCreatePage(kStackPrepared, modelPage);
    if (!link)
        return;
    m_history.Push(link);
    m_pModelPage = link->page.get();
    if (auto* page = dynamic_cast<CPageModel*>(m_pModelPage))
        page->SetBrand(brand);
    ShowPage(link, true, 0);
}

void CBRELK2Dlg::OnVehicleSelected(const CYear* year)
{
    m_selection.ChooseVehicle(year);
    PrepareOperationPages();
}

void CBRELK2Dlg::OnPartNoSelected(const CPartNo* partNo)
{
    m_selection.ChoosePartNo(partNo);
    PrepareOperationPages();
}

void CBRELK2Dlg::PrepareOperationPages()
{
    // A label of the earlier selection's sensor would name the wrong vehicle.
    ClearLastResult();
    m_pOperations->EndOutcome(0);
    const bool supported = m_selection.SensorRecord() != nullptr;
    PageLink* test = nullptr;
    for (int pageId : {kPageTestSensor, kPageCreateSensor, kPageCopySensor}) {
        PageLink* link = GetOrCreatePage(kStackPrepared, pageId);
        if (!link)
            continue;
        // Each operation page empties its results and shows "READY" for the
        // new selection; the copy and create pages wait hidden.
        if (auto* page = dynamic_cast<IOperationPage*>(link->page.get()))
            page->PrepareForSelection(supported);
        if (pageId == kPageTestSensor)
            test = link;
        else
            link->page->ShowWindow(SW_HIDE);
    }
    if (test) {
        m_nCurOperationPage = kPageTestSensor;
        ShowPage(test, true, 0);
    }
}

void CBRELK2Dlg::OnLanguageChanged(const std::wstring& code)
{
    GetLanguageManager().LoadLanguage(code);
    // The message boxes' buttons and Qt's dialogs follow the texts.
    SetUiLanguage(GetLanguageManager().GetCurrentCode());
    SetWindowText(Text(L"APP_TITLE"));
    if (m_pTopPane)
        m_pTopPane->RefreshLanguage();
    for (const auto& link : m_history.Links())
        if (link->page)
            link->page->RefreshLanguage();
    if (CBasePage* page = GetCurrentPage())
        page->Invalidate();
}

// ---- the Brelk -------------------------------------------------------------------

std::wstring CBRELK2Dlg::ReadBrelkVersion() { return GetBrelkVersion(); }

void CBRELK2Dlg::RecordBrelkVersion(const std::wstring& version)
{
    m_ini.WriteString(version.c_str(), L"Config", L"BrelkVersion");
    ShowBrelkVersion(version);
}

void CBRELK2Dlg::ShowBrelkVersion(const std::wstring& version)
{
    if (CPageSetup* page = GetSettingsPage())
        page->SetVersionText(version);
}

bool CBRELK2Dlg::ReadCatalogFile(const std::wstring& name) { return m_pUpgrade->ReadCatalogFile(name); }

int CBRELK2Dlg::UpgradeBrelk() { return m_pUpgrade->UpgradeBrelk(); }

int CBRELK2Dlg::SendUpgradeBlocks(const uint8_t* image, size_t size)
{
    return m_pUpgrade->SendUpgradeBlocks(image, size);
}

void CBRELK2Dlg::ConnectBrelkAtStart() { m_pPresence->ConnectAtStart(); }

LRESULT CBRELK2Dlg::OnDeviceChange(UINT event, const LPARAM&)
{
    m_pPresence->OnDeviceChange(event);
    return 1;
}

void CBRELK2Dlg::SetConnectState(int view, int connected) { m_pPresence->SetConnectState(view, connected); }

int CBRELK2Dlg::GetConnectState() const { return m_pPresence->GetConnectState(); }

bool CBRELK2Dlg::IsUpgradeRunning() const { return m_pPresence->IsUpgradeRunning(); }

bool CBRELK2Dlg::IgnoresDeviceChanges() const { return m_pPresence->IgnoresDeviceChanges(); }

bool CBRELK2Dlg::IsBrelkUpgradeRunning() const { return m_pUpgrade->IsRunning(); }

bool CBRELK2Dlg::BrelkUpgradeUnplugged() const { return m_pUpgrade->WasUnplugged(); }

void CBRELK2Dlg::ShowConnectView(int view)
{
    if (m_pTopPane)
        m_pTopPane->ShowConnectStatus(view);
}

void CBRELK2Dlg::ShowProgramEntered(bool entered)
{
    if (!m_pTopPane)
        return;
    m_pTopPane->ShowMenuTabs(CMenuTabs::kModeMain, entered, 0);
    if (entered) {
        m_pTopPane->ShowHelpButton(false);
        m_pTopPane->PressTab(kPageCarTab);
    } else {
        m_pTopPane->ShowSearchView(false);
    }
}

void CBRELK2Dlg::CloseDocumentViewer()
{
    // Ended by us, not a document that could not be opened: the watch goes first.
    KillTimer(kViewerWatchTimer);
    if (ChildProcess* viewer = m_viewer.Process())
        viewer->Terminate();
}

INavigationLock* CBRELK2Dlg::GetNavigationLock() const { return m_pTopPane.get(); }

void CBRELK2Dlg::OnClose()
{
    // The Brelk must not be left half-written.
    if (m_pUpgrade->IsRunning()) {
        m_pUpgrade->RefuseClose();
        return;
    }
    Dialog::OnClose();
}

// ---- sensor operations -------------------------------------------------------------

bool CBRELK2Dlg::IsHexIdFormat() const { return ReadDisplayUnits(m_ini).HexIds(); }

std::wstring CBRELK2Dlg::FormatIdText(uint32_t id, bool hex) const
{
    return ::FormatIdText(id, hex, m_selection.SensorRecord());
}

CBasePage* CBRELK2Dlg::FindPage(int pageId) const
{
    for (const auto& link : m_history.Links())
        if (link->pageId == pageId && link->page)
            return link->page.get();
    return nullptr;
}

bool CBRELK2Dlg::ShowsOperationOutcome() const
{
    return CallOnUiThread([&] {
        return m_pCurrentLink && IsOperationPage(m_pCurrentLink->pageId) &&
               m_pOperations->ShowsOutcome(m_pCurrentLink->pageId);
    });
}

void CBRELK2Dlg::ShowConnectionStatus(const wchar_t* key, COLORREF colour)
{
    const StatusText text = StatusOfKey(key);
    RunOnUiThread([&] {
        for (const auto& link : m_history.Links())
            if (IsOperationPage(link->pageId) && !m_pOperations->ShowsOutcome(link->pageId))
                if (auto* page = dynamic_cast<IOperationPage*>(link->page.get()))
                    page->SetStatusText(text, colour);
    });
}

void CBRELK2Dlg::SetOperationStatus(const StatusText& text, COLORREF colour)
{
    RunOnUiThread([&] {
        if (!m_pCurrentLink || !IsOperationPage(m_pCurrentLink->pageId))
            return;
        if (auto* page = dynamic_cast<IOperationPage*>(m_pCurrentLink->page.get()))
            page->SetStatusText(text, colour);
    });
}

void CBRELK2Dlg::LockNavigation(bool locked)
{
    RunOnUiThread([&] {
        if (!m_pTopPane)
            return;
        if (locked)
            m_pTopPane->LockNavigation();
        else
            m_pTopPane->UnlockNavigation();
    });
}

bool CBRELK2Dlg::IsNavigationLocked() const
{
    return CallOnUiThread([&] { return m_pTopPane && !m_pTopPane->IsNavigationUnlocked(); });
}

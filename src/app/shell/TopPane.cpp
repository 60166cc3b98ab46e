#include "TopPane.h"

#include "AppMessages.h"
#include "BRELK2Dlg.h"
#include "CodePage.h"
#include "Font.h"
#include "Language.h"
#include "PopupMenu.h"
#include "ProductStrings.h"
#include "UiScale.h"
#include "UiThread.h"

namespace {

constexpr int kCaptionFontSize = 8;
constexpr int kBackButtonTop = 34;
constexpr Color kWhiteText{0xFFFFFFFF};

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

void Show(CCustButton* button, bool show)
{
    if (button)
        button->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

} // namespace

CTopPane::CTopPane(CBRELK2Dlg* mainDlg) : m_pMainDlg(mainDlg)
{
    const int left = ScaleLength(145);
    m_rcConnectView = CRect(left, 27, left + ScaleLength(180), 61);
    m_rcSearchView = ScaleRect(CRect(782, 39, 1009, 69));
    m_rcBackButton = ScaleRect(CRect(20, 34, 85, 59));
    m_rcBackButton.OffsetRect(0, kBackButtonTop - m_rcBackButton.top);
}

CTopPane::~CTopPane() = default;

int CTopPane::OnCreate()
{
    m_background = LoadPngResource(130);
    const CRect top = m_pMainDlg ? m_pMainDlg->GetTopRect() : GetClientRect();
    const int T = top.top, R = top.right, B = top.bottom;

    m_pBtnClose = std::make_unique<CCustButton>(147, 145, 143, kCaptionFontSize);
    m_pBtnClose->CreateButton(CCustButton::kCaptionCommand, L"", CRect(R - 56, T, R - 16, T + 17), this, kCloseId);
    m_pBtnMin = std::make_unique<CCustButton>(146, 144, 142, kCaptionFontSize);
    m_pBtnMin->CreateButton(CCustButton::kCaptionCommand, L"", CRect(R - 94, T, R - 56, T + 17), this, kMinimiseId);
    m_rcHelpButton = CRect(R - 100, B - 33, R - 20, B - 5);
    m_pBtnHelp = std::make_unique<CCustButton>(159, 162, 165, kCaptionFontSize);
    m_pBtnHelp->CreateButton(CCustButton::kCaptionCommand, Text(L"MENU_HELP") + L"...", m_rcHelpButton, this, kHelpId);

    const int width = ScaleLength(90);
    const int y = T + ScaleLength(10);
    const int height = ScaleLength(28);
    const int listRight = R - ScaleLength(110);
    m_rcFunctionListButton = CRect(listRight - width, y, listRight, y + height);
    m_pBtnFunctionList = std::make_unique<CCustButton>(182, 185, 185, kCaptionFontSize);
    m_pBtnFunctionList->CreateButton(CCustButton::kCaptionCommand, Text(L"FUNCTION_LIST"), m_rcFunctionListButton, this,
                                     kFunctionListId);
    const int dailyRight = R - ScaleLength(200);
    m_rcDailyFileButton = CRect(dailyRight - width, y, dailyRight, y + height);
    m_pBtnDailyFile = std::make_unique<CCustButton>(182, 185, 185, kCaptionFontSize);
    m_pBtnDailyFile->CreateButton(CCustButton::kCaptionCommand, Text(L"DAILY_FILE"), m_rcDailyFileButton, this,
                                  kDailyFileId);
    return 0;
}

void CTopPane::OnDestroy()
{
    for (auto* button : {&m_pBtnClose, &m_pBtnMin, &m_pBtnBack, &m_pBtnHelp, &m_pBtnFunctionList, &m_pBtnDailyFile}) {
        if (*button)
            (*button)->DestroyWindow();
        button->reset();
    }
    for (auto* bar : {&m_pMainTabs, &m_pSensorTabs}) {
        if (*bar)
            (*bar)->DestroyWindow();
        bar->reset();
    }
    if (m_pSearchView)
        m_pSearchView->DestroyWindow();
    m_pSearchView.reset();
    if (m_pConnectView)
        m_pConnectView->DestroyWindow();
    m_pConnectView.reset();
}

CCustButton* CTopPane::GetButton(int id) const
{
    return CallOnUiThread([&]() -> CCustButton* {
        for (CCustButton* b : {m_pBtnClose.get(), m_pBtnMin.get(), m_pBtnBack.get(), m_pBtnHelp.get(),
                               m_pBtnFunctionList.get(), m_pBtnDailyFile.get()})
            if (b && b->GetDlgCtrlID() == id)
                return b;
        return nullptr;
    });
}

CMenuTabs* CTopPane::GetMenuTabs(int mode) const
{
    return CallOnUiThread([&] { return mode == CMenuTabs::kModeMain ? m_pMainTabs.get() : m_pSensorTabs.get(); });
}

// ---- parts on demand -------------------------------------------------------------

void CTopPane::ShowConnectStatus(int state)
{
    RunOnUiThread([&] {
        if (state == CConnectStatusView::kStateNone && !m_pConnectView)
            return;
        if (!m_pConnectView) {
            m_pConnectView = std::make_unique<CConnectStatusView>();
            m_pConnectView->Create(this, m_rcConnectView, kConnectStatusId, WS_CHILD | WS_VISIBLE);
        }
        m_pConnectView->SetState(state);
        m_pConnectView->ShowWindow(state != CConnectStatusView::kStateNone ? SW_SHOW : SW_HIDE);
        m_pConnectView->Invalidate();
        InvalidateRect(m_rcConnectView);
        UpdateWindow();
    });
}

void CTopPane::ShowSearchView(bool show)
{
    RunOnUiThread([&] {
        if (!show && !m_pSearchView)
            return;
        if (!m_pSearchView) {
            m_pSearchView = std::make_unique<CSearchView>();
            m_pSearchView->Create(this, m_rcSearchView, kSearchViewId, WS_CHILD);
        }
        m_pSearchView->ShowView(show);
    });
}

void CTopPane::ShowMenuTabs(int mode, bool show, int selectedIndex)
{
    RunOnUiThread([&] {
        std::unique_ptr<CMenuTabs>& bar = mode == CMenuTabs::kModeMain ? m_pMainTabs : m_pSensorTabs;
        if (!show) {
            if (bar)
                bar->ShowWindow(SW_HIDE);
            return;
        }
        if (!bar) {
            bar = std::make_unique<CMenuTabs>(mode);
            bar->Create(this, CRect(), mode == CMenuTabs::kModeMain ? kMainTabsId : kSensorTabsId, WS_CHILD);
            // A bar made while navigation is locked starts locked.
            if (mode == CMenuTabs::kModeSensor)
                bar->EnableWindow(m_nNavigationUnlocked != 0);
        }
        bar->ShowTabs(selectedIndex);
    });
}

void CTopPane::ShowBackButton(bool show)
{
    RunOnUiThread([&] {
        if (!show) {
            Show(m_pBtnBack.get(), false);
            return;
        }
        if (!m_pBtnBack) {
            m_pBtnBack = std::make_unique<CCustButton>(170, 171, 171, kCaptionFontSize);
            // White captions in every state.
            m_pBtnBack->SetTextColors(kWhiteText, kWhiteText, kWhiteText);
            m_pBtnBack->CreateButton(CCustButton::kBack, Text(L"BTN_BACK"), m_rcBackButton, this, kBackId);
            if (!m_nNavigationUnlocked) {
                m_pBtnBack->SetState(CCustButton::kStateDisabled);
                m_pBtnBack->EnableWindow(false);
            }
        }
        Show(m_pBtnBack.get(), true);
    });
}

void CTopPane::ShowHelpButton(bool show)
{
    RunOnUiThread([&] { Show(m_pBtnHelp.get(), show); });
}

void CTopPane::ShowFunctionListButton(bool show)
{
    RunOnUiThread([&] { Show(m_pBtnFunctionList.get(), show); });
}

void CTopPane::ShowDailyFileButton(bool show)
{
    RunOnUiThread([&] { Show(m_pBtnDailyFile.get(), show); });
}

void CTopPane::SetSearchText(const std::wstring& text)
{
    RunOnUiThread([&] {
        if (m_pSearchView)
            m_pSearchView->GetEdit().SetSearchText(text);
    });
}

std::wstring CTopPane::GetSearchText() const
{
    return CallOnUiThread([&] { return m_pSearchView ? m_pSearchView->GetEdit().GetWindowText() : std::wstring(); });
}

void CTopPane::FocusSearchEdit()
{
    RunOnUiThread([&] {
        if (m_pSearchView)
            m_pSearchView->GetEdit().SetFocus();
    });
}

// ---- navigation lock ---------------------------------------------------------------

void CTopPane::SetNavigation(bool unlocked)
{
    RunOnUiThread([&] {
        m_nNavigationUnlocked = unlocked ? 1 : 0;
        if (m_pBtnClose)
            m_pBtnClose->EnableWindow(unlocked);
        if (m_pBtnBack) {
            m_pBtnBack->SetState(unlocked ? CCustButton::kStateNormal : CCustButton::kStateDisabled);
            m_pBtnBack->EnableWindow(unlocked);
        }
        if (m_pSensorTabs)
            m_pSensorTabs->EnableWindow(unlocked);
    });
}

void CTopPane::LockNavigation() { SetNavigation(false); }

void CTopPane::UnlockNavigation() { SetNavigation(true); }

bool CTopPane::IsNavigationUnlocked() const
{
    return CallOnUiThread([&] { return m_nNavigationUnlocked != 0; });
}

// ---- texts, tabs, input ------------------------------------------------------------

void CTopPane::RefreshLanguage()
{
    RunOnUiThread([&] {
        const std::pair<CCustButton*, std::wstring> captions[] = {
            {m_pBtnBack.get(), Text(L"BTN_BACK")},
            {m_pBtnHelp.get(), Text(L"MENU_HELP") + L"..."},
            {m_pBtnFunctionList.get(), Text(L"FUNCTION_LIST")},
            {m_pBtnDailyFile.get(), Text(L"DAILY_FILE")},
        };
        for (const auto& [button, caption] : captions) {
            if (!button)
                continue;
            button->SetText(caption);
            button->Invalidate();
        }
        Invalidate();
        for (CMenuTabs* bar : {m_pMainTabs.get(), m_pSensorTabs.get()})
            if (bar)
                bar->RefreshLanguage();
        if (m_pConnectView) {
            m_pConnectView->RefreshLanguage();
            m_pConnectView->Invalidate();
        }
    });
}

void CTopPane::PressTab(int tabId)
{
    RunOnUiThread([&] {
        if (m_pMainTabs) {
            m_pMainTabs->OnTabClicked(nullptr, tabId);
            return;
        }
        if (Wnd* main = GetMainWindow())
            main->SendMessage(WM_PAGE_ACTION, tabId, kActionNavigate);
    });
}

void CTopPane::OnPaint(Graphics& g)
{
    if (GetTopLevel()->IsIconic())
        return;
    const CRect r = GetClientRect();
    g.DrawImage(m_background.get(), RectF(0, 0, float(r.Width() - 1), float(r.Height())));
    g.DrawString(Utf8ToWide(g_productStrings[kSoftwareVersionIndex]), Font(L"Arial", 11, FontStyleBold),
                 Color(0xFF4C4C4C), PointF(205, 6));
}

void CTopPane::OnLButtonDown(UINT, CPoint)
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void CTopPane::OnRButtonUp(UINT, CPoint point)
{
    // A borderless window has no system menu: its About box lives here.
    const std::wstring about = Text(L"ABOUTBOX");
    if (about.empty() || !m_pMainDlg)
        return;
    if (TrackPopupMenu(this, {{kAboutCommand, about}}, point) == kAboutCommand)
        m_pMainDlg->OnSysCommand(kAboutCommand);
}

bool CTopPane::PreTranslateKeyDown(UINT vk) { return vk == VK_ESCAPE || vk == VK_RETURN; }

LRESULT CTopPane::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAGE_ACTION)
        return 0;
    return Wnd::OnMessage(msg, wParam, lParam);
}

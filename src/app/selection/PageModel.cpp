#include "PageModel.h"

#include "AppMessages.h"
#include "TopBar.h"
#include "UiScale.h"

namespace {

constexpr int kLeftPaneWidth = 290;
// The page never scrolls: the main window's bar stays hidden on it.
constexpr int kPageContentHeight = 10;

} // namespace

CPageModel::CPageModel() : m_nLeftWidth(ScaleLength(kLeftPaneWidth)) {}

CPageModel::~CPageModel() = default;

int CPageModel::GetPageType() { return kPageType; }

void CPageModel::RefreshLanguage() {}

int CPageModel::OnCreate()
{
    CBasePage::OnCreate();
    const CRect r = GetClientRect();
    m_rcLeft = CRect(r.left, r.top, m_nLeftWidth, r.bottom);
    m_rcYears = CRect(m_nLeftWidth, r.top, r.right, r.bottom);
    m_pScrollBar = std::make_unique<CMyScrollBar>();
    m_pScrollBar->Create(this, CRect(r.right - 15, r.top - 1, r.right + 1, r.bottom + 1), kScrollBarId, WS_CHILD);
    return 0;
}

void CPageModel::OnDestroy()
{
    DestroyPanes();
    if (m_pScrollBar)
        m_pScrollBar->DestroyWindow();
    m_pScrollBar.reset();
}

void CPageModel::DestroyPanes()
{
    if (m_pLeftPane)
        m_pLeftPane->DestroyWindow();
    m_pLeftPane.reset();
    if (m_pYearPane)
        m_pYearPane->DestroyWindow();
    m_pYearPane.reset();
}

int CPageModel::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        if (restoreTabs == 1) {
            m_pTopPane->ShowMenuTabs(ITopBar::kSensorTabs, false, 0);
            m_pTopPane->ShowMenuTabs(ITopBar::kMainTabs, true, 0);
        }
        m_pTopPane->ShowFunctionListButton(true);
        m_pTopPane->ShowDailyFileButton(true);
        m_pTopPane->SetSearchText(rebuild ? std::wstring() : m_strFilter);
        m_pTopPane->ShowBackButton(true);
        m_pTopPane->ShowSearchView(true);
    }
    if (!rebuild)
        return CBasePage::ShowPage(rebuild, restoreTabs);

    m_pModel = nullptr;
    m_strFilter.clear();
    DestroyPanes();
    m_pLeftPane = std::make_unique<CModelLeftWnd>(m_pBrand);
    m_pLeftPane->Create(this, m_rcLeft, kLeftPaneId, WS_CHILD | WS_VISIBLE);
    MakeYearPane(nullptr, std::wstring());
    CBasePage::ShowPage(rebuild, restoreTabs);
    m_pLeftPane->SetFocus();
    return 1;
}

void CPageModel::MakeYearPane(const CModel* model, const std::wstring& filter)
{
    if (m_pYearPane)
        m_pYearPane->DestroyWindow();
    m_pYearPane = std::make_unique<CModelRightWnd>();
    m_pYearPane->Create(this, m_rcYears, kYearPaneId, WS_CHILD | WS_VISIBLE);
    m_pYearPane->OnInitialUpdate();
    FillYears(model, filter);
}

void CPageModel::FillYears(const CModel* model, const std::wstring& filter)
{
    m_pYearPane->Fill(model, filter);
    m_nContentHeight = kPageContentHeight;
    m_pScrollBar->ShowForContent(*m_pYearPane, m_rcYears, m_pYearPane->GetContentHeight());
}

void CPageModel::SetFilterText(std::wstring text)
{
    if (text == m_strFilter)
        return;
    m_strFilter = std::move(text);
    if (m_pYearPane)
        FillYears(m_pModel, m_strFilter);
    if (m_pTopPane)
        m_pTopPane->FocusSearchEdit();
}

LRESULT CPageModel::OnModelSelected(const CModel* model)
{
    if (!m_pYearPane)
        return 0;
    m_pModel = model;
    MakeYearPane(model, std::wstring());
    if (m_pLeftPane)
        m_pLeftPane->SetFocus();
    if (m_pTopPane)
        m_pTopPane->SetSearchText(std::wstring());
    SetFilterText(std::wstring());
    return 1;
}

void CPageModel::OnScrollBarPos(const ScrollBarPos&) {}

int CPageModel::FocusPage()
{
    if (m_pYearPane)
        m_pYearPane->SetFocus();
    return 1;
}

LRESULT CPageModel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MODEL_SELECTED: return OnModelSelected(wParam.As<const CModel>());
    case WM_PAGE_ACTION:
        if (!lParam.IsTyped() && lParam.Int() == kActionScroll)
            if (const ScrollBarPos* pos = wParam.As<const ScrollBarPos>()) {
                m_nYearThumbOffset = pos->thumbOffset;
                if (m_pYearPane)
                    m_pYearPane->ScrollToPosition(CPoint(0, pos->position));
            }
        return 0;
    case WM_SCROLLBAR_RELEASED: return FocusPage();
    case WM_SCROLL_WHEEL:
        if (m_pScrollBar && m_pScrollBar->IsWindowVisible())
            m_pScrollBar->OnWheel(lParam.Int());
        return 1;
    default: return CBasePage::OnMessage(msg, wParam, lParam);
    }
}

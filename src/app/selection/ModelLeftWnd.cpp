#include "ModelLeftWnd.h"

#include "AppMessages.h"

namespace {

constexpr int kHeaderFontSize = 18;
constexpr Color kRuleDark{0xFF919191};
constexpr Color kRuleLight{0xFFFFFFFF};

} // namespace

CModelLeftWnd::CModelLeftWnd(const CBrand* brand) : m_pBrand(brand) {}

CModelLeftWnd::~CModelLeftWnd() = default;

int CModelLeftWnd::OnCreate()
{
    CRect r = GetClientRect();
    r.right -= 2; // room for the pane's right border
    m_pHeader = std::make_unique<CBrandWnd>(m_pBrand ? m_pBrand->name : std::wstring(), CBrandWnd::kModeHeader,
                                            r.Width(), kHeaderHeight, kHeaderFontSize);
    m_pHeader->Create(this, CRect(r.left, 0, r.right, kHeaderHeight), kHeaderId, WS_CHILD | WS_VISIBLE);
    m_rcList = CRect(r.left, kHeaderHeight, r.right, r.bottom);
    m_pList = std::make_unique<CCarModelItemContainer>();
    m_pList->Create(this, m_rcList, kListId, WS_CHILD | WS_VISIBLE);
    m_pList->OnInitialUpdate();
    m_pScrollBar = std::make_unique<CMyScrollBar>();
    m_pScrollBar->Create(this, CRect(r.right - 15, kHeaderHeight - 1, r.right + 1, r.bottom + 1), kScrollBarId,
                         WS_CHILD);
    if (m_pBrand)
        m_pList->SetModels(&m_pBrand->models);
    // The list reports its height: the bar shows when the models pass the list.
    m_pScrollBar->ShowForContent(*m_pList, m_rcList, m_pList->GetContentHeight());
    return 0;
}

void CModelLeftWnd::OnDestroy()
{
    if (m_pScrollBar)
        m_pScrollBar->DestroyWindow();
    m_pScrollBar.reset();
    if (m_pList)
        m_pList->DestroyWindow();
    m_pList.reset();
    if (m_pHeader)
        m_pHeader->DestroyWindow();
    m_pHeader.reset();
}

void CModelLeftWnd::OnPaint(Graphics& g)
{
    const CRect client = GetClientRect();
    const float w = float(client.Width()), h = float(client.Height());
    g.DrawLine(kRuleDark, 1, w - 2, 0, w - 2, h);
    g.DrawLine(kRuleLight, 1, w - 1, 0, w - 1, h);
}

LRESULT CModelLeftWnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAGE_ACTION:
        if (lParam.Int() == kActionScroll)
            if (const ScrollBarPos* pos = wParam.As<const ScrollBarPos>())
                if (m_pList)
                    m_pList->ScrollToPosition(CPoint(0, pos->position));
        return 0;
    case WM_SCROLLBAR_RELEASED:
        if (m_pList) {
            m_pList->RedrawItems();
            m_pList->SetFocus();
        }
        return 0;
    case WM_SCROLL_WHEEL:
        if (m_pScrollBar && m_pScrollBar->IsWindowVisible()) {
            m_pList->RedrawItems();
            m_pScrollBar->OnWheel(lParam.Int());
        }
        return 1;
    default: return Wnd::OnMessage(msg, wParam, lParam);
    }
}

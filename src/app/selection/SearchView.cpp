#include "SearchView.h"

#include "UiScale.h"
#include "UiThread.h"

namespace {

constexpr int kFieldPicture = 141;

} // namespace

CSearchView::CSearchView() : m_rcEdit(ScaleRect(CRect(30, 6, 210, 25))) {}

CSearchView::~CSearchView() = default;

int CSearchView::OnCreate()
{
    m_field = LoadPngResource(kFieldPicture);
    m_edit.Create(this, m_rcEdit, kEditId, WS_CHILD | WS_VISIBLE);
    m_edit.ShowWindow(SW_SHOW);
    return 0;
}

void CSearchView::ShowView(bool show)
{
    RunOnUiThread([&] {
        m_bVisible = show;
        ShowWindow(show ? SW_SHOW : SW_HIDE);
    });
}

bool CSearchView::OnEraseBkgnd(Graphics&) { return true; }

void CSearchView::OnPaint(Graphics& g) { g.DrawImage(m_field.get(), RectF(GetClientRect())); }

LRESULT CSearchView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && wParam.Int() == kEditId && lParam.Int() == EN_CHANGE) {
        m_edit.OnEditChanged();
        return 0;
    }
    return Wnd::OnMessage(msg, wParam, lParam);
}

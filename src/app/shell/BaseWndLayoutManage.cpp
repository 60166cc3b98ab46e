#include "BaseWndLayoutManage.h"

#include "Wnd.h"

CBaseWndLayoutManage::CBaseWndLayoutManage() = default;

CBaseWndLayoutManage::~CBaseWndLayoutManage() = default;

void CBaseWndLayoutManage::Resize(int cx, int cy)
{
    if (!m_pMainWnd)
        return;
    CRect r = m_rcMainWnd;
    r.right += cx;
    r.bottom += cy;
    m_pMainWnd->MoveWindow(r, true);
}

void CBaseWndLayoutManage::ApplyLayout()
{
    for (const _tagCtrlPosInfo& info : m_ctrls)
        if (info.pWnd)
            info.pWnd->MoveWindow(info.rect, true);
    if (m_pMainWnd)
        m_pMainWnd->MoveWindow(m_rcMainWnd, true);
}

void CBaseWndLayoutManage::AddCtrl(Wnd* wnd, const CRect& rect) { m_ctrls.push_back(_tagCtrlPosInfo{wnd, rect}); }

void CBaseWndLayoutManage::SetMainWnd(Wnd* wnd, const CRect& rect)
{
    m_pMainWnd = wnd;
    m_rcMainWnd = rect;
}

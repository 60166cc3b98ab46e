#include "FootPane.h"

CFootPane::CFootPane() = default;

CFootPane::~CFootPane() = default;

void CFootPane::OnPaint(Graphics& g)
{
    if (!m_background)
        m_background = LoadPngResource(138);
    const CRect r = GetClientRect();
    g.DrawImage(m_background.get(), RectF(0, 0, float(r.Width() - 1), float(r.Height() - 1)));
}

void CFootPane::OnLButtonDown(UINT, CPoint)
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

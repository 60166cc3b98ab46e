#include "BackBuffer.h"

#include "BaseDrawImage.h"
#include "Graphics.h"
#include "PrintHelpers.h"
#include "Wnd.h"

int CBackBuffer::Create(Wnd* window, int left, int top, int right, int bottom, int dpi)
{
    const int width = right - left + 1, height = bottom - top + 1;
    if (width <= 0 || height <= 0)
        return -1;
    if (width == m_width && height == m_height && dpi == m_dpi && m_work)
        return 0;
    Free();
    m_background = CreateWhiteMemoryBitmap(width, height);
    m_work = CreateWhiteMemoryBitmap(width, height);
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    m_window = window;
    m_width = width;
    m_height = height;
    m_dpi = dpi;
    return 0;
}

int CBackBuffer::Compose(const _tagBaseDrawParam* content, CBaseDrawImage* drawer)
{
    if (!m_window || !content || !drawer || !m_work || !m_background)
        return -1;
    {
        Graphics g(*m_work, m_dpi);
        g.DrawImage(m_background.get(), 0, 0);
        drawer->Draw(g, 0, 0, 0, m_width - 1, m_height - 1, content);
    }
    m_window->InvalidateRect(GetRect(), false);
    return 0;
}

void CBackBuffer::Redraw(Graphics& g) const { BlitBitmap(g, m_left, m_top, m_right, m_bottom, m_work.get()); }

void CBackBuffer::Free()
{
    m_background.reset();
    m_work.reset();
    m_width = m_height = 0;
}

CRect CBackBuffer::GetRect() const { return CRect(m_left, m_top, m_right + 1, m_bottom + 1); }

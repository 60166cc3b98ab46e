#include "MemDC.h"

CMyMemDC::CMyMemDC(Graphics& target, const CRect& rect) : m_target(target), m_rect(rect)
{
    if (target.IsPrinting())
        return;
    if (m_rect.IsRectEmpty())
        m_rect = target.GetClipBox();
    if (m_rect.IsRectEmpty())
        return;
    m_bMemDC = true;
    m_bitmap = std::make_unique<Image>(m_rect.Width(), m_rect.Height(), Color(0x00000000));
    m_graphics = std::make_unique<Graphics>(*m_bitmap);
    m_graphics->TranslateTransform(float(-m_rect.left), float(-m_rect.top));
}

CMyMemDC::~CMyMemDC()
{
    if (!m_bMemDC)
        return;
    m_graphics.reset();
    // Drawn over what is there (alpha blended), not copied: undrawn pixels stay see-through.
    m_target.DrawImage(m_bitmap.get(), float(m_rect.left), float(m_rect.top));
}

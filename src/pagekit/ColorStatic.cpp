#include "ColorStatic.h"

#include "Graphics.h"
#include "UiThread.h"

namespace {

// A long text shrinks to no less than this share of the face's size.
constexpr float kLeastFontShare = 0.65f;

} // namespace

CColorStatic::CColorStatic() : m_font(Font::Gdi(L"Arial", 19, FW_BOLD)) {}

void CColorStatic::SetText(const std::wstring& text)
{
    RunOnUiThread([&] {
        // The old text's pixels go too where the background is not filled.
        if (Wnd* parent = GetParent(); parent && IsCreated()) {
            CRect r = GetWindowRect(); // content coordinates when the parent scrolls
            CPoint scroll = parent->GetScrollPosition();
            r.OffsetRect(-scroll.x, -scroll.y);
            parent->InvalidateRect(r, true);
        }
        SetWindowText(text);
    });
}

void CColorStatic::SetTextColor(COLORREF color)
{
    RunOnUiThread([&] {
        m_textColor = color;
        Invalidate();
    });
}

COLORREF CColorStatic::GetTextColor() const { return ReadOnUiThread(m_textColor); }

void CColorStatic::SetBkColor(COLORREF color)
{
    RunOnUiThread([&] {
        m_bkColor = color;
        Invalidate();
    });
}

COLORREF CColorStatic::GetBkColor() const { return ReadOnUiThread(m_bkColor); }

void CColorStatic::SetTransparent(bool transparent)
{
    RunOnUiThread([&] {
        m_bTransparent = transparent;
        Invalidate();
    });
}

void CColorStatic::OnPaint(Graphics& g)
{
    CRect client = GetClientRect();
    if (!m_bTransparent)
        g.FillRect(client, m_bkColor);
    // A static's text: from the top left, wrapped at words; a text longer
    // than its place (a long outcome, a longer language) is drawn smaller
    // rather than cut.
    const std::wstring text = GetWindowText();
    Font font = m_font;
    const float least = m_font.Size() * kLeastFontShare;
    while (font.Size() - 1 >= least && g.MeasureString(text, font, float(client.Width())).Height > client.Height())
        font = Font::Gdi(m_font.Face(), int(font.Size()) - 1, m_font.Weight(), m_font.Width());
    g.DrawString(text, font, Color::FromCOLORREF(m_textColor), RectF(client),
                 StringFormat(StringAlignmentNear, StringAlignmentNear));
}

#include "Static.h"

#include "UiThread.h"

void Static::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        m_font = font;
        Invalidate();
    });
}

void Static::SetTextColor(COLORREF color)
{
    RunOnUiThread([&] {
        m_textColor = color;
        Invalidate();
    });
}

void Static::OnPaint(Graphics& g)
{
    g.DrawString(GetWindowText(), m_font, Color::FromCOLORREF(m_textColor), RectF(GetClientRect()),
                 StringFormat(StringAlignmentNear, StringAlignmentNear));
}

#include "GroupBox.h"

#include "UiThread.h"

namespace {

constexpr int kCaptionIndent = 8; // where the caption starts on the top edge
constexpr int kCaptionGap = 2;    // room on each side of the caption
const Color kShadow(0xFFA0A0A0);
const Color kHighlight(0xFFFFFFFF);
const Color kInk(0xFF000000);

} // namespace

void GroupBox::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        m_font = font;
        Invalidate();
    });
}

void GroupBox::OnPaint(Graphics& g)
{
    const CRect r = GetClientRect();
    const std::wstring caption = GetWindowText();
    // The top edge runs through the middle of the caption.
    const float top = float(int(g.CellHeight(m_font) / 2));
    const float left = 0, right = float(r.right - 2), bottom = float(r.bottom - 2);
    const float captionEnd = caption.empty()
                                 ? float(kCaptionIndent)
                                 : kCaptionIndent + g.MeasureString(caption, m_font).Width + 2 * kCaptionGap;
    // An etched line is a shadow with a highlight one pixel right and below.
    for (int pass = 0; pass < 2; ++pass) {
        const Color c = pass == 0 ? kShadow : kHighlight;
        const float d = float(pass);
        g.DrawLine(c, 1, left + d, top + d, float(kCaptionIndent), top + d);
        g.DrawLine(c, 1, captionEnd, top + d, right + d, top + d);
        g.DrawLine(c, 1, left + d, top + d, left + d, bottom + d);
        g.DrawLine(c, 1, right + d, top + d, right + d, bottom + d);
        g.DrawLine(c, 1, left + d, bottom + d, right + d + 1, bottom + d);
    }
    g.DrawString(caption, m_font, kInk, PointF(float(kCaptionIndent + kCaptionGap), 0),
                 StringFormat(StringAlignmentNear, StringAlignmentNear));
}

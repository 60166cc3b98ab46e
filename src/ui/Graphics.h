#pragma once
// The drawing context of a window, a bitmap or a printed page: GDI+ style
// calls (images stretched or at natural size, text in a face with alignment on
// both axes, lines, fills) and the few GDI ones the label printing uses
// (mapping mode MM_LOMETRIC, device capabilities, the clip box).
//
// Screens and bitmaps count as 96-dpi devices whatever the real screen, so a
// layout in pixels and fonts in points come out the same everywhere. A bitmap
// may be given another resolution: a preview drawn smaller than life.
#include "Color.h"
#include "Font.h"
#include "Rect.h"

#include <memory>
#include <string>

class Image;
class QPainter;
class QRectF;

enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

struct StringFormat {
    StringAlignment alignment = StringAlignmentNear;     // horizontal
    StringAlignment lineAlignment = StringAlignmentNear; // vertical
    bool noWrap = false; // GDI+ wraps long text at words inside a rectangle unless told not to
    StringFormat() = default;
    StringFormat(StringAlignment h, StringAlignment v, bool nowrap = false)
        : alignment(h), lineAlignment(v), noWrap(nowrap)
    {
    }
};

class Graphics {
public:
    // Draws into a bitmap (a back buffer, a preview) that counts as a device of
    // `dpi` dots per inch.
    explicit Graphics(Image& target, int dpi = 96);
    // The layer's own: over a painter of a window or a printer page.
    Graphics(QPainter& painter, int dpi, bool printing);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Images; a null image draws nothing.
    void DrawImage(const Image* image, const RectF& dest); // stretched into dest
    void DrawImage(const Image* image, float x, float y);  // at its own size

    // Text. In a rectangle the format aligns it inside; at a point the format
    // places the text's box relative to the point (near: starts there, centre:
    // centred on it, far: ends there), on both axes.
    void DrawString(const std::wstring& text, const Font& font, Color color, const RectF& rect,
                    const StringFormat& format = {});
    void DrawString(const std::wstring& text, const Font& font, Color color, const PointF& origin,
                    const StringFormat& format = {});
    // Width and height of the text's box in logical units (always positive).
    SizeF MeasureString(const std::wstring& text, const Font& font) const;
    // The same for the text wrapped at words within that width, as DrawString
    // into a rectangle of that width lays it out.
    SizeF MeasureString(const std::wstring& text, const Font& font, float width) const;
    // Ascent plus descent of the font in logical units: the GDI cell height.
    float CellHeight(const Font& font) const;

    // Lines and fills.
    void DrawLine(Color color, float width, float x1, float y1, float x2, float y2);
    void DrawRectangle(Color color, float width, const RectF& rect);
    void FillRectangle(Color color, const RectF& rect);
    void FillRect(const CRect& rect, COLORREF color);

    // Shifts what follows by (dx, dy) logical units, as GDI+'s TranslateTransform
    // does; a back buffer of a part of a window draws in the window's coordinates
    // with (-left, -top).
    void TranslateTransform(float dx, float dy);

    // GDI side: mapping mode (MM_TEXT or MM_LOMETRIC, where a unit is 0.1 mm and
    // y grows upwards, so points below the origin have negative y).
    int SetMapMode(int mode);
    int GetMapMode() const { return m_mapMode; }
    int GetDeviceCaps(int index) const;
    // The drawable area in MM_TEXT units: (0, 0, width, height).
    CRect GetClipBox() const;
    bool IsPrinting() const { return m_printing; }

private:
    float Scale() const;
    float MapX(float x) const { return x * Scale(); }
    float MapY(float y) const;
    float MapLen(float v) const { return v * Scale(); }
    QRectF MapRect(const RectF& r) const;

    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr;
    int m_dpi = 96;
    bool m_printing = false;
    int m_mapMode = 1;
    int m_width = 0;
    int m_height = 0;
};

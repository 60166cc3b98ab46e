#pragma once
// The print settings dialog's preview: a white background and a work bitmap of
// the preview's size, composed by a label drawer and painted into a rectangle
// of its window. A bitmap may count as a device of lower resolution than the
// screen, so that a large paper is previewed whole at a smaller scale.
#include "Image.h"
#include "Rect.h"

#include <memory>

class CBaseDrawImage;
class Graphics;
class Wnd;
struct _tagBaseDrawParam;

class CBackBuffer {
public:
    static constexpr int kScreenDpi = 96;

    // Bitmaps for the rectangle (inclusive edges) in the window's client
    // coordinates: -1 when it is empty, 0 otherwise (also when the size and
    // resolution are those of the bitmaps already there, which are kept).
    int Create(Wnd* window, int left, int top, int right, int bottom, int dpi = kScreenDpi);
    // Draws the content over the white background into the work bitmap and has
    // the window repaint the rectangle; -1 without window, content, drawer or bitmaps.
    int Compose(const _tagBaseDrawParam* content, CBaseDrawImage* drawer);
    // Paints the work bitmap at the rectangle; from the window's OnPaint.
    void Redraw(Graphics& g) const;
    void Free();

    // The rectangle as a window rectangle (right and bottom outside).
    CRect GetRect() const;
    const Image* GetWorkBitmap() const { return m_work.get(); }
    int GetDpi() const { return m_dpi; }

private:
    std::unique_ptr<Image> m_background;
    std::unique_ptr<Image> m_work;
    int m_left = 0;
    int m_top = 0;
    int m_right = -1;
    int m_bottom = -1;
    Wnd* m_window = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_dpi = kScreenDpi;
};

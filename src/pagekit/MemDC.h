#pragma once
// A back buffer for one paint: drawing goes into an off-screen 32-bit bitmap
// of the rectangle, in the target's own coordinates, and lands on the target
// in one step when the object goes. The bitmap starts fully transparent, so
// what is left undrawn shows whatever lies under the window: nothing of the
// parent is copied. A printer page is drawn on directly.
#include "Graphics.h"
#include "Image.h"
#include "Rect.h"

#include <memory>

class CMyMemDC {
public:
    // rect: the part of the target to buffer; an empty one takes the target's clip box.
    explicit CMyMemDC(Graphics& target, const CRect& rect = CRect());
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    // Where to draw: the back buffer, or the target itself when printing.
    Graphics& GetGraphics() { return m_graphics ? *m_graphics : m_target; }
    Graphics* operator->() { return &GetGraphics(); }
    const CRect& GetRect() const { return m_rect; }
    bool IsOffScreen() const { return m_bMemDC; }

private:
    std::unique_ptr<Image> m_bitmap;
    Graphics& m_target;
    CRect m_rect;
    bool m_bMemDC = false;
    std::unique_ptr<Graphics> m_graphics; // over m_bitmap; ends before the bitmap is drawn
};

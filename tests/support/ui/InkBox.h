#pragma once
// Where ink lies on a printed page or a grab: the box of the pixels darker
// than mid-grey.
#include "Image.h"
#include "Rect.h"

#include <algorithm>

// The box within an area (right and bottom inclusive); right < 0 when there is none.
struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Found() const { return right >= 0; }
};

inline bool IsInk(const Image& img, int x, int y)
{
    const Color c = img.GetPixel(x, y);
    return c.GetA() > 0x80 && (c.GetR() + c.GetG() + c.GetB()) < 3 * 0x80;
}

inline InkBox FindInk(const Image& img, const CRect& area)
{
    InkBox box;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, img.GetHeight()); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, img.GetWidth()); ++x)
            if (IsInk(img, x, y)) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

inline InkBox FindInk(const Image& img) { return FindInk(img, CRect(0, 0, img.GetWidth(), img.GetHeight())); }

#pragma once
// Rectangles and points the way the windowing code speaks of them: CRect with
// left, top, right and bottom (right and bottom outside, as on Windows), and
// the floating forms RectF (x, y, width, height) and PointF of the drawing calls.
#include <algorithm>

struct CPoint {
    int x = 0;
    int y = 0;
    constexpr CPoint() = default;
    constexpr CPoint(int px, int py) : x(px), y(py) {}
    constexpr bool operator==(const CPoint&) const = default;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    constexpr CSize() = default;
    constexpr CSize(int w, int h) : cx(w), cy(h) {}
    constexpr bool operator==(const CSize&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr CPoint TopLeft() const { return {left, top}; }
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool PtInRect(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    constexpr void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    constexpr bool operator==(const CRect&) const = default;
};

struct PointF {
    float X = 0;
    float Y = 0;
    constexpr PointF() = default;
    constexpr PointF(float x, float y) : X(x), Y(y) {}
};

struct SizeF {
    float Width = 0;
    float Height = 0;
    constexpr SizeF() = default;
    constexpr SizeF(float w, float h) : Width(w), Height(h) {}
};

struct RectF {
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    constexpr RectF() = default;
    constexpr RectF(float x, float y, float w, float h) : X(x), Y(y), Width(w), Height(h) {}
    // A window rectangle as the drawing calls take it.
    constexpr RectF(const CRect& r)
        : X(float(r.left)), Y(float(r.top)), Width(float(r.Width())), Height(float(r.Height()))
    {
    }
};

#include "UiScale.h"

#include <algorithm>

double g_dUiScale = 1.0;

double ComputeUiScale(int screenWidth, int workAreaHeight)
{
    if (screenWidth <= 0 || workAreaHeight <= 0)
        return 1.0;
    double scale = std::min({1.0, screenWidth / double(kUiDesignWidth), workAreaHeight / double(kUiDesignHeight)});
    return scale > 0.99 ? 1.0 : scale;
}

CRect ScaleRect(const CRect& rect, double scale)
{
    const int left = static_cast<int>(rect.left * scale);
    const int top = static_cast<int>(rect.top * scale);
    return CRect(left, top, left + static_cast<int>(rect.Width() * scale),
                 top + static_cast<int>(rect.Height() * scale));
}

CRect ScaleRect(const CRect& rect) { return ScaleRect(rect, g_dUiScale); }

int ScaleLength(int length) { return static_cast<int>(length * g_dUiScale); }

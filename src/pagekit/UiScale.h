#pragma once
// The window is laid out for 1024 x 768 pixels and shrunk to smaller screens:
// every rectangle of the panes, pages and controls is given in that layout and
// passed through ScaleRect.
#include "Rect.h"

// The layout every rectangle is given in.
constexpr int kUiDesignWidth = 1024;
constexpr int kUiDesignHeight = 768;

// The process-wide factor; 1.0 until the main dialog computes it.
extern double g_dUiScale;

// min(1.0, screen width / 1024, work-area height / 768); above 0.99 it is 1.0.
// A screen that reports no size keeps 1.0.
double ComputeUiScale(int screenWidth, int workAreaHeight);

// A length of the layout scaled and cut to whole pixels (145 is 113 at 0.78125).
int ScaleLength(int length);

// left and top scaled and cut to whole pixels; width and height scaled and cut
// the same way, so right = left + (int)(width x scale).
CRect ScaleRect(const CRect& rect);
CRect ScaleRect(const CRect& rect, double scale);

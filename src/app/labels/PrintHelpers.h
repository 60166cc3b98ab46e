#pragma once
// The drawing pieces of a label, on a device context that prints or previews:
// text in Arial and its extent, the ruler line, the unit conversions between
// device pixels, tenths of a millimetre and millimetres, and the BMP logo.
#include "Graphics.h"
#include "Image.h"
#include "Rect.h"

#include <memory>
#include <string>

// The text in black Arial with its cell's top left corner at the point
// (logical units); height is a CreateFont height, weight FW_*.
void DrawTextArial(const std::wstring& text, Graphics& dc, CPoint point, int height, int weight);

// The extent of the text in that font, as DrawText's calculation gives it:
// the width, and the bottom of its box, which is negative in MM_LOMETRIC
// (y grows upwards there).
struct TextExtent {
    int width = 0;
    int bottom = 0;
};
TextExtent MeasureTextArial(const std::wstring& face, int weight, const std::wstring& text, Graphics& dc, int height);

// A solid black line of width 5 logical units.
void DrawLine(Graphics& dc, int x1, int y1, int x2, int y2);

// Device pixels to tenths of a millimetre: by LOGPIXELS when printing, by the
// device's size in millimetres and in pixels otherwise; rounded.
CSize PixelsToTenthsOfMillimetre(const Graphics& dc, CSize pixels, bool printing);
// An image of sourceDpi to the device's resolution (truncated).
CSize ScaleImageToDeviceDpi(const Graphics& dc, CSize size, int sourceDpiX, int sourceDpiY);
// Millimetres to device pixels, rounded. The printing form goes by LOGPIXELS
// and gives 0 for 1 mm or less; the other by the device's size in pixels and
// in millimetres.
CSize MillimetresToPixels(const Graphics& dc, bool printing, double widthMm, double heightMm);
// The printing form for a device of that resolution.
CSize MillimetresToPixels(int dpiX, int dpiY, double widthMm, double heightMm);

// A white bitmap of the size; nullptr when the size is not positive.
std::unique_ptr<Image> CreateWhiteMemoryBitmap(int width, int height);
// The size of the BMP file: 0 with the sizes, 1 (sizes 0) when it does not load.
int GetBitmapFileSize(const std::wstring& path, int& width, int& height);
// Copies the bitmap unscaled to (left, top), as much of it as the inclusive
// rectangle holds; nothing without a bitmap or with an inverted rectangle.
void BlitBitmap(Graphics& dc, int left, int top, int right, int bottom, const Image* bitmap);
// Stretches the whole BMP file into the rectangle (inclusive edges) in device
// pixels; 0, or -1 when the file does not load.
int StretchBitmapFile(Graphics& dc, const std::wstring& path, const CRect& rect);
// Shrinks and centres the box (inclusive edges) to an image of iw x ih with the
// image's aspect ratio kept; an image smaller than the box keeps its size.
void FitRectKeepAspect(CRect& box, int iw, int ih);

// "OE:" and the part number.
std::wstring PrefixOE(const std::wstring& text);

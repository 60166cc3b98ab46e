#include "PrintHelpers.h"

#include "CodePage.h"
#include "Font.h"
#include "WinDefs.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kTenthsOfMillimetrePerInch = 254.0;
constexpr int kLineWidth = 5;
const Color kBlack(0xFF000000);

// Rounded the way the drawing code always did (+ 0.5, truncated), kept within int.
int Rounded(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value + 0.5, double(INT_MIN), double(INT_MAX)));
}

std::unique_ptr<Image> LoadBitmapFile(const std::wstring& path) { return Image::FromFile(WideToUtf8(path)); }

} // namespace

void DrawTextArial(const std::wstring& text, Graphics& dc, CPoint point, int height, int weight)
{
    dc.DrawString(text, Font::Gdi(L"Arial", height, weight), kBlack, PointF(float(point.x), float(point.y)),
                  StringFormat(StringAlignmentNear, StringAlignmentNear, true));
}

TextExtent MeasureTextArial(const std::wstring& face, int weight, const std::wstring& text, Graphics& dc, int height)
{
    const SizeF size = dc.MeasureString(text, Font::Gdi(face, height, weight));
    TextExtent extent;
    extent.width = static_cast<int>(std::lround(size.Width));
    const int textHeight = static_cast<int>(std::lround(size.Height));
    extent.bottom = dc.GetMapMode() == MM_LOMETRIC ? -textHeight : textHeight;
    return extent;
}

void DrawLine(Graphics& dc, int x1, int y1, int x2, int y2)
{
    dc.DrawLine(kBlack, kLineWidth, float(x1), float(y1), float(x2), float(y2));
}

CSize PixelsToTenthsOfMillimetre(const Graphics& dc, CSize pixels, bool printing)
{
    if (printing) {
        const int dpiX = dc.GetDeviceCaps(LOGPIXELSX), dpiY = dc.GetDeviceCaps(LOGPIXELSY);
        if (dpiX <= 0 || dpiY <= 0)
            return {};
        return CSize(Rounded(pixels.cx * kTenthsOfMillimetrePerInch / dpiX),
                     Rounded(pixels.cy * kTenthsOfMillimetrePerInch / dpiY));
    }
    const int resX = dc.GetDeviceCaps(HORZRES), resY = dc.GetDeviceCaps(VERTRES);
    if (resX <= 0 || resY <= 0)
        return {};
    return CSize(Rounded(double(pixels.cx) * dc.GetDeviceCaps(HORZSIZE) * 10 / resX),
                 Rounded(double(pixels.cy) * dc.GetDeviceCaps(VERTSIZE) * 10 / resY));
}

CSize ScaleImageToDeviceDpi(const Graphics& dc, CSize size, int sourceDpiX, int sourceDpiY)
{
    if (sourceDpiX <= 0 || sourceDpiY <= 0)
        return {};
    return CSize(size.cx * dc.GetDeviceCaps(LOGPIXELSX) / sourceDpiX,
                 size.cy * dc.GetDeviceCaps(LOGPIXELSY) / sourceDpiY);
}

CSize MillimetresToPixels(int dpiX, int dpiY, double widthMm, double heightMm)
{
    // A millimetre or less is nothing a printer can be asked for.
    auto toPixels = [](double mm, int dpi) { return mm > 1.0 ? Rounded(mm * dpi / kMillimetresPerInch) : 0; };
    return CSize(toPixels(widthMm, dpiX), toPixels(heightMm, dpiY));
}

CSize MillimetresToPixels(const Graphics& dc, bool printing, double widthMm, double heightMm)
{
    if (printing)
        return MillimetresToPixels(dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY), widthMm, heightMm);
    const int sizeX = dc.GetDeviceCaps(HORZSIZE), sizeY = dc.GetDeviceCaps(VERTSIZE);
    if (sizeX <= 0 || sizeY <= 0)
        return {};
    return CSize(Rounded(widthMm * dc.GetDeviceCaps(HORZRES) / sizeX),
                 Rounded(heightMm * dc.GetDeviceCaps(VERTRES) / sizeY));
}

std::unique_ptr<Image> CreateWhiteMemoryBitmap(int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    return std::make_unique<Image>(width, height, Color(0xFFFFFFFF));
}

int GetBitmapFileSize(const std::wstring& path, int& width, int& height)
{
    width = height = 0;
    std::unique_ptr<Image> bitmap = LoadBitmapFile(path);
    if (!bitmap || bitmap->IsNull())
        return 1;
    width = bitmap->GetWidth();
    height = bitmap->GetHeight();
    return 0;
}

void BlitBitmap(Graphics& dc, int left, int top, int right, int bottom, const Image* bitmap)
{
    if (!bitmap || bitmap->IsNull() || right < left || bottom < top)
        return;
    const int width = right - left + 1, height = bottom - top + 1;
    if (width >= bitmap->GetWidth() && height >= bitmap->GetHeight()) {
        dc.DrawImage(bitmap, float(left), float(top));
        return;
    }
    // Only the part that the rectangle holds: the bitmap cut to its size first.
    Image part(width, height);
    {
        Graphics cut(part);
        cut.DrawImage(bitmap, 0, 0);
    }
    dc.DrawImage(&part, float(left), float(top));
}

int StretchBitmapFile(Graphics& dc, const std::wstring& path, const CRect& rect)
{
    std::unique_ptr<Image> bitmap = LoadBitmapFile(path);
    if (!bitmap || bitmap->IsNull())
        return -1;
    dc.DrawImage(bitmap.get(), RectF(float(rect.left), float(rect.top), float(rect.right - rect.left + 1),
                                     float(rect.bottom - rect.top + 1)));
    return 0;
}

void FitRectKeepAspect(CRect& box, int iw, int ih)
{
    const int bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
    // An empty box or image has no aspect to keep.
    if (bw <= 0 || bh <= 0 || iw <= 0 || ih <= 0)
        return;
    if (bw < iw && bh < ih) {
        const double k = std::max(double(iw) / bw, double(ih) / bh);
        box.left += static_cast<int>((bw - iw / k) * 0.5);
        box.right = box.left + static_cast<int>(iw / k);
        box.top += static_cast<int>((bh - ih / k) * 0.5);
        box.bottom = box.top + static_cast<int>(ih / k);
    } else if (bw < iw) {
        box.top += (bh - ih * bw / iw) / 2;
        box.bottom = box.top + ih * bw / iw - 1;
    } else if (bh < ih) {
        box.left += (bw - iw * bh / ih) / 2 - 1;
        box.right = box.left + iw * bh / ih - 1;
    } else {
        box.left += (bw - iw) / 2 - 1;
        box.right = box.left + iw - 1;
        box.top += (bh - ih) / 2 - 1;
        box.bottom = box.top + ih - 1;
    }
}

std::wstring PrefixOE(const std::wstring& text) { return L"OE:" + text; }

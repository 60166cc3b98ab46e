#pragma once
// A text face as the drawing code asks for it: GDI+ style in points (a point is
// 1/72 inch of a 96-dpi device, so 11 points is 14.67 pixels on any screen), or
// GDI style by CreateFont height in logical units (positive: the cell height,
// ascent plus descent; negative: the character height). "Arial" is drawn in
// Liberation Sans, which has the same metrics.
#include <string>

enum FontStyle { FontStyleRegular = 0, FontStyleBold = 1 };

class Font {
public:
    enum class Unit { Point, GdiHeight };

    Font() = default;
    // GDI+: Font(L"Arial", 11, FontStyleBold).
    Font(std::wstring face, float emSizePoints, int style = FontStyleRegular)
        : m_face(std::move(face)), m_size(emSizePoints), m_unit(Unit::Point),
          m_weight((style & FontStyleBold) ? 700 : 400)
    {
    }
    // GDI: CreateFont(height, width, ..., weight, ..., face). A width of 0
    // keeps the face's own proportions; another width is the average
    // character width in pixels, which the face is stretched to.
    static Font Gdi(std::wstring face, int height, int weight, int width = 0)
    {
        Font f;
        f.m_face = std::move(face);
        f.m_size = float(height);
        f.m_unit = Unit::GdiHeight;
        f.m_weight = weight;
        f.m_width = width;
        return f;
    }

    const std::wstring& Face() const { return m_face; }
    float Size() const { return m_size; }
    Unit GetUnit() const { return m_unit; }
    int Weight() const { return m_weight; }
    int Width() const { return m_width; }

private:
    std::wstring m_face = L"Arial";
    float m_size = 12;
    Unit m_unit = Unit::Point;
    int m_weight = 400;
    int m_width = 0;
};

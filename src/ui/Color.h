#pragma once
// Colours in the two forms the drawing code uses: COLORREF, the GDI value
// 0x00BBGGRR, and Color, the GDI+ value 0xAARRGGBB.
#include <cstdint>

using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b)
{
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t((c >> 16) & 0xFF); }

class Color {
public:
    constexpr Color() = default;
    // 0xAARRGGBB.
    constexpr Color(uint32_t argb) : m_argb(argb) {}
    constexpr Color(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
        : m_argb((uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b)
    {
    }
    static constexpr Color FromCOLORREF(COLORREF c, uint8_t alpha = 0xFF)
    {
        return Color(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
    }
    constexpr uint32_t GetValue() const { return m_argb; }
    constexpr uint8_t GetA() const { return uint8_t(m_argb >> 24); }
    constexpr uint8_t GetR() const { return uint8_t(m_argb >> 16); }
    constexpr uint8_t GetG() const { return uint8_t(m_argb >> 8); }
    constexpr uint8_t GetB() const { return uint8_t(m_argb); }
    constexpr COLORREF ToCOLORREF() const { return RGB(GetR(), GetG(), GetB()); }
    constexpr bool operator==(const Color&) const = default;

private:
    uint32_t m_argb = 0xFF000000;
};

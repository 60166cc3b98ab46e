#pragma once
// Helpers of the label tests: where ink lies on a printed page, a fixed date
// for the date line, the logo as the build drew it, and where grabs go.
#include "CodePage.h"
#include "Image.h"
#include "LocalTime.h"
#include "Rect.h"
#include "TPMSPrintInfo.h"

#include <filesystem>
#include <string>

// The box of the pixels darker than mid-grey within the area (right and bottom
// inclusive); right < 0 when there are none.
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

// The local time is this date while the object lives.
class FixedDate {
public:
    FixedDate(int year, int month, int day)
        : m_old(SetLocalTimeSource([=] {
              LocalTime t;
              t.year = year;
              t.month = month;
              t.day = day;
              t.hour = 10;
              return t;
          }))
    {
    }
    ~FixedDate() { SetLocalTimeSource(m_old); }
    FixedDate(const FixedDate&) = delete;
    FixedDate& operator=(const FixedDate&) = delete;

private:
    LocalTimeSource m_old;
};

// The label logo the image generator put beside the built program.
inline std::wstring BuiltLogoPath() { return Utf8ToWide(BRELK_SAMPLE_BIN) + L"/pic/car/VornixLogo.bmp"; }

// A vehicle's label with the built logo.
inline _tagTPMSPrintInfo SampleVehicleLabel()
{
    _tagTPMSPrintInfo label;
    label.sensorId = L"00ABCDEF(H)";
    label.makeModel = L"Testmark-Alto";
    label.yearText = L"2010/01-2015/12";
    label.kind = _tagTPMSPrintInfo::kVehicle;
    label.logoPath = BuiltLogoPath();
    return label;
}

inline std::string LabelGrabPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

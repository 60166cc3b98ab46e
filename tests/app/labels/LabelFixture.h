#pragma once
// Helpers of the label tests: where ink lies on a printed page, a fixed date
// for the date line, the logo as the build drew it, and where grabs go.
#include "CodePage.h"
#include "Image.h"
#include "InkBox.h"
#include "LocalTime.h"
#include "Rect.h"
#include "TPMSPrintInfo.h"

#include <filesystem>
#include <string>

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

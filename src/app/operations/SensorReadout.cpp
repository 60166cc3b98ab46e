#include "SensorReadout.h"

#include "ByteOrder.h"
#include "CodePage.h"
#include "DorvanSensorInfo.h"
#include "Ini.h"
#include "Language.h"
#include "SensorInfo.h"
#include "SharedHelpers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// The factors as the readings were always computed: single precision.
constexpr float kKpaToPsi = 0.145f;
constexpr float kKpaToBar = 0.01f;
constexpr double kCelsiusToFahrenheit = 1.8;
constexpr int kFahrenheitOffset = 32;
// PV: the battery word in volts x 100; PT: the temperature word in degrees.
constexpr double kPvScale = 0.01;
constexpr double kPvOffset = 1.22;
constexpr int kPtOffset = 55;
constexpr uint16_t kWordBlank = 0xFFFF;
// A record of the programmed values: the identifier from byte 7, the first
// word at 0; the words of the programming from byte 41 when it holds 48.
constexpr int kIdRecordMin = 12;
constexpr int kIdAt = 7;
constexpr int kWordsRecordMin = 48;
constexpr int kTemperatureWordAt = 41;
constexpr int kDateWordAt = 43;
constexpr int kBatteryWordAt = 46;
constexpr int kIdentityBytes = 16;
constexpr uint8_t kBlankFlash = 0xFF;
constexpr int kCenturyMask = 0xFF80;

const wchar_t* const kNotAvailable = L"NA";

std::wstring Printf(const wchar_t* format, auto... values)
{
    wchar_t text[64];
    std::swprintf(text, 64, format, values...);
    return text;
}

std::wstring Unit(const wchar_t* key) { return GetLanguageManager().GetText(key); }

// 32 + the product truncated toward zero, as the readings were always shown.
// A damaged telegram can give any temperature a script makes of it: one past
// the integer's range shows the nearest integer instead of overflowing.
int ToFahrenheit(int celsius)
{
    const double fahrenheit = std::trunc(kCelsiusToFahrenheit * celsius) + kFahrenheitOffset;
    return static_cast<int>(std::clamp(fahrenheit, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

} // namespace

DisplayUnits ReadDisplayUnits(const CIni& settings)
{
    auto upper = [&settings](const wchar_t* key) { return UpperText(settings.ReadStringBuf(L"Setup", key)); };
    return DisplayUnits{upper(L"IDFormat"), upper(L"Temperature"), upper(L"Pressure")};
}

void _SensorInfo::SetFirstFour(const std::wstring& text) { std::fill(texts.begin(), texts.begin() + 4, text); }

void FormatPressureTemperature(int pressureKpa, int temperatureC, const DisplayUnits& units, std::wstring& pressureText,
                               std::wstring& temperatureText)
{
    if (temperatureC == SENSOR_VALUE_NONE)
        temperatureText = L" NA ";
    else if (units.temperature == L"C")
        temperatureText = Printf(L"%d", temperatureC) + L" " + Unit(L"UNIT_C");
    else
        temperatureText = Printf(L"%d", ToFahrenheit(temperatureC)) + L" " + Unit(L"UNIT_F");

    if (pressureKpa == SENSOR_VALUE_NONE)
        pressureText = L" NA ";
    else if (units.pressure == L"BAR")
        pressureText = Printf(L"%0.2f", static_cast<double>(static_cast<float>(pressureKpa) * kKpaToBar)) + L" " +
                       Unit(L"UNIT_BAR");
    else if (units.pressure == L"KPA")
        pressureText = Printf(L"%d", pressureKpa) + L" " + Unit(L"UNIT_KPA");
    else
        pressureText = Printf(L"%0.1f", static_cast<double>(static_cast<float>(pressureKpa) * kKpaToPsi)) + L" " +
                       Unit(L"UNIT_PSI");
}

std::wstring BatteryText(int batteryFlag)
{
    if (batteryFlag == 0)
        return Unit(L"POWER_OK");
    if (batteryFlag == 1)
        return Unit(L"LOW_POWER");
    return kNotAvailable;
}

std::wstring PsnTextToWide(const std::string& bytes)
{
    std::string text = bytes.substr(0, bytes.find('\0'));
    while (!text.empty() && static_cast<uint8_t>(text.back()) == kBlankFlash)
        text.pop_back();
    return Utf8ToWide(text);
}

_SensorInfo SensorInfoTexts(const DorvanSensorInfo& info, const DisplayUnits& units, const CSensorParam* record,
                            int currentYear)
{
    _SensorInfo out;
    const CBinary& programmed = info.m_Programmed;
    uint16_t firstWord = 0;
    if (programmed.GetSize() > kIdRecordMin) {
        out.texts[_SensorInfo::Id] = FormatIdText(ReadBe32At(programmed, kIdAt).value_or(0), units.HexIds(), record);
        firstWord = ReadBe16At(programmed, 0).value_or(0);
    }
    uint16_t temperatureWord = 0, dateWord = 0, batteryWord = 0;
    if (programmed.GetSize() >= kWordsRecordMin) {
        temperatureWord = ReadBe16At(programmed, kTemperatureWordAt).value_or(0);
        dateWord = ReadBe16At(programmed, kDateWordAt).value_or(0);
        batteryWord = ReadBe16At(programmed, kBatteryWordAt).value_or(0);
    }

    const CBinary& identity = info.m_Identity;
    const bool blank =
        identity.GetSize() == kIdentityBytes && std::all_of(identity.GetBuffer(), identity.GetBuffer() + kIdentityBytes,
                                                            [](uint8_t b) { return b == kBlankFlash; });
    out.texts[_SensorInfo::Psn] = blank ? std::wstring(kNotAvailable)
                                        : PsnTextToWide(std::string(reinterpret_cast<const char*>(identity.GetBuffer()),
                                                                    static_cast<size_t>(identity.GetSize())));

    // The three words of the hardware: its version, the word beside it, and
    // the first word of the programmed block.
    out.texts[_SensorInfo::HardVersion] = Printf(L"%.4X-%.4X-%.4X", info.m_nHardVersion, info.m_nWordB, firstWord);
    out.texts[_SensorInfo::Voltage] = Printf(L"%.2f V", static_cast<double>(info.m_fBattery));
    FormatPressureTemperature(static_cast<int>(info.m_fPressure), static_cast<int>(info.m_fTemperature), units,
                              out.texts[_SensorInfo::Pressure], out.texts[_SensorInfo::Temperature]);

    std::wstring version = Printf(L"V%d.%d", info.m_nWordA >> 8, info.m_nWordA & 0xFF);
    if (dateWord != 0 && dateWord != kWordBlank) {
        const int month = (dateWord >> 5) & 0xF;
        const int day = dateWord & 0x1F;
        const int year = ((dateWord >> 9) | (currentYear & kCenturyMask)) % 100;
        version += L" " + Printf(L"%.2d%.2d%.2d", year, month, day);
    }
    out.texts[_SensorInfo::SoftVersion] = version;
    out.texts[_SensorInfo::AreaNumber] = Printf(L"%.4X", info.m_nWordD);

    const std::wstring pv = batteryWord == 0 || batteryWord == kWordBlank
                                ? std::wstring(kNotAvailable)
                                : Printf(L"%d", static_cast<int>((batteryWord * kPvScale + kPvOffset) * 100));
    const std::wstring pt = temperatureWord == 0 || temperatureWord == kWordBlank
                                ? std::wstring(kNotAvailable)
                                : Printf(L"%d", temperatureWord - kPtOffset);
    out.texts[_SensorInfo::PvPt] = pv + L"/" + pt;
    return out;
}

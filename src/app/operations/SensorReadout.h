#pragma once
// What a sensor reading shows: the nine texts of a full read, pressure and
// temperature in the user's units, the battery state, the PV/PT values. The
// conversions keep the arithmetic the readings were always shown with
// (single-precision factors, truncation toward zero), so a value shows the
// same digits it always did.
#include "SensorIdentifiers.h"
#include "SetupFile.h"

#include <array>
#include <cstdint>
#include <string>

class CIni;
class CSensorParam;
struct DorvanSensorInfo;

// One sensor reading as nine texts.
struct _SensorInfo {
    enum Text {
        Id,
        Temperature,
        Pressure,
        Voltage,
        HardVersion, // "%.4X-%.4X-%.4X"
        SoftVersion, // "V%d.%d", and the production date
        AreaNumber,  // "%.4X"
        Psn,         // the sensor's identity text, or "NA"
        PvPt,        // PV "/" PT
        Count
    };
    _SensorInfo() = default;
    _SensorInfo(const _SensorInfo&) = default;
    _SensorInfo& operator=(const _SensorInfo&) = default;
    virtual ~_SensorInfo() = default;
    // The first four texts set to one text.
    void SetFirstFour(const std::wstring& text);

    std::array<std::wstring, Count> texts;
};

// The [Setup] settings a display reads, upper-cased: IDFormat ("H"
// hexadecimal), Temperature ("C" Celsius, else Fahrenheit), Pressure ("BAR",
// "KPA", else PSI).
struct DisplayUnits {
    std::wstring idFormat;
    std::wstring temperature;
    std::wstring pressure;
    bool HexIds() const { return IdFormatIsHex(idFormat); }
};
// The units as the settings file holds them now.
DisplayUnits ReadDisplayUnits(const CIni& settings);

// Pressure in kPa and temperature in degrees Celsius as texts in the units;
// SENSOR_VALUE_NONE gives " NA ".
void FormatPressureTemperature(int pressureKpa, int temperatureC, const DisplayUnits& units, std::wstring& pressureText,
                               std::wstring& temperatureText);
// Battery flag 0 "POWER_OK", 1 "LOW_POWER" (language texts), else "NA".
std::wstring BatteryText(int batteryFlag);

// The sensor's identity bytes as text: up to the first NUL, without the
// blank flash (FF) that pads it.
std::wstring PsnTextToWide(const std::string& bytes);

// The nine texts of an information check record. record is the sensor's
// parameter record (for the identifier's digits), currentYear the year the
// production date's century comes from.
_SensorInfo SensorInfoTexts(const DorvanSensorInfo& info, const DisplayUnits& units, const CSensorParam* record,
                            int currentYear);

#include "SensorReadout.h"

#include "DorvanSensorInfo.h"
#include "Language.h"
#include "OneNumberFormat.h"
#include "SensorInfo.h"
#include "VehicleRecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

TEST(SensorReadoutTest, PressureAndTemperatureInTheUsersUnits)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    struct Case {
        int kpa, celsius;
        const wchar_t* temperatureUnit;
        const wchar_t* pressureUnit;
        std::wstring pressure, temperature;
    };
    const std::vector<Case> cases = {
        {250, 25, L"F", L"PSI", L"36.2 " + Text(L"UNIT_PSI"), L"77 " + Text(L"UNIT_F")},
        {250, -3, L"F", L"BAR", L"2.50 " + Text(L"UNIT_BAR"), L"27 " + Text(L"UNIT_F")}, // 32 + trunc(-5.4)
        {250, -3, L"C", L"KPA", L"250 " + Text(L"UNIT_KPA"), L"-3 " + Text(L"UNIT_C")},
        {0, 0, L"", L"", L"0.0 " + Text(L"UNIT_PSI"), L"32 " + Text(L"UNIT_F")}, // anything else: PSI, Fahrenheit
        {221, 100, L"F", L"PSI", L"32.0 " + Text(L"UNIT_PSI"), L"212 " + Text(L"UNIT_F")},
        {SENSOR_VALUE_NONE, SENSOR_VALUE_NONE, L"C", L"BAR", L" NA ", L" NA "},
        // What a damaged telegram's script made of the temperature: no overflow.
        {250, INT_MIN, L"F", L"KPA", L"250 " + Text(L"UNIT_KPA"), L"-2147483648 " + Text(L"UNIT_F")},
        {250, -2000000000, L"F", L"KPA", L"250 " + Text(L"UNIT_KPA"), L"-2147483648 " + Text(L"UNIT_F")},
        {250, 1193046470, L"F", L"KPA", L"250 " + Text(L"UNIT_KPA"), L"2147483647 " + Text(L"UNIT_F")},
        {250, -40, L"F", L"KPA", L"250 " + Text(L"UNIT_KPA"), L"-40 " + Text(L"UNIT_F")},
    };
    std::wstring psi, fahrenheit;
    FormatPressureTemperature(250, 25, DisplayUnits{}, psi, fahrenheit);
    EXPECT_EQ(psi, L"36.2 PSI");
    for (const Case& c : cases) {
        std::wstring pressure, temperature;
        FormatPressureTemperature(c.kpa, c.celsius, DisplayUnits{L"H", c.temperatureUnit, c.pressureUnit}, pressure,
                                  temperature);
        EXPECT_EQ(pressure, c.pressure) << c.kpa;
        EXPECT_EQ(temperature, c.temperature) << c.celsius;
    }
}

TEST(SensorReadoutTest, BatteryFlags)
{
    EXPECT_EQ(BatteryText(0), Text(L"POWER_OK"));
    EXPECT_EQ(BatteryText(1), Text(L"LOW_POWER"));
    EXPECT_EQ(BatteryText(2), L"NA");
    EXPECT_EQ(BatteryText(255), L"NA");
}

TEST(SensorReadoutTest, IdentityTextLosesItsPadding)
{
    EXPECT_EQ(PsnTextToWide(std::string("PSN-0001\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16)), L"PSN-0001");
    EXPECT_EQ(PsnTextToWide(std::string("AB\0CD", 5)), L"AB");
    EXPECT_EQ(PsnTextToWide("NA"), L"NA");
    EXPECT_EQ(PsnTextToWide(std::string(16, '\xFF')), L"");
}

// A record of a sensor information check as the V4 read leaves it.
DorvanSensorInfo CheckRecord(uint16_t temperatureWord, uint16_t dateWord, uint16_t batteryWord)
{
    DorvanSensorInfo info;
    info.m_nHardVersion = 0x7100;
    info.m_nWordB = 0x0123;
    info.m_nWordA = 0x0205;
    info.m_nWordD = 0x0600;
    info.m_fBattery = 3.04f;
    info.m_fTemperature = 24.9f;
    info.m_fPressure = 250.7f;
    std::vector<uint8_t> programmed(48, 0);
    programmed[0] = 0x12;
    programmed[1] = 0x34;
    programmed[7] = 0x00;
    programmed[8] = 0xAB;
    programmed[9] = 0xCD;
    programmed[10] = 0xEF;
    programmed[41] = static_cast<uint8_t>(temperatureWord >> 8);
    programmed[42] = static_cast<uint8_t>(temperatureWord);
    programmed[43] = static_cast<uint8_t>(dateWord >> 8);
    programmed[44] = static_cast<uint8_t>(dateWord);
    programmed[46] = static_cast<uint8_t>(batteryWord >> 8);
    programmed[47] = static_cast<uint8_t>(batteryWord);
    info.m_Programmed = CBinary(programmed.data(), 48);
    const std::string psn = std::string("PSN-42") + std::string(10, '\xFF');
    info.m_Identity = CBinary(psn.data(), 16);
    return info;
}

TEST(SensorReadoutTest, TheNineTextsOfACheck)
{
    CSensorParam record;
    record.fields[0] = L"040";
    record.fields[7] = L"4";
    // Programmed 2024-03-07: (24 << 9) | (3 << 5) | 7, the year's low 7 bits.
    const uint16_t date = static_cast<uint16_t>((2024 & 0x7F) << 9 | 3 << 5 | 7);
    const _SensorInfo info =
        SensorInfoTexts(CheckRecord(0x0050, date, 0x0120), DisplayUnits{L"H", L"C", L"KPA"}, &record, 2025);
    EXPECT_EQ(info.texts[_SensorInfo::Id], L"00ABCDEF");
    EXPECT_EQ(info.texts[_SensorInfo::Temperature], L"24 " + Text(L"UNIT_C"));
    EXPECT_EQ(info.texts[_SensorInfo::Pressure], L"250 " + Text(L"UNIT_KPA"));
    EXPECT_EQ(info.texts[_SensorInfo::Voltage], L"3.04 V");
    EXPECT_EQ(info.texts[_SensorInfo::HardVersion], L"7100-0123-1234");
    EXPECT_EQ(info.texts[_SensorInfo::SoftVersion], L"V2.5 240307");
    EXPECT_EQ(info.texts[_SensorInfo::AreaNumber], L"0600");
    EXPECT_EQ(info.texts[_SensorInfo::Psn], L"PSN-42");
    // PV: the integer part of (288 x 0.01 + 1.22) x 100, which in doubles is
    // 409.99999999999994; PT: 80 - 55.
    EXPECT_EQ(info.texts[_SensorInfo::PvPt], L"409/25");

    const _SensorInfo decimal =
        SensorInfoTexts(CheckRecord(0x0050, date, 0x0120), DisplayUnits{L"D", L"F", L"PSI"}, &record, 2025);
    EXPECT_EQ(decimal.texts[_SensorInfo::Id], L"11259375");
    EXPECT_EQ(decimal.texts[_SensorInfo::Temperature], L"75 " + Text(L"UNIT_F")); // 32 + trunc(1.8 x 24)
    EXPECT_EQ(decimal.texts[_SensorInfo::Pressure], L"36.2 " + Text(L"UNIT_PSI"));
}

TEST(SensorReadoutTest, BlankWordsShowNotAvailable)
{
    struct Case {
        uint16_t temperature, date, battery;
        const wchar_t* version;
        const wchar_t* pvPt;
    };
    const Case cases[] = {
        {0, 0, 0, L"V2.5", L"NA/NA"},                // raw 0: NA/NA, no date
        {0xFFFF, 0xFFFF, 0xFFFF, L"V2.5", L"NA/NA"}, // blank flash
        {0x0037, 0xFFFF, 0xFFFF, L"V2.5", L"NA/0"},
        {0xFFFF, 0x0021, 0x0001, L"V2.5 200101", L"123/NA"}, // the century of 2025 & 0xFF80
    };
    for (const Case& c : cases) {
        const _SensorInfo info =
            SensorInfoTexts(CheckRecord(c.temperature, c.date, c.battery), DisplayUnits{}, nullptr, 2025);
        EXPECT_EQ(info.texts[_SensorInfo::SoftVersion], c.version);
        EXPECT_EQ(info.texts[_SensorInfo::PvPt], c.pvPt);
    }
    // A blank identity block is "NA"; a short programmed block leaves the identifier empty.
    DorvanSensorInfo blank = CheckRecord(0, 0, 0);
    const std::string ff(16, '\xFF');
    blank.m_Identity = CBinary(ff.data(), 16);
    blank.m_Programmed = CBinary("0123456789AB", 12);
    const _SensorInfo info = SensorInfoTexts(blank, DisplayUnits{}, nullptr, 2025);
    EXPECT_EQ(info.texts[_SensorInfo::Psn], L"NA");
    EXPECT_EQ(info.texts[_SensorInfo::Id], L"");
    EXPECT_EQ(info.texts[_SensorInfo::HardVersion], L"7100-0123-0000");
}

TEST(SensorReadoutTest, LanguageTextsFillOnlyTheOneNumber)
{
    struct Case {
        const wchar_t* format;
        long long number;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%d sensors found. Program all of them?", 3, L"3 sensors found. Program all of them?"},
        {L"Programmable sensor, %d MHz", 433, L"Programmable sensor, 433 MHz"},
        {L"%03d%%", 7, L"007%"},
        {L"%s and %d", 5, L"%s and 5"},      // a text conversion is text
        {L"%d of %d", 2, L"2 of %d"},        // only the first number
        {L"%n %d", 1, L"%n 1"},              // nothing is written through
        {L"%999999999d", 1, L"%999999999d"}, // no width beyond two digits
        {L"no number", 1, L"no number"},
        {L"%", 1, L"%"},
        {L"%-5i|", 42, L"42   |"},
        {L"%u", -1, L"18446744073709551615"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatOneNumber(c.format, c.number), c.expected);
}

} // namespace

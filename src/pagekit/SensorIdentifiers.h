#pragma once
// Sensor identifiers: a 32-bit value of 6, 7 or 8 hexadecimal digits by the
// sensor type. New identifiers for "Create Sensor" are made here, typed ones
// are parsed and checked, and identifiers are formatted for the pages, the
// daily records and the labels in hexadecimal or decimal.
//
// Integer behaviour the Brelk and the stored files see is kept as the
// program always had it: the generator's arithmetic, and text parsed with its
// first platform's 32-bit wcstoul. Only the seed is new: the whole 32 bits,
// not that platform's 15-bit rand() of the millisecond.
#include <cstdint>
#include <string>

class CSensorParam;

// The generator's arithmetic: the seed times 950706376 (wrapping, signed
// 32-bit), its remainder by 2^31 - 1, taken unsigned and scaled to range;
// results below low are moved up by low.
int RandomInRange(int seed, int low, int range);
// 2^(4n) - 1: the largest identifier of n hexadecimal digits; 1 for n = 0,
// and n is taken as at most 16.
uint64_t MaxValueForHexDigits(int n);
// A seed for a new identifier: the next 32 bits of a generator seeded once
// from the system's entropy (std::random_device), so that identifiers differ
// across presses, runs and stations, two presses in one millisecond too.
// Any thread.
int NewIdSeed();

// Bit 3 of a new identifier for four sensor codes (low 12 bits of the code):
// 073 and 07E clear it, 07C and 081 set it.
uint32_t AdjustNewSensorId(unsigned sensorCode, uint32_t id);

// The sensor code as the parameter records name it ("%03X").
std::wstring SensorCodeText(unsigned sensorCode);
// The parameter record of a sensor code in the vehicle database, or null.
const CSensorParam* FindSensorParamOf(unsigned sensorCode);
// The frequency selector the programming objects are made with: 1 when the
// record's frequency field reads 1 as a number, else 0 (also without a record).
uint8_t FrequencySelectorOf(const CSensorParam* record);
// The sensor's frequency for the pictures and the prompt: 433 for selector
// "0", 315 for "1", 0 for anything else and without a record.
int SensorFrequencyOf(const CSensorParam* record);
// The identifier length field of a record: "4", "3.5", "3" or another text;
// an empty field counts as "4".
std::wstring IdLengthOf(const CSensorParam& record);
// Digits of the sensor's identifiers: 2 x the identifier length in
// hexadecimal (6 for code "1ED" whatever its length), 2 more in decimal.
struct IdDigits {
    int hex = 8;
    int dec = 10;
};
IdDigits IdDigitsOf(const CSensorParam& record);
// The largest identifier the sensor takes; without a record, 8 digits.
uint64_t MaxIdOf(const CSensorParam& record);
uint64_t MaxIdOf(const CSensorParam* record);
// The refusal of an identifier beyond that: "ID_RANGE" in the language in use
// ("Invalid data !\r\nRange:0-%u" in English) with the largest value.
std::wstring IdRangeText(uint64_t max);
// "SENSOR_NOT_SUPPORTED" ("Not supported this sensor!"): a sensor code the
// parameters do not know.
std::wstring SensorNotSupportedText();

// The identifier prefix byte from the selection's "firstid" text.
uint8_t IdPrefixByte(const std::wstring& firstid);

// An identifier for display and records: hexadecimal with the sensor's
// digits, leading zeros included (8 digits without a record), or decimal.
std::wstring FormatIdText(uint32_t id, bool hex, const CSensorParam* record);

// A new identifier for the create page. message is set when the sensor's
// identifier length is not one this program makes identifiers for (in
// hexadecimal mode only); the text is then empty.
struct GeneratedId {
    std::wstring text;
    bool notSupported = false;
};
GeneratedId GenerateSensorId(const CSensorParam& record, unsigned sensorCode, const std::wstring& firstid, bool hex,
                             int seed);

// A typed identifier. The text must be digits of the base and nothing else
// (no sign, no blanks, no "0x"). value64 is the whole value, saturated at
// 2^64 - 1; value32 what the program programs: the 32-bit value, saturated
// at 0xFFFFFFFF the way the 32-bit wcstoul of the program's first platform
// saturates.
enum class IdParse { Ok, Empty, Invalid };
struct ParsedId {
    IdParse result = IdParse::Empty;
    uint64_t value64 = 0;
    uint32_t value32 = 0;
};
ParsedId ParseIdText(const std::wstring& text, int base);

// wcstol / wcstoul of a 32-bit platform: leading blanks, a sign, "0x" in
// base 16, the digits that follow; saturated at the 32-bit limits.
int32_t WcsToLong32(const std::wstring& text, int base);
uint32_t WcsToULong32(const std::wstring& text, int base);

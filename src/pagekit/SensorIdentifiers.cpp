#include "SensorIdentifiers.h"

#include "Language.h"
#include "OneNumberFormat.h"
#include "SharedHelpers.h"
#include "VehicleDatabase.h"
#include "VehicleRecords.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <limits>
#include <mutex>
#include <random>

namespace {

constexpr int64_t kRandomModulus = 2147483647;
constexpr double kRandomScale = 4294967295.0;
constexpr uint32_t kIdAdjustBit = 0x8;
constexpr unsigned kSensorCodeMask = 0xFFF;
constexpr int kMaxHexDigits = 16;
// The code whose identifiers have 6 digits whatever its length field says.
constexpr const wchar_t* kSixDigitCode = L"1ED";
constexpr uint32_t kSixDigitCodeMask = 0x3FFFFF;

bool IsSixDigitCode(const CSensorParam& record) { return record.fields[0] == kSixDigitCode; }

int DigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'z')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'Z')
        return c - L'A' + 10;
    return 99;
}

// The digits from text[at] on: their value saturated at `limit`, and the
// position after them.
uint64_t ReadDigits(const std::wstring& text, size_t& at, int base, uint64_t limit, bool& overflow)
{
    uint64_t value = 0;
    overflow = false;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at]);
        if (digit >= base)
            break;
        if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            overflow = true;
        else
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return overflow ? limit : value;
}

// Blanks, a sign and, in base 16, "0x": where the digits of a C-library
// conversion start.
size_t SkipNumberStart(const std::wstring& text, int base, bool& negative)
{
    size_t at = 0;
    while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at])))
        ++at;
    negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
        negative = text[at++] == L'-';
    if (base == 16 && at + 1 < text.size() && text[at] == L'0' && (text[at + 1] == L'x' || text[at + 1] == L'X') &&
        at + 2 < text.size() && DigitValue(text[at + 2]) < 16)
        at += 2;
    return at;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return {};
    const size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::wstring Format(const wchar_t* format, uint32_t value)
{
    wchar_t text[32];
    std::swprintf(text, 32, format, value);
    return text;
}

} // namespace

int RandomInRange(int seed, int low, int range)
{
    const int32_t x = static_cast<int32_t>(static_cast<uint32_t>(seed) * 950706376u);
    const int64_t r = static_cast<int64_t>(x) % kRandomModulus;
    const uint32_t u = static_cast<uint32_t>(r);
    const int v = static_cast<int>(u / kRandomScale * range);
    return v < low ? v + low : v;
}

uint64_t MaxValueForHexDigits(int n)
{
    uint64_t value = 1;
    for (int i = 1; i < 4 * std::min(n, kMaxHexDigits); ++i)
        value = value * 2 + 1;
    return value;
}

int NewIdSeed()
{
    static std::mutex guard;
    static std::mt19937 generator = [] {
        std::random_device entropy;
        std::seed_seq seeds{entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy()};
        return std::mt19937(seeds);
    }();
    const std::lock_guard<std::mutex> lock(guard);
    return static_cast<int>(static_cast<uint32_t>(generator()));
}

uint32_t AdjustNewSensorId(unsigned sensorCode, uint32_t id)
{
    switch (sensorCode & kSensorCodeMask) {
    case 0x073:
    case 0x07E: return id & ~kIdAdjustBit;
    case 0x07C:
    case 0x081: return id | kIdAdjustBit;
    default: return id;
    }
}

std::wstring SensorCodeText(unsigned sensorCode)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%03X", sensorCode);
    return text;
}

const CSensorParam* FindSensorParamOf(unsigned sensorCode)
{
    CVehicleDatabase* db = GetVehicleDatabase();
    return db ? db->FindSensorParam(SensorCodeText(sensorCode)) : nullptr;
}

uint8_t FrequencySelectorOf(const CSensorParam* record)
{
    return record && WcsToLong32(record->fields[3], 10) == 1 ? 1 : 0;
}

int SensorFrequencyOf(const CSensorParam* record)
{
    if (!record)
        return 0;
    const std::wstring selector = Trimmed(record->fields[3]);
    return selector == L"0" ? 433 : selector == L"1" ? 315 : 0;
}

std::wstring IdLengthOf(const CSensorParam& record)
{
    return record.fields[7].empty() ? std::wstring(L"4") : record.fields[7];
}

IdDigits IdDigitsOf(const CSensorParam& record)
{
    IdDigits digits;
    if (IsSixDigitCode(record))
        digits.hex = 6;
    else
        digits.hex = static_cast<int>(2 * std::wcstod(IdLengthOf(record).c_str(), nullptr));
    digits.hex = std::clamp(digits.hex, 0, kMaxHexDigits);
    digits.dec = digits.hex + 2;
    return digits;
}

uint64_t MaxIdOf(const CSensorParam& record) { return MaxValueForHexDigits(IdDigitsOf(record).hex); }

uint64_t MaxIdOf(const CSensorParam* record)
{
    return record ? MaxIdOf(*record) : MaxValueForHexDigits(IdDigits{}.hex);
}

std::wstring IdRangeText(uint64_t max)
{
    // The language's text is a format from a file: only its one number is filled.
    const std::wstring format = GetLanguageManager().GetTextOr(L"ID_RANGE", L"Invalid data !\r\nRange:0-%u");
    return FormatOneNumber(format, static_cast<long long>(std::min<uint64_t>(max, INT64_MAX)));
}

std::wstring SensorNotSupportedText()
{
    return GetLanguageManager().GetTextOr(L"SENSOR_NOT_SUPPORTED", L"Not supported this sensor!");
}

uint8_t IdPrefixByte(const std::wstring& firstid)
{
    const std::wstring text = Trimmed(UpperText(firstid));
    if (text == L"FF")
        return 0;
    if (text.find(L"FF") == std::wstring::npos)
        return static_cast<uint8_t>(WcsToLong32(text, 16));
    // "FF(1A)": the characters from the fourth up to the last one.
    if (text.size() > 4)
        return static_cast<uint8_t>(WcsToLong32(text.substr(3, text.size() - 4), 16));
    return 0;
}

std::wstring FormatIdText(uint32_t id, bool hex, const CSensorParam* record)
{
    if (!hex)
        return Format(L"%u", id);
    const int digits = record ? IdDigitsOf(*record).hex : 8;
    wchar_t format[16];
    std::swprintf(format, 16, L"%%.%dX", digits);
    return Format(format, id);
}

GeneratedId GenerateSensorId(const CSensorParam& record, unsigned sensorCode, const std::wstring& firstid, bool hex,
                             int seed)
{
    const uint32_t prefix = IdPrefixByte(firstid);
    const std::wstring length = IdLengthOf(record);
    const bool sixDigitCode = IsSixDigitCode(record);
    uint32_t id = 0;
    const wchar_t* format = nullptr;
    if (hex && sixDigitCode) {
        id = static_cast<uint32_t>(RandomInRange(seed, 0xFFF, 0xFFFFFF)) & kSixDigitCodeMask;
        format = L"%06X";
    } else if (length == L"4") {
        id = (prefix << 24) + static_cast<uint32_t>(RandomInRange(seed, 0xFFF, 0xFFFFFF));
        format = L"%08X";
    } else if (length == L"3.5") {
        id = (prefix << 20) + static_cast<uint32_t>(RandomInRange(seed, 0xFFF, 0xFFFFF));
        format = L"%07X";
    } else if (length == L"3") {
        id = (prefix << 16) + static_cast<uint32_t>(RandomInRange(seed, 0xFF, 0xFFFF));
        format = L"%06X";
    } else if (!hex && sixDigitCode) {
        id = static_cast<uint32_t>(RandomInRange(seed, 0xFFF, 0xFFFFFF)) & kSixDigitCodeMask;
    } else {
        GeneratedId none;
        none.notSupported = hex;
        return none;
    }
    id = AdjustNewSensorId(sensorCode, id);
    return GeneratedId{Format(hex ? format : L"%u", id), false};
}

ParsedId ParseIdText(const std::wstring& text, int base)
{
    ParsedId parsed;
    if (text.empty())
        return parsed;
    size_t at = 0;
    bool overflow = false;
    parsed.value64 = ReadDigits(text, at, base, std::numeric_limits<uint64_t>::max(), overflow);
    if (at != text.size()) {
        parsed.result = IdParse::Invalid;
        parsed.value64 = 0;
        return parsed;
    }
    parsed.result = IdParse::Ok;
    parsed.value32 = static_cast<uint32_t>(std::min<uint64_t>(parsed.value64, 0xFFFFFFFFu));
    return parsed;
}

int32_t WcsToLong32(const std::wstring& text, int base)
{
    bool negative = false;
    size_t at = SkipNumberStart(text, base, negative);
    bool overflow = false;
    const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    const uint64_t value = ReadDigits(text, at, base, limit, overflow);
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
}

uint32_t WcsToULong32(const std::wstring& text, int base)
{
    bool negative = false;
    size_t at = SkipNumberStart(text, base, negative);
    bool overflow = false;
    const uint64_t value = ReadDigits(text, at, base, 0xFFFFFFFFu, overflow);
    if (overflow)
        return 0xFFFFFFFFu;
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(value)) : static_cast<uint32_t>(value);
}

#include "SetupFile.h"

#include "CodePage.h"
#include "Paths.h"
#include "PrivateProfile.h"
#include "SharedHelpers.h"
#include "UniqueFile.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kSetupReadSize = 260;
constexpr int kFallbackLineSize = 1024;

// _wtol: leading blanks, a sign and decimal digits; out of range saturates.
int ToLong(const std::wstring& s)
{
    bool negative = false;
    uint64_t v = 0;
    ParseLeadingDecimal(s, negative, v);
    if (negative)
        return v > static_cast<uint64_t>(INT_MAX) ? INT_MIN : -static_cast<int>(v);
    return v > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

// _wtof without the locale: a program that set a locale with a decimal comma
// must still read "40.0".
float ToFloat(const std::wstring& s, bool& ok)
{
    std::string narrow;
    size_t i = 0;
    while (i < s.size() && std::iswspace(static_cast<wint_t>(s[i])))
        ++i;
    if (i < s.size() && s[i] == L'+')
        ++i;
    for (; i < s.size() && s[i] < 0x80; ++i)
        narrow += static_cast<char>(s[i]);
    float v = 0;
    auto r = std::from_chars(narrow.data(), narrow.data() + narrow.size(), v);
    ok = r.ec == std::errc();
    return ok ? v : 0.0f;
}

std::wstring FormatFloat(float v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
    return Utf8ToWide(std::string(buf, r.ec == std::errc() ? r.ptr : buf));
}

void Write(const std::wstring& path, const wchar_t* section, const wchar_t* key, const std::wstring& value)
{
    if (!path.empty())
        WritePrivateProfileString(section, key, value.c_str(), path);
}

// Reads a float key; an absent or empty key keeps `value`. Sizes below 1, and
// texts that are no finite number, become 1.
void LoadPaperSize(const std::wstring& path, const wchar_t* key, float& value)
{
    std::wstring text;
    ReadSetupString(text, path, L"PrintSetting", key);
    if (!text.empty()) {
        bool ok = false;
        value = ToFloat(text, ok);
    }
    if (!std::isfinite(value) || value < 1.0f)
        value = 1.0f;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::wstring UpperAscii(std::wstring s)
{
    for (wchar_t& c : s)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - 32);
    return s;
}

} // namespace

const std::wstring& GetSetupIniFile()
{
    static const std::wstring path = GetPublicDataFolder() + L"Setup.ini";
    return path;
}

void ReadSetupString(std::wstring& out, const std::wstring& path, const wchar_t* section, const wchar_t* key)
{
    if (path.empty())
        return;
    out.clear();
    if (GetPrivateProfileString(section, key, L"", out, kSetupReadSize, path) == 0) {
        std::wstring fallback;
        if (ReadIniKeyFallback(key, path, fallback) > 0)
            out = fallback;
    }
}

int ReadSetupInt(int& value, const wchar_t* section, const std::wstring& path, const wchar_t* key)
{
    std::wstring text;
    ReadSetupString(text, path, section, key);
    if (text.empty())
        return 1;
    value = ToLong(text);
    return 0;
}

void WriteSetupInt(const std::wstring& path, const wchar_t* key, const wchar_t* section, int value)
{
    Write(path, section, key, std::to_wstring(value));
}

void LoadSetupInfo(const std::wstring& path, _tagSetupInfo& record)
{
    ReadSetupInt(record.carsStyle, L"Setup", path, L"CarsStyle");
    // The region indexes the region tables: a value outside them loads as 1.
    if (record.carsStyle < 1 || record.carsStyle > 5)
        record.carsStyle = 1;
    std::wstring language;
    ReadSetupString(language, path, L"Setup", L"Language");
    record.language = UpperAscii(language);
}

bool IdFormatIsHex(const std::wstring& value) { return UpperAscii(value) == L"H"; }

void SaveSetupInfo(const _tagSetupInfo& record, const std::wstring& path)
{
    WriteSetupInt(path, L"CarsStyle", L"Setup", record.carsStyle);
    Write(path, L"Setup", L"Language", record.language);
}

void LoadPrintSetting(const std::wstring& path, _tagPrintSettingInfo& record)
{
    ReadSetupString(record.printerName, path, L"PrintSetting", L"PrinterName");
    LoadPaperSize(path, L"PaperWidth", record.paperWidth);
    LoadPaperSize(path, L"PaperHeight", record.paperHeight);
    ReadSetupInt(record.orientation, L"PrintSetting", path, L"Orientation");
    if (record.orientation <= 0)
        record.orientation = 1;
    ReadSetupString(record.logoTitle, path, L"PrintSetting", L"LogoTitle");
    ReadSetupInt(record.dateFormatType, L"PrintSetting", path, L"DateFormatType");
}

void SavePrintSetting(const std::wstring& path, const _tagPrintSettingInfo& record)
{
    Write(path, L"PrintSetting", L"PrinterName", record.printerName);
    Write(path, L"PrintSetting", L"PaperWidth", FormatFloat(record.paperWidth));
    Write(path, L"PrintSetting", L"PaperHeight", FormatFloat(record.paperHeight));
    WriteSetupInt(path, L"Orientation", L"PrintSetting", record.orientation);
    Write(path, L"PrintSetting", L"LogoTitle", record.logoTitle);
    WriteSetupInt(path, L"DateFormatType", L"PrintSetting", record.dateFormatType);
}

void LoadVersionInfo(_tagVersionInfo& record, const std::wstring& path)
{
    const struct {
        const wchar_t* key;
        std::wstring* field;
        const wchar_t* fallback;
    } keys[] = {
        {L"SoftWareVersion", &record.SoftWareVersion, kSoftwareVersion},
        {L"BrelkVersion", &record.BrelkVersion, kDefaultBrelkVersion},
        {L"CarBinVersion", &record.CarBinVersion, kDefaultCarBinVersion},
        {L"BootVersion", &record.BootVersion, kDefaultBootVersion},
    };
    for (const auto& k : keys) {
        std::wstring text;
        ReadSetupString(text, path, L"Config", k.key);
        *k.field = text.empty() ? k.fallback : text;
    }
}

int ReadIniKeyFallback(const wchar_t* key, const std::wstring& path, std::wstring& out)
{
    out.clear();
    UniqueFile f(OpenFile(WideToUtf8(path), "r"));
    if (!f)
        return -1;
    std::vector<std::string> lines;
    char buf[kFallbackLineSize];
    while (std::fgets(buf, sizeof buf, f.get())) {
        // A lone CR ends a line here as it does for the profile reader.
        const std::string chunk(buf);
        size_t begin = 0;
        for (size_t cr = chunk.find('\r'); cr != std::string::npos; cr = chunk.find('\r', begin)) {
            if (cr + 1 < chunk.size() && chunk[cr + 1] == '\n')
                break;
            lines.push_back(chunk.substr(begin, cr + 1 - begin));
            begin = cr + 1;
        }
        if (begin < chunk.size())
            lines.push_back(chunk.substr(begin));
    }
    if (lines.empty())
        return -1;
    // An empty key would match every line that holds a '='.
    const std::string name = key ? WideToUtf8(key) : std::string();
    if (name.empty())
        return 0;
    std::string value;
    for (const std::string& line : lines) {
        if (line.compare(0, name.size(), name) != 0)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        size_t end = line.find_first_of("\r\n", eq + 1);
        if (end == std::string::npos)
            end = line.size();
        // Spaces and tabs, as the profile reader drops them: the value read
        // here must be the one read after the key is written to its section.
        size_t begin = eq + 1;
        while (begin < end && IsBlank(line[begin]))
            ++begin;
        while (end > begin && IsBlank(line[end - 1]))
            --end;
        value = line.substr(begin, end - begin);
    }
    out = Utf8ToWide(value);
    return static_cast<int>(value.size());
}

std::string WideToGbk(const wchar_t* text) { return text ? WideToGbk(std::wstring(text)) : std::string(); }

std::string WideToGbk(const std::wstring& text)
{
    std::string out;
    if (!WideToCodePage(kCodePageGbk, text, out))
        out.clear();
    return out;
}

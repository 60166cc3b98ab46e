#include "Ini.h"

#include "PrivateProfile.h"
#include "SetupFile.h"
#include "SharedHelpers.h"

#include <cstdint>

namespace {

constexpr uint32_t kReadStep = 512;
// What the fallback reader's value may bring in one read.
constexpr size_t kFallbackLimit = 512;

// wcstoul with a 32-bit unsigned long: out of range gives 0xFFFFFFFF, a minus
// sign negates modulo 2^32.
uint32_t ToUnsigned32(const std::wstring& s)
{
    bool negative = false;
    uint64_t v = 0;
    ParseLeadingDecimal(s, negative, v);
    if (v > 0xFFFFFFFFull)
        return 0xFFFFFFFFu;
    const uint32_t u = static_cast<uint32_t>(v);
    return negative ? static_cast<uint32_t>(0u - u) : u;
}

} // namespace

std::wstring CIni::ReadStringAlloc(const wchar_t* section, const wchar_t* key) const
{
    if (!section || !key)
        return {};
    std::wstring value;
    uint32_t size = kReadStep;
    uint32_t n = GetPrivateProfileString(section, key, L"", value, size, path);
    if (n == 0) {
        std::wstring fallback;
        ReadIniKeyFallback(key, path, fallback);
        if (fallback.size() > kFallbackLimit)
            fallback.resize(kFallbackLimit);
        return fallback;
    }
    // A value that filled the buffer may have been cut: read again, larger.
    while (n + 1 >= size) {
        size += kReadStep;
        n = GetPrivateProfileString(section, key, L"", value, size, path);
    }
    return value;
}

void CIni::ReadString(const wchar_t* section, const wchar_t* key, std::wstring& out) const
{
    out = ReadStringAlloc(section, key);
}

std::wstring CIni::ReadStringBuf(const wchar_t* section, const wchar_t* key) const
{
    return ReadStringAlloc(section, key);
}

int CIni::ReadInt(const wchar_t* section, const wchar_t* key) const
{
    const std::wstring text = ReadStringBuf(section, key);
    if (text.empty())
        return 0;
    return static_cast<int>(ToUnsigned32(text));
}

int CIni::WriteString(const wchar_t* value, const wchar_t* section, const wchar_t* key) const
{
    if (!section || !key)
        return 0;
    return WritePrivateProfileString(section, key, value ? value : L"", path) ? 1 : 0;
}

int CIni::WriteIsUpdate(int n) const { return WriteString(std::to_wstring(n).c_str(), L"Config", L"IsUpdate"); }

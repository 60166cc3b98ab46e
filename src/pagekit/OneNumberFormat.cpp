#include "OneNumberFormat.h"

#include <cstdio>
#include <cwchar>

namespace {

bool IsFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
// A width or precision of more digits than this is not a number's format: the
// text is copied.
constexpr size_t kMaxFieldDigits = 2;

// Skips digits from `at`; false when there are more than a field may have.
bool SkipField(const std::wstring& text, size_t& at)
{
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at - start <= kMaxFieldDigits;
}

} // namespace

std::wstring FormatOneNumber(const std::wstring& format, long long number)
{
    std::wstring out;
    bool filled = false;
    size_t at = 0;
    while (at < format.size()) {
        const wchar_t c = format[at];
        if (c != L'%') {
            out += c;
            ++at;
            continue;
        }
        if (at + 1 < format.size() && format[at + 1] == L'%') {
            out += L'%';
            at += 2;
            continue;
        }
        // A conversion: flags, width, precision, then its letter.
        size_t end = at + 1;
        while (end < format.size() && IsFlag(format[end]))
            ++end;
        bool fits = SkipField(format, end);
        if (end < format.size() && format[end] == L'.') {
            ++end;
            fits = SkipField(format, end) && fits;
        }
        const bool integer =
            fits && end < format.size() && (format[end] == L'd' || format[end] == L'i' || format[end] == L'u');
        if (filled || !integer) {
            // Not the expected number: the '%' goes out as text, and the rest follows as text.
            out += c;
            ++at;
            continue;
        }
        std::wstring spec = format.substr(at, end - at) + L"ll" + format[end];
        wchar_t text[64];
        if (format[end] == L'u')
            std::swprintf(text, 64, spec.c_str(), static_cast<unsigned long long>(number));
        else
            std::swprintf(text, 64, spec.c_str(), number);
        out += text;
        filled = true;
        at = end + 1;
    }
    return out;
}

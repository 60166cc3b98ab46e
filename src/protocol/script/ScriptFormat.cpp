#include "ScriptFormat.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

struct Conversion {
    bool percent = false; // "%%"
    std::string flags;
    int width = -1;
    int precision = -1;
    char type = 0;
};

bool ReadNumber(const std::string& f, size_t& i, int& value)
{
    value = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        value = value * 10 + (f[i] - '0');
        if (value > SCRIPT_FORMAT_MAX_WIDTH)
            return false;
        ++i;
    }
    return true;
}

// Reads the conversion that starts with the '%' at i; i ends behind it.
bool ReadConversion(const std::string& f, size_t& i, Conversion& c)
{
    ++i;
    if (i >= f.size())
        return false;
    if (f[i] == '%') {
        c.percent = true;
        ++i;
        return true;
    }
    while (i < f.size() && std::strchr("-+ #0", f[i]) && f[i] != '\0') {
        if (c.flags.find(f[i]) == std::string::npos)
            c.flags += f[i];
        ++i;
    }
    if (i < f.size() && f[i] >= '0' && f[i] <= '9' && !ReadNumber(f, i, c.width))
        return false;
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (!ReadNumber(f, i, c.precision))
            return false;
    }
    if (i >= f.size() || f[i] == '\0' || !std::strchr("diuxXocfegsb", f[i]))
        return false;
    c.type = f[i];
    ++i;
    return true;
}

std::string PrintfFormat(const Conversion& c, const char* length, char type)
{
    // printf leaves '#' undefined but for o, x, X and the reals, and '0' for
    // c and s: those flags are dropped there.
    std::string s = "%";
    for (char flag : c.flags) {
        if (flag == '#' && !std::strchr("oxXfeg", type))
            continue;
        if (flag == '0' && (type == 'c' || type == 's'))
            continue;
        s += flag;
    }
    if (c.width >= 0)
        s += std::to_string(c.width);
    if (c.precision >= 0)
        s += "." + std::to_string(c.precision);
    s += length;
    s += type;
    return s;
}

// snprintf with a format this file built from an allowed conversion.
template <typename T> std::string Print(const std::string& printfFormat, T value)
{
    char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(small, sizeof small, printfFormat.c_str(), value);
    if (n < 0)
        return std::string();
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), printfFormat.c_str(), value);
#pragma GCC diagnostic pop
    big.resize(static_cast<size_t>(n));
    return big;
}

uint64_t Unsigned(const ScriptValue& v)
{
    const int64_t i = v.AsInteger();
    if (v.kind == ScriptValue::INT64)
        return static_cast<uint64_t>(i);
    return static_cast<uint32_t>(i);
}

std::string Binary(const Conversion& c, uint64_t value)
{
    std::string digits;
    for (; value != 0; value >>= 1)
        digits.insert(digits.begin(), static_cast<char>('0' + (value & 1)));
    const size_t minimum = c.precision >= 0 ? static_cast<size_t>(c.precision) : 1;
    if (digits.size() < minimum)
        digits.insert(0, minimum - digits.size(), '0');
    const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
    if (digits.size() < width) {
        const size_t pad = width - digits.size();
        if (c.flags.find('-') != std::string::npos)
            digits.append(pad, ' ');
        else if (c.flags.find('0') != std::string::npos && c.precision < 0)
            digits.insert(0, pad, '0');
        else
            digits.insert(0, pad, ' ');
    }
    return digits;
}

std::string Render(const Conversion& c, const ScriptValue& v)
{
    switch (c.type) {
    case 'd':
    case 'i': return Print(PrintfFormat(c, "ll", c.type), static_cast<long long>(v.AsInteger()));
    case 'u':
    case 'x':
    case 'X':
    case 'o': return Print(PrintfFormat(c, "ll", c.type), static_cast<unsigned long long>(Unsigned(v)));
    case 'c': return Print(PrintfFormat(c, "", 'c'), static_cast<int>(static_cast<unsigned char>(v.AsInteger())));
    case 'f':
    case 'e':
    case 'g': return Print(PrintfFormat(c, "", c.type), v.AsReal());
    case 's': {
        const std::string text = v.AsText();
        return Print(PrintfFormat(c, "", 's'), text.c_str());
    }
    case 'b': return Binary(c, Unsigned(v));
    default: return std::string();
    }
}

} // namespace

ScriptValue ScriptValue::Int32(int64_t value, std::string text)
{
    ScriptValue v;
    v.kind = INT32;
    v.integer = value;
    v.text = std::move(text);
    return v;
}

ScriptValue ScriptValue::Int64(int64_t value, std::string text)
{
    ScriptValue v = Int32(value, std::move(text));
    v.kind = INT64;
    return v;
}

ScriptValue ScriptValue::Real(double value, std::string text)
{
    ScriptValue v;
    v.kind = REAL;
    v.real = value;
    v.text = std::move(text);
    return v;
}

ScriptValue ScriptValue::Text(std::string text)
{
    ScriptValue v;
    v.kind = TEXT;
    v.text = std::move(text);
    return v;
}

int64_t ScriptValue::AsInteger() const
{
    switch (kind) {
    case REAL: return TruncateToInt64(real);
    case TEXT: return 0;
    default: return integer;
    }
}

double ScriptValue::AsReal() const
{
    switch (kind) {
    case REAL: return real;
    case TEXT: return 0.0;
    default: return static_cast<double>(integer);
    }
}

std::string ScriptValue::AsText() const
{
    if (!text.empty() || kind == TEXT)
        return text;
    if (kind == REAL)
        return StringPrintf("%.12f", real);
    return std::to_string(integer);
}

int64_t TruncateToInt64(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exact as a double; anything at or above it saturates.
    if (value >= 9223372036854775808.0)
        return std::numeric_limits<int64_t>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

bool CScriptFormat::Format(const std::string& format, const std::vector<ScriptValue>& values, std::string& out)
{
    std::string result;
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        const size_t percent = format.find('%', i);
        if (percent == std::string::npos) {
            result.append(format, i, std::string::npos);
            break;
        }
        result.append(format, i, percent - i);
        i = percent;
        Conversion c;
        if (!ReadConversion(format, i, c))
            return false;
        if (c.percent) {
            result += '%';
            continue;
        }
        const ScriptValue value = next < values.size() ? values[next] : ScriptValue::Int32(0);
        ++next;
        result += Render(c, value);
    }
    out += result;
    return true;
}

bool CScriptFormat::Format(const std::string& format, const ScriptValue& value, std::string& out)
{
    return Format(format, std::vector<ScriptValue>{value}, out);
}

bool CScriptFormat::IsAllowed(const std::string& format)
{
    std::string ignored;
    return Format(format, std::vector<ScriptValue>{}, ignored);
}

std::string StringPrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char small[128];
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        out.assign(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

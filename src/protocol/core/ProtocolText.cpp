#include "ProtocolText.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string ToBackslashPath(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

void ToLowerInPlace(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

int SplitString(const std::string& delimiter, std::vector<std::string>& out, const std::string& text)
{
    if (text.empty() || delimiter.empty())
        return 0;
    size_t from = 0;
    for (;;) {
        size_t at = text.find(delimiter, from);
        if (at == std::string::npos) {
            out.push_back(text.substr(from));
            break;
        }
        out.push_back(text.substr(from, at - from));
        from = at + delimiter.size();
    }
    return static_cast<int>(out.size());
}

std::string JoinStrings(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += separator;
        out += parts[i];
    }
    return out;
}

int ReplaceAll(const std::string& find, std::string& text, const std::string& replacement)
{
    std::vector<std::string> parts;
    int n = SplitString(find, parts, text);
    // No parts (empty text or find): joining nothing would erase the text.
    if (n == 0)
        return 0;
    text = JoinStrings(parts, replacement);
    return n;
}

namespace {

uint8_t HexByte(const std::string& digits)
{
    return static_cast<uint8_t>(std::strtoul(digits.c_str(), nullptr, 16) & 0xFF);
}

std::string WithoutHexPrefix(std::string text)
{
    ToLowerInPlace(text);
    ReplaceAll("0x", text, "");
    return text;
}

} // namespace

CBinary HexTextToBinary(const std::string& text, const std::string& delimiter)
{
    CBinary out;
    if (!delimiter.empty()) {
        std::vector<std::string> parts;
        SplitString(delimiter, parts, text);
        for (const std::string& part : parts)
            out.Add(HexByte(WithoutHexPrefix(part)));
        return out;
    }
    std::string digits = WithoutHexPrefix(text);
    size_t i = 0;
    if (digits.size() % 2 == 1) {
        out.Add(HexByte(digits.substr(0, 1)));
        i = 1;
    }
    for (; i < digits.size(); i += 2)
        out.Add(HexByte(digits.substr(i, 2)));
    return out;
}

std::string BinaryToText(const CBinary& bytes, const std::string& separator, const char* format)
{
    std::string out;
    if (!format)
        return out;
    for (int i = 0, n = bytes.GetSize(); i < n; ++i) {
        if (i > 0)
            out += separator;
        char one[32];
        int len = std::snprintf(one, sizeof one, format, bytes.GetBuffer()[i]);
        if (len < 0)
            continue;
        if (static_cast<size_t>(len) < sizeof one) {
            out.append(one, static_cast<size_t>(len));
        } else {
            std::string longer(static_cast<size_t>(len) + 1, '\0');
            std::snprintf(longer.data(), longer.size(), format, bytes.GetBuffer()[i]);
            out.append(longer.data(), static_cast<size_t>(len));
        }
    }
    return out;
}

std::string ByteToBitText(uint8_t byte)
{
    std::string out(8, '0');
    for (int i = 0; i < 8; ++i)
        if (byte & (0x80u >> i))
            out[static_cast<size_t>(i)] = '1';
    return out;
}

CBinary BitTextToBinary(const std::string& digits)
{
    CBinary out;
    size_t lead = digits.size() % 8;
    size_t i = 0;
    if (lead) {
        out.Add(static_cast<uint8_t>(std::strtoul(digits.substr(0, lead).c_str(), nullptr, 2)));
        i = lead;
    }
    for (; i < digits.size(); i += 8)
        out.Add(static_cast<uint8_t>(std::strtoul(digits.substr(i, 8).c_str(), nullptr, 2)));
    return out;
}

CBinary IntegerToBinary(uint32_t value, int size)
{
    CBinary out;
    if (size < 0 || size > 255)
        return out;
    for (int i = 0; i < size; ++i) {
        int shift = 8 * (size - 1 - i);
        out.Add(shift < 32 ? static_cast<uint8_t>(value >> shift) : 0);
    }
    return out;
}

std::string BinaryToString(const CBinary& bytes)
{
    const char* p = reinterpret_cast<const char*>(bytes.GetBuffer());
    if (!p)
        return std::string();
    const void* nul = std::memchr(p, 0, static_cast<size_t>(bytes.GetSize()));
    size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : static_cast<size_t>(bytes.GetSize());
    return std::string(p, len);
}

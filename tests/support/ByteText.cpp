#include "ByteText.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

CBinary Hex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            throw std::invalid_argument("not a hex digit in \"" + text + "\"");
        int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd number of hex digits in \"" + text + "\"");
    return CBinary(bytes.data(), static_cast<int>(bytes.size()));
}

std::string ToHex(const CBinary& bytes)
{
    std::string out;
    char two[4];
    for (int i = 0; i < bytes.GetSize(); ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes.GetBuffer()[i]);
        if (i)
            out += ' ';
        out += two;
    }
    return out;
}

std::vector<uint8_t> ToVector(const CBinary& bytes)
{
    if (bytes.IsEmpty())
        return {};
    return std::vector<uint8_t>(bytes.GetBuffer(), bytes.GetBuffer() + bytes.GetSize());
}

#pragma once
// Percent-encoding: each byte the caller's rule picks is written as '%' and two
// upper-case hex digits, every other byte is kept as it is.
#include <cstddef>
#include <string>

template <class MustEncode> std::string PercentEncode(const std::string& text, MustEncode mustEncode)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (mustEncode(i, c)) {
            out += '%';
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

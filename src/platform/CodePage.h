#pragma once
// Text conversions between the program's wide strings and its narrow "ANSI"
// text, which is UTF-8 here. Invalid UTF-8 bytes become U+FFFD.
#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

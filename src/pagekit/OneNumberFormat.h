#pragma once
// Language texts that carry a number ("%d sensors found. Program all of
// them?") are filled here rather than handed to printf: a translation is
// outside input, and a stray "%s" or a second "%d" in it must not read an
// argument that was never passed.
#include <string>

// The first integer conversion of the format (%d, %i or %u with flags, width
// and precision) filled with the number; "%%" is one "%"; everything else,
// other conversions included, is copied as it stands.
std::wstring FormatOneNumber(const std::wstring& format, long long number);

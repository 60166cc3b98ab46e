#pragma once
// Text conversions between the program's wide strings and its narrow "ANSI"
// text, which is UTF-8 here. Invalid UTF-8 bytes become U+FFFD.
// Other code pages (936 for the daily records, the encodings an XML file may
// declare) go through iconv under their Windows code-page numbers.
#include <cstddef>
#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(const std::wstring& text);

// The Windows code pages the program names.
constexpr int kCodePageAnsi = 0; // the narrow "ANSI" text: UTF-8
constexpr int kCodePageGbk = 936;
constexpr int kCodePageUtf16Le = 1200;
constexpr int kCodePageUtf16Be = 1201;
constexpr int kCodePageUtf32Le = 12000;
constexpr int kCodePageUtf32Be = 12001;
constexpr int kCodePageUtf8 = 65001;

// True when this platform converts the code page.
bool IsCodePageSupported(int codePage);
// Bytes in a code page to wide text. Bytes that are ill-formed in the code
// page become '?' (counted in *replaced). False, and `out` empty, for a code
// page this platform does not know.
bool CodePageToWide(int codePage, const char* bytes, size_t length, std::wstring& out, size_t* replaced = nullptr);
// Wide text to a code page. Characters the code page lacks, and values that
// are not characters, become '?' (counted in *lost). False, and `out` empty,
// for a code page this platform does not know.
bool WideToCodePage(int codePage, const std::wstring& text, std::string& out, size_t* lost = nullptr);

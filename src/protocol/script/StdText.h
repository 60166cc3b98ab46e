#pragma once
// The three text functions the program exports to other programs: the text
// of an identifier in the language's "text.tab". They are C++ callers' only
// (they take and return C++ types); extern "C" keeps their names plain.
#include "Binary.h"

#include <cstddef>
#include <string>

// The cache of adsGetStdText holds at most this many texts.
constexpr size_t STD_TEXT_CACHE_MAX = 21;

#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
extern "C" {
// The text from the language-table folder's prefixed "text.tab", cached: the
// oldest of STD_TEXT_CACHE_MAX texts gives way to a new one. An identifier
// without a text gives "" (and is cached too).
__attribute__((visibility("default"))) std::string adsGetStdText(CBinary id);
// The same text (same folder, same cache) as a wide string; the narrow text is UTF-8.
__attribute__((visibility("default"))) std::wstring adsGetStdText_CString(CBinary id);
// The text from the program folder's prefixed "text.tab", not cached.
__attribute__((visibility("default"))) std::string adsGetTextFromTextLib(CBinary id);
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

// Empties the cache of adsGetStdText (after the tables changed; tests).
void ClearStdTextCache();
size_t StdTextCacheSize();

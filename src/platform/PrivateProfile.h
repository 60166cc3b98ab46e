#pragma once
// Our reader and writer of "ini" files, with the rules of the Windows
// private-profile functions that the settings code relies on:
// - section and key names compare without regard to ASCII case;
// - the first section of a name holds its keys (a later one of the same name
//   is not looked at), and within it the first line of the key;
// - blanks (spaces and tabs) around names and values are dropped; LF, CRLF and
//   a lone CR each end a line; a UTF-8 byte-order mark is skipped; the text is
//   UTF-8;
// - a read copies at most size - 1 characters and returns how many it copied;
// - a write replaces the key's value in place, keeping every other line as it
//   was, or adds the key to its section, or adds the section at the end.
// Enumeration of sections or keys (null names) and deletion are not offered:
// nothing in the program asks for them.
#include <cstdint>
#include <string>

// Copies the value of [section] key into `out`, or `defaultValue` (trailing
// blanks dropped; null reads as empty) when the file, the section or the key is
// missing. The text is cut to size - 1 characters; the result is its length.
// A null section or key gives 0 and an empty text.
uint32_t GetPrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                 std::wstring& out, uint32_t size, const std::wstring& path);

// The value as a decimal integer (leading blanks and a sign allowed, the
// number ends at the first non-digit, "abc" gives 0, out of range saturates);
// `defaultValue` when the key is missing or empty.
int GetPrivateProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue, const std::wstring& path);

// Sets [section] key = value (null value: empty text), creating the file, the
// section or the key as needed; no other key's value changes, and the key then
// reads back the value (without its surrounding blanks). The file is replaced
// as a whole: the new text goes to a temporary file beside it, is flushed to
// the disk and renamed over the old one, and the folder is flushed, so a crash
// or a power loss leaves the old file or the new one, never a part. False when the file cannot be written, or when a
// name or the value would break the file's line structure (line breaks, a '=' in the key, a ']' in the section, an
// empty name).
bool WritePrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                               const std::wstring& path);

#pragma once
// One settings file read and written through the private-profile functions.
// The owner sets `path` after construction. A key the profile functions do not
// find is looked up once more with the program's own line reader
// (ReadIniKeyFallback).
#include <string>

class CIni {
public:
    virtual ~CIni() = default;

    // The value, however long; empty when section or key is null or the key is
    // found nowhere.
    std::wstring ReadStringAlloc(const wchar_t* section, const wchar_t* key) const;
    void ReadString(const wchar_t* section, const wchar_t* key, std::wstring& out) const;
    // The value whole. (It used to be copied into a 64-character buffer with
    // no room left for the terminator.)
    std::wstring ReadStringBuf(const wchar_t* section, const wchar_t* key) const;
    // The value as an unsigned 32-bit decimal number, as a signed int ("-1"
    // reads -1); 0 when empty or not a number.
    int ReadInt(const wchar_t* section, const wchar_t* key) const;
    // 0 without writing when section or key is null; else 1 when written, 0
    // when the write failed. A null value writes the empty text.
    int WriteString(const wchar_t* value, const wchar_t* section, const wchar_t* key) const;
    // [Config] IsUpdate = n.
    int WriteIsUpdate(int n) const;

    std::wstring path;
};

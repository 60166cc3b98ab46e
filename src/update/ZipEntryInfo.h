#pragma once
// What the archive reader tells about one entry of a zip archive, the file
// attribute bits it reports and the result codes of every Zip... function.
#include "FileTime.h"

#include <cstdint>
#include <string>

// Windows file attribute bits, as the entry's attributes are reported.
constexpr uint32_t kZipAttrReadOnly = 0x01;
constexpr uint32_t kZipAttrHidden = 0x02;
constexpr uint32_t kZipAttrSystem = 0x04;
constexpr uint32_t kZipAttrDirectory = 0x10;
constexpr uint32_t kZipAttrArchive = 0x20;

// Result codes, also left in g_zipLastError.
constexpr uint32_t kZipOk = 0;
constexpr uint32_t kZipErrOpen = 0x200;        // archive or target cannot be opened or created
constexpr uint32_t kZipErrWrite = 0x400;       // writing the target file failed
constexpr uint32_t kZipErrLocalHeader = 0x700; // the entry's local header is corrupt
constexpr uint32_t kZipErrExtraField = 0x800;  // the entry's extra data cannot be read in full
constexpr uint32_t kZipErrPassword = 0x1000;   // the entry is encrypted
constexpr uint32_t kZipErrRefused = 0x2000;    // a name that stays empty after clean-up, or a link
constexpr uint32_t kZipErrTooLarge = 0x4000;   // the entries unpack to more than the archive's bounds
constexpr uint32_t kZipErrArgument = 0x10000;  // NULL handle, index below -1 or past the last entry
constexpr uint32_t kZipErrKind = 0x80000;      // handle of another kind
constexpr uint32_t kZipErrBusy = 0x1000000;    // the reader already has an archive open
constexpr uint32_t kZipErrData = 0x5000000;    // inflation error, CRC mismatch or the data ends early

struct ZipEntryInfo {
    // For the count query (index -1): the number of entries.
    int index = 0;
    // The cleaned path inside the archive: '/' separators, relative, no "." or
    // "..", no drive: the name the extraction writes.
    std::wstring name;
    // A folder entry: its attributes say so, or its stored name ends in a separator.
    bool folder = false;
    uint32_t attributes = 0;
    FileTime accessTime;
    FileTime creationTime;
    FileTime writeTime;
    long packedSize = 0;
    long unpackedSize = 0;
};

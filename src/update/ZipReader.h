#pragma once
// Reader of one zip archive over minizip: counts and describes the entries
// with clean relative names, Windows attributes and times, and extracts an
// entry below the root folder given at open. Nothing it writes leaves the
// root, and it never creates a link.
#include "ZipEntryInfo.h"

#include <cstdint>
#include <memory>
#include <string>

struct ZipArchiveFileCloser {
    void operator()(void* archive) const;
};

struct ZipReader {
    // The minizip archive (an unzFile).
    std::unique_ptr<void, ZipArchiveFileCloser> archive;
    // Entry open for reading, -1 when none.
    int openEntry = -1;
    // The last described entry and its index (-1 when none).
    ZipEntryInfo cachedInfo;
    int cachedIndex = -1;
    // Never set: encrypted entries are refused.
    const char* password = nullptr;
    // 16384 bytes, allocated on the first extraction and kept.
    std::unique_ptr<char[]> copyBuffer;
    // Where entries land, ending in '/'.
    std::string root;

    // Bookkeeping of the archive walk and of the cached entry.
    int entryCount = 0;
    int currentEntry = -1;
    bool cachedIsLink = false;
    bool cachedNamedAsFolder = false;
    bool cachedEncrypted = false;
    int cachedMethod = 0;
    uint32_t cachedUnixMode = 0; // permission bits of a Unix host, else 0
};

constexpr size_t kZipCopyBufferSize = 0x4000;

// Opens the archive at `path`; entries are extracted below `root`.
// kZipErrBusy when the reader holds an archive already, kZipErrArgument for an
// empty root, kZipErrOpen when the archive cannot be opened.
uint32_t ZipReaderOpen(ZipReader& reader, const std::string& path, const std::string& root);
// Index -1: the entry count in out.index, all else cleared. Else describes the entry.
uint32_t ZipReaderGetEntry(ZipReader& reader, ZipEntryInfo& out, int index);
// Extracts entry `index` to the root + `targetName`, the name cleaned as entry
// names are (so an absolute or climbing name still lands below the root).
// A file entry whose data fails to come out whole leaves no file behind.
uint32_t ZipReaderExtractEntry(ZipReader& reader, const std::wstring& targetName, int index);
// Closes an open entry and the archive and frees the reader.
void ZipReaderFree(std::unique_ptr<ZipReader> reader);

// Creates the root when missing, then every folder level of the relative
// `path` below it. A level that exists as anything but a real folder (a link,
// a file) fails. True when the whole chain stands.
bool ZipEnsureDirectories(const std::string& root, const std::string& path);

// DOS time and date words to a file time (same time zone); zero for an invalid date.
FileTime DosDateTimeToFileTime(uint16_t dosTime, uint16_t dosDate);

// The clean-up of entry names: '\' becomes '/', drive prefixes and leading
// slashes go, "." segments go, ".." removes the segment before it and is
// dropped where it would climb above the root. Empty when nothing is left.
std::wstring CleanZipEntryName(const std::wstring& name);

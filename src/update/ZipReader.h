#pragma once
// Reader of one zip archive over minizip: counts and describes the entries
// with clean relative names, Windows attributes and times, and extracts an
// entry below the root folder given at open. Nothing it writes leaves the
// root, and it never creates a link.
#include "DiskSpace.h"
#include "ZipEntryInfo.h"

#include <cstdint>
#include <memory>
#include <string>

// What one archive may unpack to, all its entries together: at most maxBytes,
// at most maxRatio bytes per byte of the archive file (a small archive may
// always unpack to ratioFloor: a page of zeros is no bomb), and no more than
// the free space of the root's disk. Bytes are counted as they inflate,
// whatever the entries' headers say.
constexpr uint64_t kZipMaxUnpackedBytes = uint64_t(1024) * 1024 * 1024;
constexpr uint32_t kZipMaxUnpackRatio = 100;
constexpr uint64_t kZipRatioFloorBytes = 1024 * 1024;
struct ZipUnpackLimits {
    uint64_t maxBytes = kZipMaxUnpackedBytes;
    uint32_t maxRatio = kZipMaxUnpackRatio;
    uint64_t ratioFloor = kZipRatioFloorBytes;
    FreeSpaceQuery freeSpace; // FreeDiskSpace unless set
};

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
    // The archive file's length, the bytes all entries may unpack to, and
    // the bytes unpacked so far.
    uint64_t archiveBytes = 0;
    uint64_t unpackBudget = 0;
    uint64_t unpackedBytes = 0;

    // Bookkeeping of the archive walk and of the cached entry.
    int entryCount = 0;
    int currentEntry = -1;
    bool cachedIsLink = false;
    bool cachedEncrypted = false;
    int cachedMethod = 0;
    uint32_t cachedUnixMode = 0; // permission bits of a Unix host, else 0
};

constexpr size_t kZipCopyBufferSize = 0x4000;

// Opens the archive at `path`; entries are extracted below `root`.
// kZipErrBusy when the reader holds an archive already, kZipErrArgument for an
// empty root, kZipErrOpen when the archive cannot be opened.
uint32_t ZipReaderOpen(ZipReader& reader, const std::string& path, const std::string& root);
// Sets the bounds of what the archive may unpack to (ZipUnpackLimits{} from
// the open on); the bytes it leaves for all entries together.
uint64_t ZipReaderSetLimits(ZipReader& reader, const ZipUnpackLimits& limits);
// Index -1: the entry count in out.index, all else cleared. Else describes the entry.
uint32_t ZipReaderGetEntry(ZipReader& reader, ZipEntryInfo& out, int index);
// Extracts entry `index` to the root + `targetName`, the name cleaned as entry
// names are (so an absolute or climbing name still lands below the root).
// A file entry whose data fails to come out whole leaves no file behind;
// kZipErrTooLarge when it would unpack past the archive's bounds.
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

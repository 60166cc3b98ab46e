#pragma once
// The archive handle the update controller works with: open, count and
// describe the entries, extract them, close. Every call leaves its result in
// g_zipLastError.
#include "ZipReader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

constexpr int kZipHandleReader = 1;

struct ZipArchiveHandle {
    int kind = kZipHandleReader; // any other kind is refused
    std::unique_ptr<ZipReader> reader;
};

extern std::atomic<uint32_t> g_zipLastError;

// Closing through ZipArchiveClose when the owner goes.
struct ZipArchiveCloser {
    void operator()(ZipArchiveHandle* handle) const;
};
using ZipArchivePtr = std::unique_ptr<ZipArchiveHandle, ZipArchiveCloser>;

// Opens the archive at `path` with entries to be extracted below `root`;
// empty on failure.
ZipArchivePtr ZipArchiveOpen(const std::string& path, const std::string& root);
// Bounds of what the archive may unpack to; the bytes left for its entries
// (0 for a bad handle).
uint64_t ZipArchiveSetLimits(ZipArchiveHandle* handle, const ZipUnpackLimits& limits);
// Index -1 gives the entry count in out.index.
uint32_t ZipArchiveGetEntry(ZipArchiveHandle* handle, ZipEntryInfo& out, int index);
uint32_t ZipArchiveExtractEntry(ZipArchiveHandle* handle, const std::wstring& targetName, int index);
// Closes and frees the handle (not one of another kind, which stays the caller's).
uint32_t ZipArchiveClose(ZipArchiveHandle* handle);

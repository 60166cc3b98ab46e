#pragma once
// A reader of one member of the packed catalog (Catalog.h): Create, Open,
// Read until it returns 0, Close (or the destructor, or DeleteCatalogFile).
#include "UniqueFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CCatalogFile {
public:
    // A closed reader of the member, or null when the catalog has no such
    // member. The name is looked up in lower case; the reader keeps it as given.
    static std::unique_ptr<CCatalogFile> Create(const std::string& catalogPath, const std::string& memberName);

    CCatalogFile(const std::string& catalogPath, const std::string& memberName);
    // Closes the container and releases the index cache.
    ~CCatalogFile();
    CCatalogFile(const CCatalogFile&) = delete;
    CCatalogFile& operator=(const CCatalogFile&) = delete;

    // CATALOG_OK, positioned at the member's start; or CATALOG_BAD_NAME,
    // CATALOG_NOT_OPENED (lookup failed), CATALOG_BAD_RANGE, CATALOG_NO_CONTAINER.
    int Open();
    // Up to `count` plain bytes of the member into `buffer`; the number read,
    // 0 when not open, without a buffer, or at the member's end.
    size_t Read(size_t count, void* buffer);
    // Closes the container when open and releases the whole index cache.
    void Close();
    // Fills filePath, posStart and posEnd from the index.
    int Lookup();

    bool IsOpen() const { return file != nullptr; }
    // Bytes left in the member.
    uint32_t Remaining() const { return file && position < posEnd ? posEnd - position : 0; }

    UniqueFile file;
    std::string memberName;
    std::string catalogPath;
    std::string filePath;
    uint32_t posStart = 0;
    uint32_t posEnd = 0;
    uint32_t position = 0;
};

// Closes and deletes the reader and leaves the pointer null; nothing for null.
void DeleteCatalogFile(std::unique_ptr<CCatalogFile>& reader);

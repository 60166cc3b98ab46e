#include "CatalogFile.h"

#include "Catalog.h"
#include "TextScrambling.h"

#include "Paths.h"

#include <algorithm>
#include <sys/types.h>

std::unique_ptr<CCatalogFile> CCatalogFile::Create(const std::string& catalogPath, const std::string& memberName)
{
    std::string key = memberName;
    ToLowerAscii(key);
    std::string file;
    uint32_t start = 0, end = 0;
    if (GetCatalogMember(catalogPath, key, file, start, end) != CATALOG_OK)
        return nullptr;
    return std::make_unique<CCatalogFile>(catalogPath, memberName);
}

CCatalogFile::CCatalogFile(const std::string& catalogPath_, const std::string& memberName_)
    : memberName(memberName_), catalogPath(catalogPath_)
{
}

CCatalogFile::~CCatalogFile() { Close(); }

int CCatalogFile::Lookup()
{
    std::string key = memberName;
    ToLowerAscii(key);
    return GetCatalogMember(catalogPath, key, filePath, posStart, posEnd);
}

int CCatalogFile::Open()
{
    if (memberName.empty() || memberName.find(' ') != std::string::npos)
        return CATALOG_BAD_NAME;
    if (Lookup() != CATALOG_OK)
        return CATALOG_NOT_OPENED;
    if (posEnd <= posStart)
        return CATALOG_BAD_RANGE;
    // Containers lie in the index's folder, whichever separator precedes its name.
    const size_t slash = catalogPath.find_last_of("/\\");
    filePath = (slash == std::string::npos ? std::string() : catalogPath.substr(0, slash + 1)) + filePath;
    file.reset();
    UniqueFile f(OpenFile(filePath, "rb"));
    if (!f)
        return CATALOG_NO_CONTAINER;
    if (::fseeko(f.get(), static_cast<off_t>(posStart), SEEK_SET) != 0)
        return CATALOG_NO_CONTAINER;
    file = std::move(f);
    position = posStart;
    return CATALOG_OK;
}

size_t CCatalogFile::Read(size_t count, void* buffer)
{
    if (!file || !buffer || position >= posEnd)
        return 0;
    // posEnd - position cannot wrap, position + count could.
    count = std::min<size_t>(count, posEnd - position);
    const size_t got = std::fread(buffer, 1, count, file.get());
    PermuteBits(static_cast<uint8_t*>(buffer), got);
    position += static_cast<uint32_t>(got);
    return got;
}

void CCatalogFile::Close()
{
    file.reset();
    ReleaseCatalogCache();
}

void DeleteCatalogFile(std::unique_ptr<CCatalogFile>& reader)
{
    if (!reader)
        return;
    reader->Close();
    reader.reset();
}

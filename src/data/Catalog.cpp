#include "Catalog.h"

#include "TextScrambling.h"
#include "UniqueFile.h"

#include "Paths.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>

std::vector<std::unique_ptr<Catalog>> g_catalogCache;

namespace {

// The firmware upgrade and the database may read members from different
// threads; every reader's Close empties the cache, so it is guarded.
std::mutex g_cacheMutex;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The next token of at most kCatalogMaxToken bytes; longer ones are skipped
// whole. False at the end of the file.
bool ReadToken(FILE* f, std::string& token)
{
    for (;;) {
        token.clear();
        int c;
        while ((c = std::fgetc(f)) != EOF && IsBlank(c)) {
        }
        if (c == EOF)
            return false;
        bool tooLong = false;
        for (; c != EOF && !IsBlank(c); c = std::fgetc(f)) {
            if (token.size() < kCatalogMaxToken)
                token += static_cast<char>(c);
            else
                tooLong = true;
        }
        if (!tooLong)
            return true;
    }
}

// The decimal number at the start of the text, as atoi reads it, saturated
// to the 32-bit range.
int32_t ReadDecimal(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = std::min<long long>(v * 10 + (text[i] - '0'), 1ll << 32);
    if (negative)
        v = -v;
    return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

bool HasBlank(const std::string& key) { return key.find(' ') != std::string::npos; }

} // namespace

void ToLowerAscii(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
}

int Catalog::Load(const std::string& indexPath)
{
    if (indexPath.empty())
        return CATALOG_BAD_NAME;
    UniqueFile f(OpenFile(indexPath, "r"));
    if (!f)
        return CATALOG_NOT_OPENED;
    std::string token;
    while (ReadToken(f.get(), token)) {
        std::string record = StrDecrypt(token);
        // The record is text: a zero byte ends it.
        record.resize(std::min(record.size(), record.find('\0')));
        const size_t tagPath = record.find(kTagPath);
        const size_t tagFile = record.find(kTagPathInAFile);
        if (tagPath == std::string::npos || tagFile == std::string::npos)
            continue;
        const size_t keyStart = tagPath + sizeof kTagPath - 1;
        if (tagFile < keyStart)
            continue;
        records.emplace(record.substr(keyStart, tagFile - keyStart), record.substr(tagFile));
    }
    path = indexPath;
    return CATALOG_OK;
}

int Catalog::FindRecord(const std::string& key, std::string& record) const
{
    if (key.empty() || HasBlank(key))
        return CATALOG_BAD_NAME;
    if (records.empty())
        return CATALOG_NOT_FOUND;
    auto it = records.find(key);
    if (it == records.end())
        return CATALOG_NO_RECORD;
    record = it->second;
    return CATALOG_OK;
}

int Catalog::ParseRecord(const std::string& record, std::string& file, uint32_t& start, uint32_t& end)
{
    const size_t tagFile = record.find(kTagPathInAFile);
    if (tagFile == std::string::npos)
        return CATALOG_NO_RECORD;
    const size_t fileStart = tagFile + sizeof kTagPathInAFile - 1;
    const size_t tagStart = record.find(kTagPosStart, fileStart);
    if (tagStart == std::string::npos)
        return CATALOG_NO_RECORD;
    file = record.substr(fileStart, tagStart - fileStart);
    const size_t startText = tagStart + sizeof kTagPosStart - 1;
    const size_t tagEnd = record.find(kTagPosEnd, startText);
    if (tagEnd == std::string::npos)
        return CATALOG_NO_RECORD;
    start = static_cast<uint32_t>(ReadDecimal(record.substr(startText, tagEnd - startText)));
    end = static_cast<uint32_t>(ReadDecimal(record.substr(tagEnd + sizeof kTagPosEnd - 1)));
    return CATALOG_OK;
}

int Catalog::Find(const std::string& key, std::string& file, uint32_t& start, uint32_t& end) const
{
    std::string record;
    if (FindRecord(key, record) != CATALOG_OK)
        return CATALOG_NOT_FOUND;
    ParseRecord(record, file, start, end);
    return CATALOG_OK;
}

int GetCatalogMember(const std::string& catalogPath, const std::string& key, std::string& file, uint32_t& start,
                     uint32_t& end)
{
    if (key.empty() || HasBlank(key))
        return CATALOG_BAD_NAME;
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    for (const auto& catalog : g_catalogCache)
        if (catalog->path == catalogPath)
            return catalog->Find(key, file, start, end);
    auto catalog = std::make_unique<Catalog>();
    if (catalog->Load(catalogPath) != CATALOG_OK)
        return CATALOG_NOT_FOUND; // nothing cached: the next lookup reads the index again
    const int result = catalog->Find(key, file, start, end);
    g_catalogCache.push_back(std::move(catalog));
    return result;
}

void ReleaseCatalogCache()
{
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    g_catalogCache.clear();
}

#pragma once
// The packed catalog's index ("catalog.data" beside the program). Each
// white-space separated token of the index is the StrEncrypt text of one
// record followed by a comma; a decoded record reads
//   <path>KEY<pathInAFile>CONTAINER<posStart>START<posEnd>END
// KEY is the member's name in lower case, CONTAINER a file in the index's
// folder, START and END (exclusive) decimal byte offsets of the member in it.
// Member bytes are stored bit-permuted (PermuteBits); CCatalogFile reads them.
//
// Parsed indexes are kept in a process-wide cache, which every reader's Close
// empties again.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The record tags.
inline constexpr char kTagPath[] = "<path>";
inline constexpr char kTagPathInAFile[] = "<pathInAFile>";
inline constexpr char kTagPosStart[] = "<posStart>";
inline constexpr char kTagPosEnd[] = "<posEnd>";

// Results of the catalog functions.
enum : int {
    CATALOG_OK = 0,
    CATALOG_BAD_NAME = -103,     // empty name or path, or a name with a blank
    CATALOG_BAD_RANGE = -105,    // the member's range is empty or inverted
    CATALOG_NO_CONTAINER = -106, // the container file cannot be opened
    CATALOG_NOT_OPENED = -107,   // lookup failed, or the index cannot be opened
    CATALOG_NOT_FOUND = -108,    // no records, or no record of that key
    CATALOG_NO_RECORD = -109,    // inside Find only
};

// Index tokens longer than this are not records; the reader skips them whole.
inline constexpr size_t kCatalogMaxToken = 255;

class Catalog {
public:
    // Reads the index; CATALOG_OK, CATALOG_BAD_NAME (empty path) or
    // CATALOG_NOT_OPENED. `path` is set only on success.
    int Load(const std::string& indexPath);
    // The container, start and end of a key: CATALOG_OK, or CATALOG_NOT_FOUND.
    // A malformed record still gives CATALOG_OK and leaves what it lacks
    // unset; opening the member then fails.
    int Find(const std::string& key, std::string& file, uint32_t& start, uint32_t& end) const;
    // The record text (from "<pathInAFile>" on): CATALOG_OK, CATALOG_BAD_NAME,
    // CATALOG_NOT_FOUND (no records) or CATALOG_NO_RECORD.
    int FindRecord(const std::string& key, std::string& record) const;
    // Fills what the record holds; CATALOG_NO_RECORD when it lacks a tag.
    static int ParseRecord(const std::string& record, std::string& file, uint32_t& start, uint32_t& end);

    std::string path;                           // the index path as asked for
    std::map<std::string, std::string> records; // key -> record text
};

// The cache of parsed indexes, one per index path.
extern std::vector<std::unique_ptr<Catalog>> g_catalogCache;

// Finds a member's record, loading the index into the cache when it is not
// there yet: CATALOG_OK, CATALOG_BAD_NAME (empty key or a blank in it, checked
// before the index is read) or CATALOG_NOT_FOUND.
int GetCatalogMember(const std::string& catalogPath, const std::string& key, std::string& file, uint32_t& start,
                     uint32_t& end);
// Deletes every cached index.
void ReleaseCatalogCache();
// 'A'..'Z' become 'a'..'z'; every other byte stays.
void ToLowerAscii(std::string& text);

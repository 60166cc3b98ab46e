#pragma once
// Writes a packed catalog: the index ("catalog.data") and its container files,
// every member's bytes bit-permuted and every index record scrambled, one
// record a line followed by a comma. Used by the tests and by the build's
// sample-data packer (tools/catalog-pack), so both pack the same way.
#include <cstdint>
#include <string>
#include <vector>

class CatalogWriter {
public:
    // A member stored in `container` (a file name in the index's folder).
    // The key is written as given: the reader looks names up in lower case.
    void AddMember(const std::string& key, const std::string& bytes, const std::string& container = "data1.bin");
    // An index record as it is written, for records no member backs
    // (malformed, duplicate, empty ranges).
    void AddRawRecord(const std::string& decodedRecord);
    // A raw token line of the index (not scrambled).
    void AddRawToken(const std::string& token);

    // Writes the index at `indexPath` and the containers beside it. False
    // when a file cannot be written.
    bool Write(const std::string& indexPath) const;

    // The decoded form of one record.
    static std::string Record(const std::string& key, const std::string& container, uint64_t start, uint64_t end);

private:
    struct Member {
        std::string key, bytes, container;
    };
    std::vector<Member> m_members;
    std::vector<std::pair<bool, std::string>> m_extra; // raw record (false) or raw token (true)
};

// The member key of a data file: "/vornix/composesource/" and the name in
// lower case.
std::string ComposeSourceKey(const std::string& fileName);

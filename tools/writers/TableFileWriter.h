#pragma once
// Writes ".tab" table files for the tests: "AT", version (u16 LE), reserved,
// key length K, reserved, entry count N (u32 BE), the index sorted by key
// (K key bytes, record offset u32 BE), the records (count byte, then per
// string a u16 BE length and its bytes), and for a scrambled table the key
// block and its length (u16 LE) at the end.
//
// Written from the file layout alone, without the client's reader.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TableFileWriter {
public:
    using Bytes = std::vector<uint8_t>;

    explicit TableFileWriter(int keyLength);

    // Adds or replaces the record of a key (of any length: a wrong one makes
    // a broken table on purpose).
    void Add(const Bytes& key, const std::vector<Bytes>& strings);
    // Texts are stored with their terminating NUL, as the tables hold them.
    void AddTexts(const Bytes& key, const std::vector<std::string>& texts);
    // A 4-byte big-endian key.
    void AddTexts(uint32_t key, const std::vector<std::string>& texts);
    static Bytes Key32(uint32_t key);

    // Plain unless a key block is set; the version is 0x0100 for a plain
    // table and 0x0101 for a scrambled one unless set here.
    void SetVersion(uint16_t version);
    void SetKeyBlock(const Bytes& keyBlock);
    // The entry count written into the header (default: the real one).
    void SetEntryCountField(uint32_t count);

    Bytes Build() const;
    std::string BuildString() const;
    // Writes the table to a file, creating its folder.
    void Write(const std::string& path) const;

    // The stored form of byte p at position i of its field.
    static uint8_t Scramble(uint8_t p, const Bytes& keyBlock, size_t i);

private:
    int m_keyLength;
    std::map<Bytes, std::vector<Bytes>> m_records;
    int m_version = -1;
    bool m_scrambled = false;
    Bytes m_keyBlock;
    int64_t m_countField = -1;
};

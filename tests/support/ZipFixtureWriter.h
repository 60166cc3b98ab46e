#pragma once
// Writer of zip archives for tests: every field that the archive reader looks
// at can be set, so that odd and damaged archives (climbing names, links,
// encrypted flags, bad CRCs, truncated data) are easy to make.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ZipFixtureEntry {
    std::string name;
    std::string data; // the entry's bytes before compression
    bool deflate = true;
    uint16_t versionMadeBy = 0x031E; // host 3 (Unix), version 3.0
    uint32_t externalAttributes = 0100644u << 16;
    uint16_t flags = 0; // bit 0: encrypted
    uint16_t dosTime = 0;
    uint16_t dosDate = (0 << 9) | (1 << 5) | 1; // 1980-01-01
    std::string localExtra;
    std::string centralExtra;
    // Damage: stored values that do not match the data.
    std::optional<uint32_t> crc;
    std::optional<uint16_t> method;
    std::optional<std::string> payload; // bytes stored in place of the compressed data
    std::optional<uint32_t> uncompressedSize;
    std::optional<uint16_t> localExtraLength; // length field of the local extra data
    std::optional<uint32_t> localSignature;
};

class ZipFixtureWriter {
public:
    ZipFixtureWriter& Add(ZipFixtureEntry entry);
    // A regular file of a Unix host with the given mode bits.
    ZipFixtureWriter& AddFile(const std::string& name, const std::string& data, uint32_t mode = 0644);
    ZipFixtureWriter& AddFolder(const std::string& name);
    ZipFixtureWriter& AddSymlink(const std::string& name, const std::string& target);

    std::string Bytes() const;
    void WriteTo(const std::string& path) const;

    // An extended-timestamp ("UT") extra block carrying the times whose flag bits are set.
    static std::string ExtendedTimestamp(uint8_t flags, const std::vector<int32_t>& times);
    // A raw extra block with any id and data.
    static std::string ExtraBlock(uint16_t id, const std::string& data);
    static uint16_t DosDate(int year, int month, int day);
    static uint16_t DosTime(int hour, int minute, int second);
    // Bytes that deflate does not shrink (the same for the same seed).
    static std::string Noise(size_t size, uint32_t seed);
    // Raw deflate of the bytes, as a zip entry stores them.
    static std::string Deflate(const std::string& data);

private:
    std::vector<ZipFixtureEntry> m_entries;
};

#include "FirmwareContainerWriter.h"

#include "Aes.h"
#include "Binary.h"
#include "FileReplace.h"
#include "TsVerify.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr size_t ENTRY = 64;
constexpr size_t NAME_BYTES = 44;
constexpr uint32_t BLOCK = 0x200;

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Family {
    int type;
    const char* folder;
    const char* prefix;
    const char* format;
};
constexpr Family FAMILIES[] = {
    {1, "F6Bin", "F6_", "%02X.bin"},   {2, "F7Bin", "F7_", "%02X.bin"}, {3, "F7V4Bin", "F7_", "%03X.bin"},
    {4, "F6V4Bin", "F6_", "%03X.bin"}, {5, "ATBin", "AT_", "%03X.bin"}, {6, "N8V4Bin", "N8_", "%03X.bin"},
    {7, "ACV4Bin", "AC_", "%03X.bin"},
};

const Family& FamilyOf(int type)
{
    for (const Family& f : FAMILIES)
        if (f.type == type)
            return f;
    throw std::invalid_argument("no firmware family " + std::to_string(type));
}

} // namespace

FirmwareContainerWriter& FirmwareContainerWriter::Add(FirmwareEntry entry)
{
    m_entries.push_back(std::move(entry));
    return *this;
}

FirmwareContainerWriter& FirmwareContainerWriter::Add(const std::string& name, const std::vector<uint8_t>& plain)
{
    FirmwareEntry e;
    e.name = name;
    e.plain = plain;
    return Add(std::move(e));
}

std::vector<uint8_t> FirmwareContainerWriter::Bytes() const
{
    std::vector<uint8_t> out(m_entries.size() * ENTRY, 0x00);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const FirmwareEntry& e = m_entries[i];
        std::vector<uint8_t> stored = e.plain;
        const size_t padding = (16 - stored.size() % 16) % 16;
        stored.resize(stored.size() + padding, 0x00);
        if (e.encrypt && !AesEncryptBuffer(stored.data(), stored.size()))
            throw std::runtime_error("AES encryption failed");

        const size_t at = i * ENTRY;
        for (size_t k = 0; k < e.name.size() && k < NAME_BYTES; ++k)
            out[at + k] = static_cast<uint8_t>(e.name[k]);
        PutLe32(out, at + 44, e.offset.value_or(static_cast<uint32_t>(out.size())));
        PutLe32(out, at + 48, e.size.value_or(static_cast<uint32_t>(stored.size())));
        out[at + 53] = static_cast<uint8_t>(e.fill.value_or(static_cast<int>(padding)));
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return out;
}

void FirmwareContainerWriter::WriteTo(const std::string& path) const
{
    const std::vector<uint8_t> bytes = Bytes();
    if (!WriteFileReplacing(path, std::string(bytes.begin(), bytes.end())))
        throw std::runtime_error("cannot write " + path);
}

std::string FirmwareContainerName(int type) { return std::string(FamilyOf(type).folder) + ".bin"; }

std::string FirmwareMemberName(int type, int number)
{
    const Family& f = FamilyOf(type);
    char digits[32];
    std::snprintf(digits, sizeof digits, f.format, static_cast<unsigned>(number));
    return std::string(f.prefix) + digits;
}

std::vector<uint8_t> BuildV4Image(const V4ImageSpec& spec)
{
    const bool n8 = spec.type == 6;
    std::vector<uint8_t> image;
    uint32_t total = 0;
    for (const FirmwareBlock& b : spec.blocks) {
        image.push_back(static_cast<uint8_t>(b.data.size() + 4));
        image.push_back(0x00);
        image.push_back(0x00);
        image.push_back(static_cast<uint8_t>(b.address >> 8));
        image.push_back(static_cast<uint8_t>(b.address));
        image.insert(image.end(), b.data.begin(), b.data.end());
        total += static_cast<uint32_t>(b.data.size());
    }
    const size_t tableBytes = n8 ? 80 : 64;
    static const std::vector<uint8_t> n8Head = {0x54, 0x11, 0x11, 0xE3, 0x70};
    static const std::vector<uint8_t> crcHead = {0x44, 0x11, 0x11, 0xD5, 0x80};
    const std::vector<uint8_t>& head = spec.trailerHead ? *spec.trailerHead : n8 ? n8Head : crcHead;
    std::vector<uint8_t> table(tableBytes, 0x00);
    for (size_t i = 0; i < spec.crcs.size() && 4 * i + 4 <= tableBytes; ++i)
        for (int k = 0; k < 4; ++k)
            table[4 * i + k] = static_cast<uint8_t>(spec.crcs[i] >> (24 - 8 * k));
    if (spec.withTrailer) {
        image.insert(image.end(), head.begin(), head.end());
        image.insert(image.end(), table.begin(), table.end());
    } else {
        image.insert(image.end(), head.size() + table.size(), 0x00);
    }
    std::vector<uint8_t> config = spec.config;
    config.resize(64, 0x00);
    const uint8_t configHigh = n8 ? 0xE3 : 0xD5;
    if (spec.withConfig) {
        for (uint8_t b : {uint8_t{0x44}, uint8_t{0x11}, uint8_t{0x11}, configHigh, uint8_t{0xC0}})
            image.push_back(b);
    } else {
        image.insert(image.end(), 5, 0x00);
    }
    image.insert(image.end(), config.begin(), config.end());
    const uint16_t size = spec.totalSize.value_or(static_cast<uint16_t>(total));
    for (uint8_t b : {uint8_t{0x08}, uint8_t{0x22}, uint8_t{0x22}, static_cast<uint8_t>(size >> 8),
                      static_cast<uint8_t>(size), uint8_t{0}, uint8_t{0}, uint8_t{0}, uint8_t{0}})
        image.push_back(b);
    return image;
}

std::vector<uint8_t> FlashOfBlocks(const std::vector<FirmwareBlock>& blocks, uint32_t start, size_t length)
{
    std::vector<uint8_t> flash(length, 0xFF);
    for (const FirmwareBlock& b : blocks)
        for (size_t i = 0; i < b.data.size(); ++i) {
            const size_t at = b.address + i;
            if (at >= start && at - start < length)
                flash[at - start] = b.data[i];
        }
    return flash;
}

std::vector<uint32_t> BlockCrcs(const std::vector<FirmwareBlock>& blocks, uint32_t start, int count)
{
    const std::vector<uint8_t> flash = FlashOfBlocks(blocks, start, static_cast<size_t>(count) * BLOCK);
    std::vector<uint32_t> crcs;
    for (int i = 0; i < count; ++i)
        crcs.push_back(static_cast<uint32_t>(crc32(0L, flash.data() + static_cast<size_t>(i) * BLOCK, BLOCK)));
    return crcs;
}

V4ImageSpec SampleV4Image(int type, size_t dataBytes, uint8_t seed)
{
    V4ImageSpec spec;
    spec.type = type;
    for (size_t at = 0; at < dataBytes; at += 64) {
        FirmwareBlock b;
        b.address = static_cast<uint16_t>(0xC000 + at);
        for (size_t i = at; i < dataBytes && i < at + 64; ++i)
            b.data.push_back(static_cast<uint8_t>((i * 7 + seed * 31 + (i >> 8)) & 0xFF));
        spec.blocks.push_back(std::move(b));
    }
    for (int i = 0; i < 64; ++i)
        spec.config.push_back(static_cast<uint8_t>(0xA0 + i));
    spec.crcs = BlockCrcs(spec.blocks, 0xC000, type == 6 ? 20 : 10);
    return spec;
}

uint16_t V1ConfigCrc(const uint8_t* bytes, size_t length)
{
    return CTsVerify::GetInstance().Crc16(CBinary(bytes, static_cast<int>(length)), 0, 0x8005);
}

std::vector<uint8_t> BuildV1Image(const V1ImageSpec& spec)
{
    std::vector<uint8_t> image;
    uint32_t total = 0;
    uint16_t number = 0;
    for (const std::vector<uint8_t>& block : spec.blocks) {
        if (block.size() + 5 > 80)
            throw std::invalid_argument("V1 block of " + std::to_string(block.size()) + " bytes");
        uint8_t sum = 0;
        for (uint8_t b : block)
            sum = static_cast<uint8_t>(sum + b);
        for (uint8_t b : {static_cast<uint8_t>(block.size() + 5), uint8_t{0x42}, static_cast<uint8_t>(number >> 8),
                          static_cast<uint8_t>(number), static_cast<uint8_t>(block.size())})
            image.push_back(b);
        image.insert(image.end(), block.begin(), block.end());
        image.push_back(sum);
        total += static_cast<uint32_t>(block.size());
        ++number;
    }
    image.push_back(0x00);
    const uint16_t size = spec.totalSize.value_or(static_cast<uint16_t>(total));
    image.push_back(static_cast<uint8_t>(size >> 8));
    image.push_back(static_cast<uint8_t>(size));
    image.insert(image.end(), 77, 0x00);
    return image;
}

V1ImageSpec SampleV1BootImage(size_t codeBytes, uint8_t seed)
{
    V1ImageSpec spec;
    spec.blocks.push_back({V1_BLOCK_START, 0x01});
    for (size_t at = 0; at < codeBytes; at += V1_WRITE_PIECE) {
        const uint16_t address = static_cast<uint16_t>(V1_BOOT_ADDRESS + at);
        std::vector<uint8_t> block = {V1_BLOCK_WRITE, static_cast<uint8_t>(address >> 8),
                                      static_cast<uint8_t>(address)};
        for (size_t i = at; i < codeBytes && i < at + V1_WRITE_PIECE; ++i)
            block.push_back(static_cast<uint8_t>((i * 13 + seed * 7) & 0xFF));
        spec.blocks.push_back(std::move(block));
    }
    std::vector<uint8_t> config = {V1_BLOCK_CONFIG, 0x00, 0x00};
    for (int i = 0; i < 64; ++i)
        config.push_back(static_cast<uint8_t>(0x30 + i));
    const uint16_t crc = V1ConfigCrc(config.data() + 3, 64);
    config[1] = static_cast<uint8_t>(crc >> 8);
    config[2] = static_cast<uint8_t>(crc);
    spec.blocks.push_back(std::move(config));
    spec.blocks.push_back({V1_BLOCK_RUN});
    return spec;
}

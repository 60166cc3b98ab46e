#pragma once
// Writer of sensor firmware containers for tests: the 64-byte entries
// (name text, offset, stored size, fill count), the members encrypted with
// the program's AES key, and the plain images of the V4 families (data
// records, the trailer record with the CRC table, the configuration record
// and the total-size word). Every field can be set wrong on purpose.
//
// V4 image, as the writer lays it out (families 3, 4 and 6):
//   data records   N 00 00 addrH addrL data    N = data bytes + 4
//   trailer        44 11 11 D5 80 + 64 bytes   (family 6: 54 11 11 E3 70 + 80)
//   configuration  44 11 11 D5 C0 + 64 bytes   (family 6: at E3 C0)
//   tail           08 22 22 TT TT 00 00 00 00  TT: data bytes of all records
//
// V1/V3 image (families 1 and 2), as the writer lays it out:
//   data records   L 42 sH sL n block s8        L = block bytes + 5, at most 80;
//                                               s block number, n its length,
//                                               s8 the 8-bit sum of the block
//   end            00
//   tail           TT TT + 77 bytes of 00       TT: bytes of all blocks
// Its blocks are sent to the sensor as they are, the configuration block 'T'
// patched. The boot images the writer makes hold, in order:
//   'S' 01                      start of the image
//   'W' addrH addrL data        boot code, in pieces of at most 48 bytes
//   'T' crcH crcL + 64 bytes    the configuration block (CRC-16 8005 of the 64)
//   'R'                         run the new boot
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct FirmwareBlock {
    uint16_t address = 0;
    std::vector<uint8_t> data;
};

struct V4ImageSpec {
    int type = 3;
    std::vector<FirmwareBlock> blocks;
    std::vector<uint8_t> config;                     // 64 bytes
    std::vector<uint32_t> crcs;                      // the CRC table's values (10, or 20 for family 6)
    std::optional<uint16_t> totalSize;               // default: the data bytes of the blocks
    std::optional<std::vector<uint8_t>> trailerHead; // default: the family's five bytes
    bool withTrailer = true;
    bool withConfig = true;
};

struct FirmwareEntry {
    std::string name;           // the entry's text (at most 44 bytes are written)
    std::vector<uint8_t> plain; // the member's plain bytes
    // Damage: stored values that do not match the data.
    std::optional<int> fill; // default: the padding to a multiple of 16
    std::optional<uint32_t> offset;
    std::optional<uint32_t> size;
    bool encrypt = true;
};

class FirmwareContainerWriter {
public:
    FirmwareContainerWriter& Add(FirmwareEntry entry);
    FirmwareContainerWriter& Add(const std::string& name, const std::vector<uint8_t>& plain);
    // Entries first, then the stored members in the same order.
    std::vector<uint8_t> Bytes() const;
    void WriteTo(const std::string& path) const;

private:
    std::vector<FirmwareEntry> m_entries;
};

// The container file and the member name of a family's image, as the
// client names them: ("F7V4Bin.bin", "F7_0A3.bin").
std::string FirmwareContainerName(int type);
std::string FirmwareMemberName(int type, int number);

struct V1ImageSpec {
    std::vector<std::vector<uint8_t>> blocks;
    std::optional<uint16_t> totalSize; // default: the bytes of all blocks
};

// Block letters of the V1/V3 boot images.
constexpr uint8_t V1_BLOCK_START = 'S';
constexpr uint8_t V1_BLOCK_WRITE = 'W';
constexpr uint8_t V1_BLOCK_CONFIG = 'T';
constexpr uint8_t V1_BLOCK_RUN = 'R';
constexpr size_t V1_WRITE_PIECE = 48;
constexpr uint16_t V1_BOOT_ADDRESS = 0x8000;

// The plain image of a V1/V3 family.
std::vector<uint8_t> BuildV1Image(const V1ImageSpec& spec);
// A boot image of codeBytes bytes of boot code from 8000 made from seed, a
// configuration block (its CRC already valid for the bytes as they stand)
// and the run block.
V1ImageSpec SampleV1BootImage(size_t codeBytes, uint8_t seed = 1);
// The CRC-16 (polynomial 8005, from 0, MSB first) the V1/V3 sensors check.
uint16_t V1ConfigCrc(const uint8_t* bytes, size_t length);

// The plain image of a V4 family.
std::vector<uint8_t> BuildV4Image(const V4ImageSpec& spec);
// An image of dataBytes bytes from C000 in blocks of 64 (the last shorter),
// with bytes made from seed, a configuration block and the CRC-32 of every
// 512-byte flash block (10, or 20 for family 6).
V4ImageSpec SampleV4Image(int type, size_t dataBytes, uint8_t seed = 1);
// The flash the blocks leave from start (FF where no block writes), and the
// CRC-32 of each of its count 512-byte blocks.
std::vector<uint8_t> FlashOfBlocks(const std::vector<FirmwareBlock>& blocks, uint32_t start, size_t length);
std::vector<uint32_t> BlockCrcs(const std::vector<FirmwareBlock>& blocks, uint32_t start, int count);

#pragma once
// The N8 line of the V4 sensors, type 6: its flash is larger and its records
// lie at other addresses, so the identity reads and the three writers are its
// own; search, link, the exchange services and the programming job are the
// V4 ones, which run the writers below.
#include "TsF7V4Program.h"

// N8 flash as the V4 commands address it. The image area starts at C000 as
// on the other lines.
constexpr uint16_t N8_IMAGE_END = 0xE400; // exclusive
constexpr uint16_t N8_CRC_TABLE = 0xE370; // 80 bytes written, the block CRC-32 first
constexpr int N8_CRC_TABLE_READS = 5;     // read as five times 16 bytes
constexpr int N8_COMPARED_CRCS = 17;      // leading block CRCs compared (the image gives 20)
constexpr int N8_CRC_TABLE_BYTES = 80;
constexpr uint8_t N8_CRC_TABLE_TAIL = 0x10;    // the table's last 16 bytes go in a second write
constexpr uint16_t N8_CONFIG_BLOCK = 0xE3C0;   // 64 bytes; also the 48-byte version block
constexpr uint16_t N8_IDENTITY_BLOCK = 0xE410; // 16 bytes
constexpr V4Records N8_RECORDS = {N8_IDENTITY_BLOCK, N8_CONFIG_BLOCK};
// Boot versions above this one take the flash write in frame mode 0A
// (scrambling variant 2; the upper five bits stay, so replies still match).
constexpr uint16_t N8_BOOT_MODE_A_ABOVE = 0x0413;
constexpr uint8_t N8_FLASH_MODE = 0x0A;

constexpr uint32_t N8_WAIT_ERASE = 800;
constexpr uint32_t N8_WAIT_ANNOUNCE = 300;
constexpr uint32_t N8_WAIT_CHECK = 1200;

class CTsN8V4Program : public CTsF7V4Program {
public:
    CTsN8V4Program(uint8_t multiSensor, uint8_t freqSelector);

    const V4Layout& Layout() const override;
    // The four records at the N8 addresses, whatever the hard version says.
    bool ReadPsn(CBinaryGroup& records) override;
    // As the F7V4 writer over the N8 area, comparing 17 block CRCs, then the
    // 80-byte CRC table in two writes; above boot version 413 in frame mode
    // 0A, the mode byte being put back on every way out.
    bool WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent) override;

private:
    // The image's 80-byte CRC table block into the sensors at E370.
    bool WriteCrcTable(const SensorIdSet& ids, const CTsSnData& image);
};

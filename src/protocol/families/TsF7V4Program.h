#pragma once
// The F7 line of the V4 sensors, type 3: the V4 program over the F7 flash
// and records. CTsF6V4Program (the same operations, type 4) and
// CTsN8V4Program (the N8 line's own addresses) derive from it.
#include "TsV4Program.h"

// Flash and records of the F7 and F6 lines as the V4 commands address them.
// The image area starts at C000.
constexpr uint16_t F7_IMAGE_END = 0xD600;      // exclusive
constexpr uint16_t F7_CRC_TABLE = 0xD580;      // 64 bytes written, the ten CRC-32 first
constexpr int F7_CRC_TABLE_READS = 3;          // read as three times 16 bytes
constexpr int F7_FLASH_BLOCKS = 10;            // block CRCs of the table, all compared
constexpr uint16_t F7_CONFIG_BLOCK = 0xD5C0;   // 64 bytes; also the 48-byte version block
constexpr uint16_t F7_IDENTITY_BLOCK = 0xD610; // 16 bytes
constexpr V4Records F7_RECORDS = {F7_IDENTITY_BLOCK, F7_CONFIG_BLOCK};

class CTsF7V4Program : public CTsV4Program {
public:
    // Type 3, with the V4 link settings.
    CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector);

    const V4Layout& Layout() const override;
    // The four identity records at the addresses of the line the hard
    // version names.
    bool ReadPsn(CBinaryGroup& records) override;
    // The first 16 bytes of the configuration block.
    bool ReadPsnByAddr(CBinaryGroup& records) override;
    // One sensor's search step, information record and configuration block.
    bool ExchangeFrames() override;
    // After the image, its 64-byte CRC table in one write.
    bool WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent) override;

protected:
    // A V4 program of the F7 kind with a type of its own.
    CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector, int type);
};

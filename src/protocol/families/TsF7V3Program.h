#pragma once
// The older programmable sensors that speak the V1/V3 protocol: short frames
// that start with 'Z', a 16-bit sensor id and the tool id 0, an 8-bit sum.
// Programming sends the sensor's firmware image block by block, the
// configuration block patched with the sensor's new id. CTsF6V1Program is
// the same program with its own reply check, type 1.
//
// Request:  00 01 5A idH idL tool N request sum   N = request length + 5,
//           the sum over 5A up to the end of the request
// Reply:    5A idH idL tool N command payload sum  the sum over bytes 0 to N-1
#include "TsProgram.h"

// The start letter of every frame, and the bytes N adds to a request's length.
constexpr uint8_t V3_FRAME_START = 0x5A;
constexpr int V3_LENGTH_EXTRA = 5;
// Replies are 5 to 125 bytes long as they come from the line decoder.
constexpr int V3_REPLY_MIN = 5;
constexpr int V3_REPLY_MAX = 125;

// Commands: wake-up and query, and the request that makes a sensor name its id.
constexpr uint8_t V3_CMD_WAKE = 0x50;
constexpr uint8_t V3_CMD_IDENTIFY = 0x5D;
// A reply with this command carries its status in payload byte 1.
constexpr uint8_t V3_CMD_STATUS_SECOND = 0xA0;

constexpr int V3_WAKE_UPS = 20;
constexpr uint32_t V3_WAIT_WAKE = 80;
constexpr uint32_t V3_WAIT_IDENTIFY = 100;
constexpr uint32_t V3_WAIT_QUERY = 300;
constexpr uint32_t V3_WAIT_BLOCK = 700;
// Tries of one exchange, and of one firmware block.
constexpr int V3_SENSOR_TRIES = 3;
constexpr int V3_BLOCK_TRIES = 3;

// The configuration block of an image: 'T', the CRC-16 (polynomial 8005,
// from 0) of bytes 3 to 66, then 64 bytes of which 3 on take the index bytes,
// 10 the flag 01 and 11 to 14 the new id.
constexpr uint8_t V3_CONFIG_TAG = 0x54;
constexpr int V3_CONFIG_BLOCK_BYTES = 67;
constexpr int V3_CONFIG_CRC_AT = 1;
constexpr int V3_CONFIG_DATA_AT = 3;
constexpr int V3_CONFIG_FLAG_AT = 10;
constexpr int V3_CONFIG_ID_AT = 11;
constexpr uint16_t V3_CONFIG_CRC_POLY = 0x8005;
// While programming the Brelk syncs on the line-coded 5A and id: 48 bits.
constexpr int V3_PROGRAM_SYNC_BITS = 48;

class CTsF7V3Program : public CTsProgram {
public:
    // Type 2, tool id 0, multi-sensor flag clear; the V1/V3 LF and RF
    // settings (receiver mode 37 with frequency selector 1, else 10).
    explicit CTsF7V3Program(uint8_t freqSelector);
    ~CTsF7V3Program() override;

    // Wakes the sensors, asks who is there and queries that sensor; true,
    // with its id in found, when its reply passes IsReplyOk.
    bool SearchSensors(SensorIdSet& found) override;
    bool ReadPsn(CBinaryGroup& records) override;
    bool ReadPsnByAddr(CBinaryGroup& records) override;
    bool ExchangeFrames() override;
    // The image of the first selection byte into every sensor of the map, the
    // configuration block with its new id; true when every one was
    // programmed. The error code is left alone.
    bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) override;
    bool EndLink(const SensorIdSet& found) override;
    // Empty for a request too long for the length byte.
    CBinary BuildSendData(const CBinary& request, uint32_t sensorId) override;
    // Checks length, sum, start byte and tool id; the empty frame when one fails.
    void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) override;
    // Up to 3 tries; true with the first reply of that sensor (of any sensor
    // for id 0).
    bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                        CTsFrame* reply = nullptr) override;

    // Whether a reply reports success (status 0); the F6V1 family checks its own way.
    virtual bool IsReplyOk(const CTsFrame& frame);

    // A configuration block as one sensor gets it: the index bytes (at most
    // the 64 bytes from byte 3) over it, the flag, the new id and the CRC.
    static CBinary PatchConfig(const CBinary& block, const CBinary& index, uint32_t newId);

private:
    bool ProgramOne(uint32_t sensorId, uint32_t newId, const CBinary& selection);
    bool SendBlock(uint32_t sensorId, const CBinary& block);
};

#pragma once
// The V4 sensor families. CTsF7V4Program carries the V4 sensor frame (built,
// scrambled and checked in both directions) and the two exchange services
// every V4 operation runs on: one sensor with retries, and broadcast passes
// until every target answered. CTsF6V4Program and CTsN8V4Program are V4
// programs of their own type; the N8 line replaces the operations that
// address its larger flash.
#include "TsProgram.h"

#include <cstdint>

class CTsSnData;

// Sensor id of a request to every sensor in range.
constexpr uint16_t V4_BROADCAST_ID = 0xFFFF;

// V4 commands (the first data byte) and the waits in ms the operations give them.
constexpr uint8_t V4_CMD_KEEP_LINK = 0x00;         // multi, 220 (210 between configuration writes)
constexpr uint8_t V4_CMD_SEARCH = 0x01;            // multi broadcast, 0: the sensors in range answer
constexpr uint8_t V4_CMD_SEARCH_STEP = 0x02;       // one, 80: 02 20 k, k = sensors taken so far
constexpr uint8_t V4_CMD_END_LINK = 0x03;          // multi, 60 (targets) or 0 (broadcast); raw at search start
constexpr uint8_t V4_CMD_RELEASE = 0x04;           // one, 60: a sensor not taken
constexpr uint8_t V4_CMD_WAKE = 0x05;              // raw, per search pass
constexpr uint8_t V4_CMD_WAKE_FREQ1 = 0x06;        // raw, instead of 05 with frequency selector 1
constexpr uint8_t V4_CMD_ERASE = 0x10;             // multi, 360 or 500: 10 lenH lenL addrH addrL
constexpr uint8_t V4_CMD_ANNOUNCE_WRITE = 0x11;    // multi, 140: 11 lenH lenL addrH addrL
constexpr uint8_t V4_CMD_WRITE_BLOCK = 0x12;       // multi, 220 / 240 / 160: 12 seq len addrH addrL data
constexpr uint8_t V4_CMD_CHECK_CRC = 0x13;         // multi, 700 or 90: 13 crcH crcL
constexpr uint8_t V4_CMD_READ_HARD_VERSION = 0x20; // one, 100
constexpr uint8_t V4_CMD_READ_INFO = 0x22;         // one, 200: the 16-byte information record
constexpr uint8_t V4_CMD_READ_MEMORY = 0x23;       // one, 100: 23 len addrH addrL; reply [count, bytes]
constexpr uint8_t V4_CMD_WAKE_FIRST = 0x29;        // raw, first step of every search pass
constexpr uint8_t V4_NEGATIVE_ANSWER = 0x77;       // 'w': payload [refused command, reason]

constexpr uint32_t V4_WAIT_KEEP_LINK = 220;
constexpr uint32_t V4_WAIT_KEEP_AWAKE = 210;
constexpr uint32_t V4_WAIT_SEARCH = 0;
constexpr uint32_t V4_WAIT_SEARCH_STEP = 80;
constexpr uint32_t V4_WAIT_END_LINK = 60;
constexpr uint32_t V4_WAIT_RELEASE = 60;
constexpr uint32_t V4_WAIT_ERASE = 360;
constexpr uint32_t V4_WAIT_ERASE_ALL = 500;
constexpr uint32_t V4_WAIT_ANNOUNCE = 140;
constexpr uint32_t V4_WAIT_WRITE_BLOCK = 220;
constexpr uint32_t V4_WAIT_WRITE_CRC_TABLE = 240;
constexpr uint32_t V4_WAIT_WRITE_HALF = 160;
constexpr uint32_t V4_WAIT_CHECK = 700;
constexpr uint32_t V4_WAIT_CHECK_CRC_TABLE = 90;
constexpr uint32_t V4_WAIT_READ_HARD_VERSION = 100;
constexpr uint32_t V4_WAIT_READ_INFO = 200;
constexpr uint32_t V4_WAIT_READ_MEMORY = 100;
// DurationTm of the raw commands of the search (up to 255 frames, replies unused).
constexpr uint32_t V4_RAW_DURATION = 70;

// Attempts of SendRecvSensor; passes of SendRecvMulti with and without targets.
constexpr int V4_SENSOR_ATTEMPTS = 10;
constexpr int V4_MULTI_PASSES = 16;
// Data blocks this long or longer travel unscrambled.
constexpr int V4_SCRAMBLE_LIMIT = 128;

class CTsF7V4Program : public CTsProgram {
public:
    // Type 3; the LF table of the multi-sensor flag (code type 0) and the RF
    // table (receiver mode 37 with frequency selector 1) go to the link layer.
    CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector);
    ~CTsF7V4Program() override;

    bool SearchSensors(SensorIdSet& found) override;
    void KeepLink(const SensorIdSet& found) override;
    bool ReadPsn(CBinaryGroup& records) override;
    bool ReadPsnByAddr(CBinaryGroup& records) override;
    bool ExchangeFrames() override;
    bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) override;
    bool EndLink(const SensorIdSet& found) override;
    // The request frame: 00 01, length, flags of the send sequence, sensor id,
    // tool id, mode, the data scrambled by the mode, and the check byte of the
    // kind the flags select. Empty for data too long for the length byte.
    CBinary BuildSendData(const CBinary& request, uint32_t sensorId) override;
    // Checks length, check byte, tool id and mode of a reply; a negative
    // answer is logged and returned all the same.
    void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) override;
    // Up to 10 attempts; true with the first reply of that sensor that is not
    // a negative answer.
    bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                        CTsFrame* reply = nullptr) override;
    bool ReadMeasureInfo(MeasureTextMap& info) override;
    void GetPsnText(const SensorIdSet& found, SensorTextMap& texts) override;

    // Slots 16 to 18.
    virtual bool WriteSensorFlash(const SensorIdSet& ids, const CTsSnData* image, uint8_t startPercent);
    virtual bool WriteSensorFlashCrc(const SensorIdSet& ids, const CTsSnData* image, uint8_t startPercent);
    virtual bool WriteSensorConfig(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                                   const SensorIdSet* keepAwake = nullptr);

    // Broadcast passes of the data until every target answered (true). With
    // no targets one pass, and false: the caller reads the collect set, which
    // keeps the first reply of every sensor, negative answers included.
    bool SendRecvMulti(const CBinary& data, uint32_t waitMs, SensorFrameMap* collect = nullptr,
                       const SensorIdSet* targets = nullptr);

    // The check byte of a V4 frame over the bytes, by the kind flags & 0x38 selects.
    static uint8_t CheckByte(uint8_t flags, const uint8_t* bytes, int length);
    // The flags byte of a send sequence value: the check kind rotates with it.
    static uint8_t SequenceFlags(uint8_t sequence);
    // The LF drive byte of attempt or pass r: 02 (VolMode 2) for r mod 4 of 0
    // or 1, else 40 (BridgeMode 1).
    static uint8_t DriveByteOfAttempt(int attempt);
};

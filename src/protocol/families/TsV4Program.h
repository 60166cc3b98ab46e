#pragma once
// The V4 sensor families. CTsF7V4Program carries the V4 sensor frame (built,
// scrambled and checked in both directions), the two exchange services
// every V4 operation runs on (one sensor with retries, and broadcast passes
// until every target answered), and on them the search, the link, the
// identity reads and the flash and configuration writers. CTsF6V4Program
// and CTsN8V4Program are V4 programs of their own type; the N8 line
// replaces the operations that address its larger flash.
#include "TsProgram.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <vector>

class CTsSnData;

// Outcome of the last V4 search: -2 at the start of every search, -7 when it
// took no sensor but saw one of a line this program cannot write. The boot
// update hands its low byte on when it found no sensor. Written by the
// worker only; atomic because the application reads it.
constexpr int V4_SEARCH_NONE = -2;
constexpr int V4_SEARCH_UNSUPPORTED = -7;
extern std::atomic<int> g_nSearchResult;

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

// Sensor lines, the high nibble of the first hard-version byte.
constexpr uint8_t V4_LINE_ZERO = 0x00;
constexpr uint8_t V4_LINE_AC = 0x10;
constexpr uint8_t V4_LINE_F6 = 0x60;
constexpr uint8_t V4_LINE_F7 = 0x70;
constexpr uint8_t V4_LINE_N8 = 0x80;
constexpr uint8_t V4_LINE_F7E = 0xE0;

// The search: passes, the sensors one multi-sensor search takes at most, and
// the passes without a new sensor after which it ends.
constexpr int V4_SEARCH_PASSES = 10;
constexpr int V4_SEARCH_MAX_SENSORS = 20;
constexpr int V4_SEARCH_QUIET_PASSES_MULTI = 5;
constexpr int V4_SEARCH_QUIET_PASSES_SINGLE = 4;
// Boot versions from this one on keep a CRC table of their flash blocks, so
// that unchanged blocks need not be written again.
constexpr uint16_t V4_BOOT_WITH_CRC_TABLE = 0x0411;

// Flash of the F7 and F6 lines as the V4 commands address it.
// The image area starts at m_nV4FlashHigh << 8 (C000).
constexpr uint16_t V4_IMAGE_END = 0xD600;  // exclusive
constexpr uint16_t V4_FLASH_BLOCK = 0x200; // covered by one CRC-32 of the table
constexpr int V4_FLASH_BLOCKS = 10;
constexpr uint16_t V4_CRC_TABLE = 0xD580;      // 64 bytes written, the ten CRC-32 first
constexpr int V4_CRC_TABLE_READS = 3;          // read as three times 16 bytes
constexpr uint16_t V4_CONFIG_BLOCK = 0xD5C0;   // 64 bytes; also the 48-byte version block
constexpr uint16_t V4_IDENTITY_BLOCK = 0xD610; // 16 bytes
// The N8 and AC lines keep their records elsewhere.
constexpr uint16_t V4_N8_CONFIG_BLOCK = 0xE3C0;
constexpr uint16_t V4_N8_IDENTITY_BLOCK = 0xE410;
constexpr uint16_t V4_AC_VERSION_BLOCK = 0x5FBF;
constexpr uint16_t V4_AC_IDENTITY_BLOCK = 0x6000;
constexpr uint8_t V4_RECORD_READ = 0x10; // bytes per memory read
constexpr uint8_t V4_CONFIG_BYTES = 0x40;

// CRC-16 of written data (MSB first, no final XOR), checked by command 13.
constexpr uint16_t V4_WRITE_CRC_INIT = 0x5142;
constexpr uint16_t V4_WRITE_CRC_POLY = 0x80A2;

// Shares of the progress: the flash from 5 to 90, the configuration to 100.
constexpr uint8_t V4_PROGRESS_FLASH = 5;
constexpr uint8_t V4_PROGRESS_CONFIG = 90;
constexpr int V4_PROGRESS_FLASH_SPAN = 85;
constexpr int V4_PROGRESS_CONFIG_SPAN = 10;
// Between configuration writes the others are kept awake after every 7th.
constexpr int V4_KEEP_AWAKE_EVERY = 7;

constexpr uint32_t V4_WAIT_CONFIG_ANNOUNCE = 300;
constexpr uint32_t V4_WAIT_CONFIG_WRITE = 220;
constexpr uint32_t V4_WAIT_CONFIG_CHECK = 100;
constexpr uint32_t V4_WAIT_EXCHANGE_INFO = 140;
// DurationTm of the raw LF sequences of the search, and of the single-sensor read.
constexpr uint32_t V4_RAW_SEQUENCE_DURATION = 30;
constexpr uint32_t V4_EXCHANGE_DURATION = 65;

// The receive time-out of SendRecvSensor: the wait with this margin, or the
// default for a wait of 0.
constexpr uint32_t V4_SENSOR_DEFAULT_DURATION = 500;
constexpr uint32_t V4_SENSOR_REPLY_MARGIN = 130;
// The receive time-out of SendRecvMulti: the wait and 12 ms a target and 10
// more, or 450 for a broadcast; 20 less without the multi-sensor flag. A
// target that missed the one broadcast of an erase or check gets 500 alone.
constexpr uint32_t V4_MULTI_PER_TARGET = 12;
constexpr uint32_t V4_MULTI_TARGETS_MARGIN = 10;
constexpr uint32_t V4_MULTI_BROADCAST_MARGIN = 450;
constexpr uint32_t V4_MULTI_SINGLE_SAVING = 20;
constexpr uint32_t V4_WAIT_MISSED_TARGET = 500;
// Attempts of SendRecvSensor; passes of SendRecvMulti with and without targets.
constexpr int V4_SENSOR_ATTEMPTS = 10;
constexpr int V4_MULTI_PASSES = 16;
// Data blocks this long or longer travel unscrambled.
constexpr int V4_SCRAMBLE_LIMIT = 128;

// Where a line keeps its image and its block CRC table, and the waits its
// flash write takes.
struct V4FlashArea {
    uint16_t imageEnd; // exclusive; the area starts at m_nV4FlashHigh << 8
    uint16_t crcTable;
    int crcTableReads; // reads of 16 bytes
    int comparedCrcs;  // leading block CRCs compared
    uint32_t eraseWaitMs;
    uint32_t announceWaitMs;
    uint32_t checkWaitMs;
};

class CTsF7V4Program : public CTsProgram {
public:
    // Type 3; the LF table of the multi-sensor flag (code type 0) and the RF
    // table (receiver mode 37 with frequency selector 1) go to the link layer.
    CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector);
    ~CTsF7V4Program() override;

    // True when the search counted any sensor (SearchSensorCount).
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

    // Slot 16: erases the whole image area and writes every block in halves
    // of 32 bytes; the system does not call it.
    virtual bool WriteSensorFlash(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent);
    // Slot 17: the image into the sensors' flash, leaving out the leading
    // 512-byte blocks whose CRC-32 a single sensor already holds, then the
    // image's CRC table. The image's cursor is used (and rewound).
    virtual bool WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent);
    // Slot 18: the 64-byte configuration block into every sensor, patched
    // with its id (the new one of newIds, else its own), its battery and
    // temperature words and the date. keepAwake: the sensors kept awake
    // after every 7th write. False, error code -1, when any sensor failed.
    virtual bool WriteSensorConfig(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                                   const SensorIdSet* keepAwake = nullptr, const SensorIdMap* newIds = nullptr);

    // The search with its count: with the multi-sensor flag the sensors
    // taken, without it 0 when none was taken, else those taken plus those
    // of other lines seen. The taken ones go into found.
    uint8_t SearchSensorCount(SensorIdSet& found);
    // The raw LF sequences that wake the sensors before the search command.
    void SendRawSequence1();
    void SendRawSequence2();

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

    // The configuration block as one sensor gets it: id at 7-10 (big-endian),
    // 06 00 at 17-18 unless m_bKeepCfgWord, 00 00 at 39-40, the temperature
    // word at 41-42, the date at 43-44, 01 at 45, the battery word at 46-47.
    CBinary PatchConfig(const CBinary& config, uint32_t sensorId, const CBinary& temperature,
                        const CBinary& battery) const;

protected:
    static CBinary Bytes(std::initializer_list<uint8_t> bytes);
    // A command and its parameter words, big-endian: 10 len addr (erase), 11
    // len addr (announce), 13 crc (check).
    static CBinary CommandWords(uint8_t command, std::initializer_list<uint16_t> words);
    // 23 len addrH addrL: a memory read.
    static CBinary ReadRequest(uint16_t address, uint8_t length = V4_RECORD_READ);
    // 12 seq len addrH addrL: the head of a block write; the data follows.
    static CBinary WriteRequest(uint8_t sequence, uint8_t length, uint16_t address);

    // Results of one read from one sensor.
    enum class ReadResult { Ok, NoAnswer, Refused };
    // One request to one sensor; Refused also for a reply whose payload is
    // shorter than minPayload, since its fields cannot be read.
    ReadResult ReadSensor(uint32_t sensorId, const CBinary& request, uint32_t waitMs, int minPayload, CTsFrame& reply);
    // A memory read (23 len addrH addrL): the bytes behind the count byte;
    // false, logged as "Read <what> Error. Addr:<id>" or "Read <what> Error!",
    // without an answer, with a refusal or with a count the payload does not hold.
    bool ReadMemory(uint32_t sensorId, uint16_t address, uint8_t length, const char* what, CBinary& bytes);
    // The identity records of the first sensor (hard version, information,
    // identity and version blocks); the N8 layout, or the one the hard
    // version names.
    bool ReadPsnRecords(CBinaryGroup& records, bool n8Layout);
    void GetPsnTextAt(const SensorIdSet& found, SensorTextMap& texts, uint16_t identityAddress);

    // The start of a flash writer: progress at the start percentage; no
    // image gives error code -3 and false, else the error code is -1 until
    // the writer is done.
    bool StartFlashWrite(const CTsSnData* image, uint8_t startPercent);
    // The sensor's CRC table (reads of 16 bytes from address): false, logged,
    // when the sensor fails or gives fewer than 16 bytes a read.
    bool ReadCrcTable(const SensorIdSet& ids, uint16_t address, int reads, CBinary& table);
    // start moved on by one flash block for every leading CRC-32 of the
    // table that equals the image's, comparing at most count.
    static uint16_t FirstChangedBlock(const CBinary& table, const std::vector<uint32_t>& crcs, int count,
                                      uint16_t start);
    bool EraseFlash(const SensorIdSet& ids, uint16_t from, uint16_t length, uint32_t waitMs);
    // The image part of the skipping writer: with one sensor, a boot version
    // that keeps a CRC table and an image whose table fits (tableFits), the
    // sensor's table is read and the leading blocks it already holds are
    // left out; then the area is erased from there and the image's blocks
    // written. The writer's start must have gone before.
    bool WriteImageSkipping(const SensorIdSet& ids, CTsSnData& image, uint8_t startPercent, bool tableFits,
                            const V4FlashArea& area);
    // The plain writer over the area up to imageEnd: all of it erased, every
    // block written in halves of 32 bytes.
    bool WriteImagePlain(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent, uint16_t imageEnd);
    // Announces length bytes from from, writes the image's blocks (those from
    // from on when skipBelow; pieces of pieceBytes, 0 for whole blocks) with
    // the running CRC-16, reports progress from startPercent over 85 and has
    // the sensors check the CRC. The blocks must hold length bytes.
    bool WriteImageBlocks(const SensorIdSet& ids, CTsSnData& image, uint16_t from, uint32_t length, bool skipBelow,
                          uint8_t startPercent, int pieceBytes, uint32_t announceWaitMs, uint32_t writeWaitMs,
                          uint32_t checkWaitMs);
    // The check command with the CRC-16 of what was written: false, logged,
    // when it fails or any sensor refuses it.
    bool CheckWritten(const SensorIdSet& ids, uint16_t crc, uint32_t waitMs);
    // The configuration writer over the addresses of a line.
    bool WriteConfigAt(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                       const SensorIdSet* keepAwake, const SensorIdMap* newIds, uint16_t configAddress,
                       uint16_t identityAddress);
    bool WriteOneConfig(uint32_t sensorId, const CBinary& config, const SensorIdMap* newIds, uint16_t configAddress,
                        uint16_t identityAddress);

private:
    // m_nRecvFrames 255, Times 1, LfSpaceTm 0 and the duration: a raw exchange
    // whose answers are not used.
    void SetRawExchange(uint32_t durationMs);
    void SendRawCommand(uint8_t command);
    void ReleaseSensor(uint32_t sensorId);
};

#pragma once
// The V4 sensor families' common part. CTsV4Program carries the V4 sensor
// frame (built, scrambled and checked in both directions), the two exchange
// services every V4 operation runs on (one sensor with retries, and
// broadcast passes until every target answered), the discovery with its
// state, the link, and the readers and writers that every V4 line runs over
// its own addresses. The families (CTsF7V4Program and, derived from it,
// CTsF6V4Program and CTsN8V4Program) give it their flash and configuration
// writers; which sensor lines a family's search takes comes from the family
// table.
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

// Sensor lines, the high nibble of the first hard-version byte. The family
// table says which family takes which line.
constexpr uint8_t V4_LINE_ZERO = 0x00;
constexpr uint8_t V4_LINE_AC = 0x10;
constexpr uint8_t V4_LINE_F6 = 0x60;
constexpr uint8_t V4_LINE_F7 = 0x70;
constexpr uint8_t V4_LINE_N8 = 0x80;
constexpr uint8_t V4_LINE_F7E = 0xE0;
constexpr uint16_t V4_LINE_MASK = 0xF000;
// The line of a hard version.
constexpr uint8_t V4LineOf(uint16_t hardVersion) { return static_cast<uint8_t>((hardVersion & V4_LINE_MASK) >> 8); }

// The search: passes, the sensors one multi-sensor search takes at most, and
// the passes without a new sensor after which it ends; the rounds of raw
// sequences that wake the sensors in a pass.
constexpr int V4_SEARCH_PASSES = 10;
constexpr int V4_SEARCH_MAX_SENSORS = 20;
constexpr int V4_SEARCH_QUIET_PASSES_MULTI = 5;
constexpr int V4_SEARCH_QUIET_PASSES_SINGLE = 4;
constexpr int V4_WAKE_ROUNDS = 8;
// Boot versions from this one on keep a CRC table of their flash blocks, so
// that unchanged blocks need not be written again.
constexpr uint16_t V4_BOOT_WITH_CRC_TABLE = 0x0411;

// Flash as the V4 commands address it: the image area starts at
// m_nV4FlashHigh << 8 (C000) on every line; each 512-byte block is covered by
// one CRC-32 of the line's CRC table.
constexpr uint16_t V4_FLASH_BLOCK = 0x200;
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

// Where a line keeps its identity block (16 bytes) and its configuration
// block (64 bytes; its first 48 are the version block the identity read
// takes). The family table names the records of every V4 line.
struct V4Records {
    uint16_t identity;
    uint16_t config;
};

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

// Where a line keeps its records and its image: the layout a family's
// programming object writes over.
struct V4Layout {
    V4Records records;
    V4FlashArea flash;
};

class CTsV4Program : public CTsProgram {
public:
    ~CTsV4Program() override;

    // Where this family's line keeps its records and its image.
    virtual const V4Layout& Layout() const = 0;

    // The frame and the exchange with one sensor.
    // The request frame: 00 01, length, flags of the send sequence, sensor id,
    // tool id, mode, the data scrambled by the mode, and the check byte of the
    // kind the flags select. Empty for data too long for the length byte.
    CBinary BuildSendData(const CBinary& request, uint32_t sensorId) override;
    // Checks length, check byte, tool id and mode of a reply; a negative
    // answer is logged and returned all the same.
    void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) override;
    // Up to 10 attempts; true with the first reply of that sensor to this
    // command that is not a negative answer.
    bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                        CTsFrame* reply = nullptr) override;

    // Discovery and the link. SearchSensors is true when the search counted
    // any sensor (SearchSensorCount).
    bool SearchSensors(SensorIdSet& found) override;
    void KeepLink(const SensorIdSet& found) override;
    bool EndLink(const SensorIdSet& found) override;

    // Reading: the identity text of every found sensor ("NA" for one
    // without), and battery voltages by identity text, the identity block
    // read at the address of the object's type.
    void GetPsnText(const SensorIdSet& found, SensorTextMap& texts) override;
    bool ReadMeasureInfo(MeasureTextMap& info) override;

    // Programming: the flash with the image the selection's first two bytes
    // number, then the configuration block, into every sensor of the map
    // (found id -> new id); the link is ended in any case. It runs the
    // family's writers below over the family's layout.
    bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) override;
    // Erases the whole image area and writes every block in halves of 32
    // bytes; the system does not call it.
    virtual bool WriteSensorFlash(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent);
    // The image into the sensors' flash, leaving out the leading 512-byte
    // blocks whose CRC-32 a single sensor already holds, then the image's CRC
    // table. The image's cursor is used (and rewound).
    virtual bool WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent) = 0;
    // The 64-byte configuration block into every sensor, patched with its id
    // (the new one of newIds, else its own), its battery and temperature
    // words and the date. keepAwake: the sensors kept awake after every 7th
    // write. False, error code -1, when any sensor failed.
    virtual bool WriteSensorConfig(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                                   const SensorIdSet* keepAwake = nullptr, const SensorIdMap* newIds = nullptr);

    // The search with its count: with the multi-sensor flag the sensors
    // taken, without it 0 when none was taken, else those taken plus those
    // of other lines seen. The taken ones go into found.
    uint8_t SearchSensorCount(SensorIdSet& found);
    // The raw LF sequences that wake the sensors before the search command.
    void SendRawSequence1();
    void SendRawSequence2();

    // One request and its replies (SendRecv), without the replies to another
    // command: a late answer to an earlier request is refused as a bad frame,
    // so it never answers this one.
    TsFrameList Exchange(const CBinary& request, uint32_t sensorId);
    // Broadcast passes of the data until every target answered (true). With
    // no targets one pass, and false: the caller reads the collect set, which
    // keeps the first reply of every sensor to this command, negative answers
    // included.
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

    // Discovery state, as the last search left it: the sensors taken and
    // those of other lines (released at its end), the answers of its last
    // pass, the parameter of the per-sensor search step and the high byte of
    // the flash start.
    SensorIdSet m_setV4Taken;
    SensorIdSet m_setV4Foreign;
    TsFrameList m_lstV4Answers;
    uint8_t m_nV4SearchStep = 0x20;
    uint8_t m_nV4FlashHigh = 0xC0;
    uint8_t m_nInfoRead = 0; // set by the sensor information check: the search takes every line

    // Nothing sets these two; their values are the ones the sensors work with.
    // Set: the search's start sequence runs for every type, and a
    // multi-sensor search past 20 sensors ends without an error code.
    uint8_t m_bSearchAllTypes = 1;
    // Set: configuration bytes 17-18 are left as the image has them; clear:
    // they are written as 06 00.
    uint8_t m_bKeepCfgWord = 0;

protected:
    // The V4 LF table of the multi-sensor flag (code type 0) and the RF table
    // (receiver mode 37 with frequency selector 1) go to the link layer.
    CTsV4Program(uint8_t multiSensor, uint8_t freqSelector, int type);

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
    // identity and version blocks), at the addresses given, or without them
    // at those of the line the hard version names.
    bool ReadPsnRecords(CBinaryGroup& records, const V4Records* addresses);

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
    bool WriteOneConfig(uint32_t sensorId, const CBinary& config, const SensorIdMap* newIds, const V4Records& records);

private:
    // What one search has counted so far.
    struct SearchCount {
        int taken = 0;       // sensors taken, each once
        int unsupported = 0; // sensors of a line this program cannot write
    };
    // What the search does with a sensor of a line.
    enum class LineChoice {
        TakeAny,     // the information check reads whatever line it is
        Take,        // a line of this family
        Unsupported, // a line of this family whose data is not there
        LeaveToNext, // the line of a family tried after this one: the search ends at once
        Foreign,     // another line: released at the end of the search
    };

    // The passes of the search: links an earlier search left are ended; each
    // pass wakes the sensors, asks who is there and takes its answers.
    void EndEarlierLinks();
    void WakeSensors(int pass);
    // Steps every answering sensor into the search and sorts it by its line;
    // false when a sensor left to a later family ended the search.
    bool TakeAnswers(const SensorFrameMap& answers, SensorIdSet& found, SearchCount& count);
    LineChoice ChooseLine(uint8_t line, int taken) const;
    // Whether the sensors taken are more than the search may take (the error
    // code then says so unless a multi-sensor search passed 20).
    bool TooManyTaken(int taken);
    // Releases the sensors of other lines, and after too many the ones taken.
    void ReleaseAfterSearch(const SensorIdSet& found);

    // m_nRecvFrames 255, Times 1, LfSpaceTm 0 and the duration: a raw exchange
    // whose answers are not used.
    void SetRawExchange(uint32_t durationMs);
    void SendRawCommand(uint8_t command);
    void ReleaseSensor(uint32_t sensorId);
};

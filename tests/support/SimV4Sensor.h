#pragma once
// A simulated V4 sensor: reads the V4 request frame out of the LF data
// (length, flags, sensor id, tool id, mode, data unscrambled by the mode,
// check byte), answers with a V4 reply telegram, and keeps the state a
// sensor keeps: whether it is taken by a search, its version and information
// records and a flash array the read commands address.
//
// Answered here: search (01), search step (02), keep link (00), end link
// (03), release (04), hard-version record (20), information record (22),
// memory reads (23) and the flash writing: erase (10), announce a write
// window (11), write a block into it (12) and check the CRC-16 of what was
// written (13). The wake commands 05, 06 and 29 get no answer; any other
// command the negative answer 'w' with reason SIM_V4_REASON_UNKNOWN.
// Handle() is virtual so that other lines extend it; the fault hooks stand
// beside it.
//
// The flash keeps what a real one does: a byte is written only when it is
// erased (FF) or already holds the value, so a write without the erase
// before it is refused. Erase and write windows must lie in the image area
// of the sensor's line (from C000: up to D600 for F6 and F7, E400 for N8,
// which thus takes writes at its own addresses only; anywhere for others). Broadcast writes reach only a sensor that a
// search took; a write addressed to the sensor always does.
//
// Written from the frame layout alone, without the client's frame code.
#include "SimSensor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

constexpr uint8_t SIM_V4_NEGATIVE = 0x77;
constexpr uint8_t SIM_V4_REASON_UNKNOWN = 0x01;    // command not known
constexpr uint8_t SIM_V4_REASON_RANGE = 0x02;      // address or length out of range
constexpr uint8_t SIM_V4_REASON_NOT_ERASED = 0x03; // a write over bytes not erased
constexpr uint8_t SIM_V4_REASON_NO_WINDOW = 0x04;  // a write or check without an announced window
constexpr uint8_t SIM_V4_REASON_CRC = 0x05;        // the check's CRC-16 differs from the written data
constexpr size_t SIM_V4_FLASH_SIZE = 0x10000;

// Records of the F7 and F6 lines in the flash.
constexpr uint32_t SIM_V4_IMAGE_START = 0xC000;
constexpr uint32_t SIM_V4_IMAGE_END = 0xD600;
constexpr uint32_t SIM_V4_CRC_TABLE = 0xD580;
constexpr uint32_t SIM_V4_CONFIG = 0xD5C0;
constexpr uint32_t SIM_V4_IDENTITY = 0xD610;
// The N8 line's larger flash keeps them elsewhere.
constexpr uint32_t SIM_N8_IMAGE_END = 0xE400;
constexpr uint32_t SIM_N8_CRC_TABLE = 0xE370;
constexpr uint32_t SIM_N8_CONFIG = 0xE3C0;
constexpr uint32_t SIM_N8_IDENTITY = 0xE410;
// CRC-16 of written data: MSB first, polynomial 80A2, from 5142.
constexpr uint16_t SIM_V4_WRITE_CRC_INIT = 0x5142;
constexpr uint16_t SIM_V4_WRITE_CRC_POLY = 0x80A2;

class SimV4Sensor : public SimSensor {
public:
    // A V4 request as the sensor reads it.
    struct Request {
        uint8_t flags = 0;
        uint16_t sensorId = 0;
        uint16_t toolId = 0;
        uint8_t mode = 0;
        std::vector<uint8_t> data; // unscrambled: command byte and parameters
        SimRequest frame;          // the command frame it came in
        uint8_t Command() const { return data.empty() ? 0 : data[0]; }
    };
    // What the sensor sends back; answer false: it stays silent.
    struct Reply {
        bool answer = true;
        uint8_t command = 0;
        std::vector<uint8_t> payload;
    };
    // Called before the sensor's own handling (a refusal set up with
    // RefuseCommand comes first); return true when the hook decided the reply
    // (answer false to stay silent).
    using Hook = std::function<bool(const Request& request, Reply& reply)>;

    explicit SimV4Sensor(uint16_t id, uint16_t hardVersion = 0x7100, uint16_t bootVersion = 0x0411);

    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override;

    uint16_t Id() const { return m_id; }
    void SetHardVersion(uint16_t version);
    void SetBootVersion(uint16_t version);
    // Payload of command 20: hard version, boot version (big-endian), 8 more bytes.
    std::vector<uint8_t>& HardVersionRecord() { return m_hardRecord; }
    // Payload of command 22: the 16-byte information record.
    std::vector<uint8_t>& InfoRecord() { return m_infoRecord; }
    // The flash as the memory commands address it, erased (FF) at the start.
    std::vector<uint8_t>& Flash() { return m_flash; }
    void WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> ReadFlash(uint32_t address, size_t length) const;
    // The 16-byte identity block (PSN text), padded with FF.
    void SetIdentity(const std::string& text, uint32_t address = SIM_V4_IDENTITY);
    // Radio frequency selector of the sensor: heard only by a receiver set
    // for it (mode 37 for 1, 10 for 0); -1, the default, is heard by both.
    void SetFrequency(int selector) { m_frequency = selector; }

    // The end (exclusive) of the image area of the line the hard version names.
    uint32_t ImageEnd() const;

    bool Taken() const { return m_taken; }
    bool Released() const { return m_released; }
    // Every request addressed to this sensor (its id or broadcast), in order.
    const std::vector<Request>& Received() const { return m_received; }
    // Command bytes of the replies it sent.
    const std::vector<uint8_t>& Answered() const { return m_answered; }
    // The requests of one command, in order.
    std::vector<Request> ReceivedOf(uint8_t command) const;

    // Faults.
    void DropReplies(int count);                                         // the next count replies are lost
    void DropEvery(int n);                                               // every n-th reply is lost (0: none)
    void RefuseCommand(uint8_t command, uint8_t reason, int times = -1); // -1: always
    void CorruptChecks(int count); // the next count replies carry a wrong check byte
    void SetHook(Hook hook) { m_hook = std::move(hook); }
    // Tool id and mode the sensor answers with (defaults: the request's).
    void ForceToolId(int toolId) { m_forceToolId = toolId; }
    void ForceMode(int mode) { m_forceMode = mode; }

    // The V4 frame layout, for tests.
    static bool ReadRequest(const std::vector<uint8_t>& lfData, Request& request);
    static std::vector<uint8_t> BuildReply(uint8_t flags, uint16_t sensorId, uint16_t toolId, uint8_t mode,
                                           uint8_t command, const std::vector<uint8_t>& payload);
    static uint8_t CheckByte(uint8_t flags, const uint8_t* bytes, size_t length);

protected:
    // The sensor's own answer to a request addressed to it; false: no answer.
    virtual bool Handle(const Request& request, Reply& reply);
    static void Refuse(Reply& reply, uint8_t command, uint8_t reason);
    // The flash commands 10 to 13.
    void HandleFlash(const Request& request, Reply& reply);

    uint16_t m_id;
    std::vector<uint8_t> m_hardRecord;
    std::vector<uint8_t> m_infoRecord;
    std::vector<uint8_t> m_flash;
    bool m_taken = false;
    bool m_released = false;
    int m_frequency = -1;
    // The write window of the last announce, and the writes into it by
    // address (a write repeated after a lost reply counts once).
    bool m_windowOpen = false;
    uint32_t m_windowStart = 0;
    uint32_t m_windowEnd = 0;
    std::map<uint32_t, size_t> m_windowWrites;

private:
    std::vector<Request> m_received;
    std::vector<uint8_t> m_answered;
    struct Refusal {
        uint8_t reason;
        int times;
    };
    std::map<uint8_t, Refusal> m_refusals;
    int m_drop = 0;
    int m_dropEvery = 0;
    int m_replyCount = 0;
    int m_corrupt = 0;
    int m_forceToolId = -1;
    int m_forceMode = -1;
    Hook m_hook;
};

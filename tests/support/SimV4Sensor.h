#pragma once
// A simulated V4 sensor: reads the V4 request frame out of the LF data
// (length, flags, sensor id, tool id, mode, data unscrambled by the mode,
// check byte), answers with a V4 reply telegram, and keeps the state a
// sensor keeps: whether it is taken by a search, its version and information
// records and a flash array the read commands address.
//
// Answered here: search (01), search step (02), keep link (00), end link
// (03), release (04), hard-version record (20), information record (22) and
// memory reads (23). Any other command gets the negative answer 'w' with
// reason SIM_V4_REASON_UNKNOWN. Handle() is virtual so that a fuller model
// adds the writing commands; the fault hooks stand beside it.
//
// Written from the frame layout alone, without the client's frame code.
#include "SimSensor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

constexpr uint8_t SIM_V4_NEGATIVE = 0x77;
constexpr uint8_t SIM_V4_REASON_UNKNOWN = 0x01; // command not known
constexpr uint8_t SIM_V4_REASON_RANGE = 0x02;   // address or length out of range
constexpr size_t SIM_V4_FLASH_SIZE = 0x10000;

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

    bool Taken() const { return m_taken; }
    bool Released() const { return m_released; }
    // Every request addressed to this sensor (its id or broadcast), in order.
    const std::vector<Request>& Received() const { return m_received; }
    // Command bytes of the replies it sent.
    const std::vector<uint8_t>& Answered() const { return m_answered; }

    // Faults.
    void DropReplies(int count);              // the next count replies are lost
    void DropEvery(int n);                    // every n-th reply is lost (0: none)
    void RefuseCommand(uint8_t command, uint8_t reason, int times = -1); // -1: always
    void CorruptChecks(int count);            // the next count replies carry a wrong check byte
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

    uint16_t m_id;
    std::vector<uint8_t> m_hardRecord;
    std::vector<uint8_t> m_infoRecord;
    std::vector<uint8_t> m_flash;
    bool m_taken = false;
    bool m_released = false;

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

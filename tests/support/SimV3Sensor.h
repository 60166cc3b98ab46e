#pragma once
// A simulated V1/V3 sensor (the F7V3 and F6V1 lines): reads the V1/V3
// request out of the LF data (00 01 5A idH idL tool N request sum) and
// answers with a V1/V3 reply telegram (5A idH idL tool N command payload
// sum). It sleeps until a wake-up (50) reaches it; awake it answers 50 and
// the id request 5D with status 00, addressed to its id or to id 0.
//
// Its firmware blocks are those of the boot images the container writer
// makes: 'S' starts an image, 'W' writes boot code, 'T' is the
// configuration block (its CRC-16, polynomial 8005 over bytes 3 to 66, must
// hold, and byte 10 must be 01; bytes 11 to 14 are the new id) and 'R' runs
// the new boot: from then on the sensor is a V4 sensor (SimV4Sensor) with
// the low 16 bits of the new id and answers V4 frames only. A block's reply
// carries its letter and the status (00, or one of the codes below).
//
// The Brelk syncs on a sensor's radio header: with the sync header 55 56 the
// whole telegram comes back; with the line-coded 5A and id of this sensor
// (as while programming) the Brelk strips those three bytes; with any other
// header the reply is not heard.
//
// Written from the frame layout alone, without the client's frame code.
#include "SimSensor.h"
#include "SimV4Sensor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

constexpr uint8_t SIM_V3_OK = 0x00;
constexpr uint8_t SIM_V3_NOT_STARTED = 0x01; // a write before the image's start block
constexpr uint8_t SIM_V3_BAD_CONFIG = 0x02;  // CRC or flag of the configuration block wrong
constexpr uint8_t SIM_V3_NO_CONFIG = 0x03;   // run without an accepted configuration block
constexpr uint8_t SIM_V3_UNKNOWN = 0xFF;     // a command the sensor does not know

class SimV3Sensor : public SimSensor {
public:
    struct Request {
        uint16_t sensorId = 0;
        uint8_t toolId = 0;
        std::vector<uint8_t> data;    // command byte and its data
        bool programmingSync = false; // the Brelk synced on this sensor's own header
        SimRequest frame;
        uint8_t Command() const { return data.empty() ? 0 : data[0]; }
    };
    struct Reply {
        bool answer = true;
        uint8_t command = 0;
        std::vector<uint8_t> payload;
    };
    // Called before the sensor's own handling of a request addressed to it;
    // true when the hook decided the reply (answer false to stay silent).
    using Hook = std::function<bool(const Request& request, Reply& reply)>;

    // The V4 sensor it becomes gets the hard and boot versions given.
    explicit SimV3Sensor(uint16_t id, uint16_t v4HardVersion = 0x7100, uint16_t v4BootVersion = 0x0411);

    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override;

    uint16_t Id() const { return m_id; }
    bool Awake() const { return m_awake; }
    // The V4 sensor it turned into after its boot image; null before.
    std::shared_ptr<SimV4Sensor> V4() const { return m_v4; }
    // The boot code written, by address.
    const std::map<uint32_t, uint8_t>& BootCode() const { return m_code; }
    // The configuration block accepted last (67 bytes), empty before.
    const std::vector<uint8_t>& Config() const { return m_config; }
    // Every V1/V3 request addressed to it, in order; those of one command.
    const std::vector<Request>& Received() const { return m_received; }
    std::vector<Request> ReceivedOf(uint8_t command) const;
    // Heard only by a receiver set for the selector (mode 37 for 1, 10 for
    // 0); -1, the default, by both.
    void SetFrequency(int selector) { m_frequency = selector; }

    // Makes the V4 sensor it turns into, given the low 16 bits of the new id;
    // by default a plain SimV4Sensor with the versions given to the constructor.
    using Successor = std::function<std::shared_ptr<SimV4Sensor>(uint16_t id)>;
    void SetSuccessor(Successor make) { m_successor = std::move(make); }

    // Faults.
    void DropReplies(int count) { m_drop = count; } // the next count replies are lost
    void SetHook(Hook hook) { m_hook = std::move(hook); }

    // The V1/V3 frame layout, for tests.
    static bool ReadRequest(const std::vector<uint8_t>& lfData, Request& request);
    static std::vector<uint8_t> BuildReply(uint16_t sensorId, uint8_t toolId, uint8_t command,
                                           const std::vector<uint8_t>& payload);
    // The line-coded 5A and id the Brelk syncs on while programming.
    static std::vector<uint8_t> ProgrammingSync(uint16_t sensorId);

private:
    bool Handle(const Request& request, Reply& reply);

    uint16_t m_id;
    uint16_t m_v4Hard;
    uint16_t m_v4Boot;
    bool m_awake = false;
    bool m_started = false;
    std::map<uint32_t, uint8_t> m_code;
    std::vector<uint8_t> m_config;
    uint32_t m_newId = 0;
    std::shared_ptr<SimV4Sensor> m_v4;
    std::vector<Request> m_received;
    int m_frequency = -1;
    int m_drop = 0;
    Hook m_hook;
    Successor m_successor;
};

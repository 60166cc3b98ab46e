#pragma once
// A blank programmable sensor as a workshop has it on the bench: a V4
// sensor that takes an image and a configuration, and that, once it has
// one, answers the fitted-sensor test's trigger of one "Active.tab"
// protocol with a telegram carrying the identifier its configuration block
// holds (FF FF FF FF before it was programmed). So a test reads back what
// the sensor really holds, not what the client meant to write.
#include "SimActivationSensor.h"
#include "SimV4Sensor.h"

#include <cstdint>
#include <mutex>
#include <optional>

class SimProgrammableSensor : public SimV4Sensor {
public:
    SimProgrammableSensor(uint16_t id, SimActivationProtocol protocol, uint16_t hardVersion = 0x7100,
                          uint16_t bootVersion = 0x0411);

    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override;

    // The identifier in its configuration block (big-endian, bytes 7 to 10).
    uint32_t ConfiguredId() const;
    // The pressure steps, temperature and battery its telegram reports.
    void SetReading(uint8_t pressureSteps, int8_t temperature, bool lowBattery);
    // The test's answers carry this identifier instead of its own.
    void AnswerTestAs(std::optional<uint32_t> id);
    int TestTriggers() const;

private:
    SimActivationProtocol m_protocol;
    mutable std::mutex m_mutex;
    uint8_t m_pressureSteps = 100;
    int8_t m_temperature = 25;
    bool m_lowBattery = false;
    std::optional<uint32_t> m_answerAs;
    int m_triggers = 0;
};

#include "SimProgrammableSensor.h"

#include "ActivationFixtures.h"

namespace {

constexpr size_t kConfigIdAt = 7;

} // namespace

SimProgrammableSensor::SimProgrammableSensor(uint16_t id, SimActivationProtocol protocol, uint16_t hardVersion,
                                             uint16_t bootVersion)
    : SimV4Sensor(id, hardVersion, bootVersion), m_protocol(std::move(protocol))
{
}

uint32_t SimProgrammableSensor::ConfiguredId() const
{
    const uint32_t config = ImageEnd() == SIM_N8_IMAGE_END ? SIM_N8_CONFIG : SIM_V4_CONFIG;
    const std::vector<uint8_t> bytes = ReadFlash(config + kConfigIdAt, 4);
    uint32_t id = 0;
    for (uint8_t b : bytes)
        id = id << 8 | b;
    return id;
}

void SimProgrammableSensor::SetReading(uint8_t pressureSteps, int8_t temperature, bool lowBattery)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pressureSteps = pressureSteps;
    m_temperature = temperature;
    m_lowBattery = lowBattery;
}

void SimProgrammableSensor::AnswerTestAs(std::optional<uint32_t> id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answerAs = id;
}

int SimProgrammableSensor::TestTriggers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_triggers;
}

void SimProgrammableSensor::OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers)
{
    std::string why;
    if (!SimActivationSensor::Matches(m_protocol, request, why)) {
        SimV4Sensor::OnRequest(request, answers);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_triggers;
    const uint32_t id = m_answerAs ? *m_answerAs : ConfiguredId();
    SimRfFrame frame;
    frame.telegram = SimActivationSensor::WithCheck(m_protocol.rf,
                                                    FixtureTelegram(id, m_pressureSteps, m_temperature, m_lowBattery));
    frame.codeType = m_protocol.rf[4];
    answers.push_back(frame);
}

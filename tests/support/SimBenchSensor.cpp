#include "SimBenchSensor.h"

#include "ActivationFixtures.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr uint8_t kBenchTriggerByte = 0x31;
constexpr uint16_t kBootVersion = 0x0411;
constexpr uint8_t kWakeUp = 0x50;
constexpr uint8_t kWakeStatusReply = 0xA0;
constexpr size_t kHeldIdOffset = 7;
// What its records say when read: software version 1.2 (bytes 10-11 of the
// hard-version record) and about 250 kPa now (bytes 10-11 of the information
// record: x 1.572 kPa, or x 1.69 - 30.3 kPa for the N8 line).
constexpr uint8_t kSoftVersion[2] = {0x01, 0x02};
constexpr uint16_t kPressureWord = 159;
constexpr uint16_t kN8PressureWord = 166;

struct FamilyInfo {
    BenchFamily family;
    const char* name;
    uint32_t protocol;
    uint16_t hardVersion;
    int frequency; // selector of the receiver that hears it
    bool v3;
};

constexpr FamilyInfo kFamilies[] = {
    {BenchFamily::F7V4, "F7V4", 0x040, 0x7100, 0, false}, {BenchFamily::F6V4, "F6V4", 0x07C, 0x6100, 1, false},
    {BenchFamily::N8V4, "N8V4", 0x1A3, 0x8100, 0, false}, {BenchFamily::F7V3, "F7V3", 0x1ED, 0x7100, 0, true},
    {BenchFamily::F6V1, "F6V1", 0x0B2, 0x6100, 1, true},
};

const FamilyInfo& Info(BenchFamily family)
{
    for (const FamilyInfo& info : kFamilies)
        if (info.family == family)
            return info;
    return kFamilies[0];
}

} // namespace

bool ParseBenchFamily(const std::string& name, BenchFamily& family)
{
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const FamilyInfo& info : kFamilies) {
        if (upper == info.name) {
            family = info.family;
            return true;
        }
    }
    return false;
}

const char* BenchFamilyName(BenchFamily family) { return Info(family).name; }

SimActivationProtocol BenchProtocol(BenchFamily family)
{
    return FixtureProtocol(Info(family).protocol, kBenchTriggerByte);
}

uint16_t BenchHardVersion(BenchFamily family) { return Info(family).hardVersion; }

uint32_t BenchCodeStart(BenchFamily) { return SIM_V4_IMAGE_START; }

uint32_t BenchCodeEnd(BenchFamily family) { return family == BenchFamily::N8V4 ? SIM_N8_CRC_TABLE : SIM_V4_CRC_TABLE; }

uint32_t BenchHeldIdAt(BenchFamily family)
{
    return (family == BenchFamily::N8V4 ? SIM_N8_CONFIG : SIM_V4_CONFIG) + kHeldIdOffset;
}

SimBenchSensor::SimBenchSensor(BenchFamily family, uint16_t searchId, std::optional<uint32_t> held)
    : m_family(family), m_searchId(searchId)
{
    const FamilyInfo& info = Info(family);
    if (!info.v3 || held) {
        m_v4 = MakeV4(searchId);
        if (held) {
            const uint32_t v = *held;
            m_v4->WriteFlash(BenchHeldIdAt(family), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                                                     static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
        }
        return;
    }
    m_v3 = std::make_shared<SimV3Sensor>(searchId, info.hardVersion, kBootVersion);
    m_v3->SetFrequency(info.frequency);
    m_v3->SetSuccessor([this](uint16_t id) {
        m_v4 = MakeV4(id);
        return m_v4;
    });
    if (family == BenchFamily::F6V1) {
        m_v3->SetHook([](const SimV3Sensor::Request& request, SimV3Sensor::Reply& reply) {
            if (request.Command() != kWakeUp)
                return false;
            reply.command = kWakeStatusReply;
            reply.payload = {0x00, 0x01};
            return true;
        });
    }
}

std::shared_ptr<SimProgrammableSensor> SimBenchSensor::MakeV4(uint16_t id) const
{
    const FamilyInfo& info = Info(m_family);
    auto sensor = std::make_shared<SimProgrammableSensor>(id, BenchProtocol(m_family), info.hardVersion, kBootVersion);
    sensor->SetFrequency(info.frequency);
    sensor->HardVersionRecord()[10] = kSoftVersion[0];
    sensor->HardVersionRecord()[11] = kSoftVersion[1];
    const uint16_t pressure = m_family == BenchFamily::N8V4 ? kN8PressureWord : kPressureWord;
    sensor->InfoRecord()[10] = static_cast<uint8_t>(pressure >> 8);
    sensor->InfoRecord()[11] = static_cast<uint8_t>(pressure);
    return sensor;
}

void SimBenchSensor::OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers)
{
    if (m_v3)
        m_v3->OnRequest(request, answers); // hands over to its V4 sensor after the boot update
    else
        m_v4->OnRequest(request, answers);
}

uint32_t SimBenchSensor::HeldId() const { return m_v4 ? m_v4->ConfiguredId() : 0xFFFFFFFFu; }

std::vector<uint8_t> SimBenchSensor::CodeArea() const
{
    const uint32_t start = BenchCodeStart(m_family);
    const uint32_t end = BenchCodeEnd(m_family);
    if (!m_v4)
        return std::vector<uint8_t>(end - start, 0xFF);
    return m_v4->ReadFlash(start, end - start);
}

#pragma once
// One sensor on brelk-sim's bench, of one of the five programmable lines:
//
//   F7V4, F6V4, N8V4  a V4 sensor of hard version 7100, 6100 or 8100 (boot 0411)
//   F7V3, F6V1        a V1/V3 sensor: it takes the boot update as the sensors
//                     of the V1/V3 tests do and is a V4 sensor of hard version
//                     7100 (F7V3) or 6100 (F6V1) from then on
//
// The F6 lines send on 315 MHz (heard only by a receiver set for frequency
// selector 1), the others on 433 MHz. An F6V1 sensor answers the wake-up
// query with an A0 reply whose second status byte is set, so that the F7V3
// reply check passes it by and only the F6V1 one takes it.
//
// A sensor given an identifier was programmed before: one of the V1/V3
// lines then already runs the V4 boot. A V4 sensor answers the
// fitted-sensor test's trigger of its line's protocol (BenchProtocol) with
// the identifier it holds (FFFFFFFF while blank).
#include "SimActivationSensor.h"
#include "SimProgrammableSensor.h"
#include "SimSensor.h"
#include "SimV3Sensor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

enum class BenchFamily { F7V4, F6V4, N8V4, F7V3, F6V1 };

// "F7V4" and so on; false for any other name (case matters not).
bool ParseBenchFamily(const std::string& name, BenchFamily& family);
const char* BenchFamilyName(BenchFamily family);

// The "Active.tab" protocol a sensor of the line answers: the fixture
// protocol of ActivationFixtures.h with the trigger byte 31 and, as its id,
// the sensor code of the line's sample sensor record (040, 07C, 1A3, 1ED, 0B2).
SimActivationProtocol BenchProtocol(BenchFamily family = BenchFamily::F7V4);

// The hard version of the V4 sensor of the line (after its boot update).
uint16_t BenchHardVersion(BenchFamily family);
// Its code area (what a programmed image fills, up to the CRC table) and
// where the identifier is held (bytes 7 to 10 of the configuration block).
uint32_t BenchCodeStart(BenchFamily family);
uint32_t BenchCodeEnd(BenchFamily family);
uint32_t BenchHeldIdAt(BenchFamily family);

class SimBenchSensor : public SimSensor {
public:
    SimBenchSensor(BenchFamily family, uint16_t searchId, std::optional<uint32_t> held = std::nullopt);
    SimBenchSensor(const SimBenchSensor&) = delete;
    SimBenchSensor& operator=(const SimBenchSensor&) = delete;

    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override;

    BenchFamily Family() const { return m_family; }
    uint16_t SearchId() const { return m_searchId; }
    // The V4 sensor it is now; null for a V1/V3 sensor before its boot update.
    std::shared_ptr<SimProgrammableSensor> V4() const { return m_v4; }
    // The identifier held (FFFFFFFF when blank) and its code area.
    uint32_t HeldId() const;
    std::vector<uint8_t> CodeArea() const;

private:
    std::shared_ptr<SimProgrammableSensor> MakeV4(uint16_t id) const;

    BenchFamily m_family;
    uint16_t m_searchId;
    std::shared_ptr<SimV3Sensor> m_v3;
    std::shared_ptr<SimProgrammableSensor> m_v4;
};

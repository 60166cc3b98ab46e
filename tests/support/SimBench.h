#pragma once
// The bench of brelk-sim: the simulated sensors a technician has at hand, in
// groups that take turns in front of the Brelk (one group in range at a
// time; Swap takes it away and brings the next), and the record of what each
// sensor holds, which a test outside the simulator's process reads.
//
// A sensor list reads "2345,F7V3:3456=00ABCDEF/N8V4:4567": sensors by their
// search id in hexadecimal, each of a line (SimBenchSensor.h; "F7V4:" when
// none is named), "=ID" for one that was programmed with that identifier
// before, groups separated by "/"; "none" is one empty group.
//
// The record has one line per sensor, in the order of the list:
//   sensor=2345 range=in held=00ABCDEF code=1A2B3C4D family=F7V4
// range is "in" or "away", held the identifier of its configuration block
// (FFFFFFFF when blank), code the CRC-32 of its code area (the image area up
// to the CRC table; an erased one for a V1/V3 sensor before its boot update).
#include "SimBenchSensor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SimFrameHandler;

// The trigger of the F7V4 line's protocol 40 (BenchProtocol()).
constexpr uint32_t kBenchProtocolId = 0x40;
constexpr uint8_t kBenchTrigger = 0x31;

struct BenchSensorSpec {
    BenchFamily family = BenchFamily::F7V4;
    uint16_t searchId = 0;
    std::optional<uint32_t> held;
};
using BenchGroups = std::vector<std::vector<BenchSensorSpec>>;

// False on anything but a list as above (ids up to FFFE, at most 8 digits held).
bool ParseBenchSensors(const std::string& text, BenchGroups& groups);
// The list a bench of those groups is written as (the long form, with lines).
std::string BenchSensorsText(const BenchGroups& groups);

class SimBench {
public:
    // Puts the first group in range of the handler's Brelk.
    SimBench(SimFrameHandler& frames, const BenchGroups& groups);

    // The group in range leaves, the next one comes (after the last, the first).
    void Swap();
    size_t GroupInRange() const { return m_inRange; }
    const std::vector<std::shared_ptr<SimBenchSensor>>& Group(size_t index) const { return m_groups[index]; }

    std::string Record() const;
    // Writes the record when it differs from the one written last; through a
    // temporary file, so a reader never sees half of it.
    void WriteRecordIfChanged(const std::string& path);

private:
    SimFrameHandler& m_frames;
    std::vector<std::vector<std::shared_ptr<SimBenchSensor>>> m_groups;
    size_t m_inRange = 0;
    std::string m_written;
};

// One line of the record, as a reader sees it.
struct BenchRecordLine {
    uint16_t searchId = 0;
    bool inRange = false;
    uint32_t held = 0;
    uint32_t codeCrc = 0;
    std::string family;
};
// The lines of the record at path (none when it is missing or unreadable).
std::vector<BenchRecordLine> ReadBenchRecord(const std::string& path);

// The code area of the F7 line: what a programmed image fills, before the
// CRC table and the configuration block.
constexpr uint32_t kBenchCodeStart = SIM_V4_IMAGE_START;
constexpr uint32_t kBenchCodeEnd = SIM_V4_CRC_TABLE;
uint32_t CodeAreaCrc(const std::vector<uint8_t>& codeArea);

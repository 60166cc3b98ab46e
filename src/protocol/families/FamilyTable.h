#pragma once
// The sensor families in one table. A row says of a family: its type number
// (what GetType reports, and the type of its firmware images), its name, the
// frame its sensors speak, whether the boot update runs on its sensors (and
// the type a sensor has after it), which sensor lines its V4 search takes,
// which it leaves to a family tried after it and which it hands on once its
// hard version is read, whether its search ends the links an earlier search
// left, which selection chip cannot take it, where its line keeps its
// records and its image, and how its programming object is made.
//
// The programming operations try the families in the attempt order F7V4,
// N8V4, F6V4, F7V3, F6V1, going on while an attempt finds no sensor of its
// family:
//
//     for (int attempt = 0; attempt < attempts; ++attempt) {
//         std::unique_ptr<CTsProgram> program = FamilyOfAttempt(attempt).Create(0, freqSelector);
//         ...
//     }
#include "TsProgram.h"
#include "TsV4Program.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// The frame a family's sensors speak.
enum class FrameKind {
    V1V3, // 'Z' frames with a 16-bit id and an 8-bit sum (CTsF7V3Program)
    V4,   // V4 frames, scrambled, with a rotating check byte (CTsV4Program)
};

// A set of sensor lines (V4_LINE_*: the high nibble of the first hard-version byte).
class SensorLines {
public:
    constexpr SensorLines() = default;
    constexpr SensorLines(std::initializer_list<uint8_t> lines)
    {
        for (uint8_t line : lines)
            m_bits = static_cast<uint16_t>(m_bits | 1u << (line >> 4));
    }
    constexpr bool Has(uint8_t line) const { return (m_bits >> (line >> 4)) & 1u; }
    constexpr bool Empty() const { return m_bits == 0; }

private:
    uint16_t m_bits = 0;
};

using ProgramConstructor = std::unique_ptr<CTsProgram> (*)(uint8_t multiSensor, uint8_t freqSelector);

struct SensorFamily {
    int type = 0;
    const char* name = "";
    FrameKind frame = FrameKind::V4;
    bool updatesBoot = false; // the boot update runs on its sensors
    // The type its sensor goes on as once the boot update moved it to the V4
    // boot (V1/V3 families); 0 for the others.
    int typeAfterBoot = 0;
    SensorLines lines{}; // the lines its search takes
    // Lines of a family tried after it: one seen before any of its own ends
    // its search at once, so that the next attempt takes the sensor.
    SensorLines leaves{};
    // Lines it hands on: when the boot check finds the object's hard version
    // on one of them, the object goes on as that line's family (F7V4 hands
    // F6 on to F6V4).
    SensorLines handsOver{};
    // Its search ends the links an earlier search left even when the search
    // is not for every type: it is the first attempt.
    bool endsEarlierLinks = false;
    // The selection chip status ("0x40") whose chip cannot take the family;
    // null when every chip can.
    const char* refusedChip = nullptr;
    // When set, its lines are taken only while this says their data is there.
    bool (*dataPresent)() = nullptr;
    const V4Layout* layout = nullptr; // where its line keeps its records and its image (V4 families)
    ProgramConstructor construct = nullptr;

    // A new programming object of the family; null for a family whose
    // sensors this client reads but does not program (AC).
    std::unique_ptr<CTsProgram> Create(uint8_t multiSensor, uint8_t freqSelector) const;
    // Whether a selection of that chip status (compared without regard to
    // letter case) cannot take the family.
    bool RefusesChip(std::string_view chipStatus) const;
    // The family a found sensor of that line goes on as: the line's family
    // when this one hands the line over, else null.
    const SensorFamily* HandOverOf(uint8_t line) const;
    // The selection bytes of its boot image for a frequency selector, by its
    // frame: V4 02 0A or 02 0B, V1/V3 F4 or F5; empty when the boot update
    // does not run on its sensors.
    std::span<const uint8_t> BootCommand(uint8_t freqSelector) const;
    // Its firmware image of that number ("F7V4Bin/F7_0A3.bin"); the image
    // containers are the firmware library's.
    std::string ImageName(int number) const;
};

// Every family, by type number.
std::span<const SensorFamily> SensorFamilies();
// The family of a type number; null for a type of no family.
const SensorFamily* FindFamily(int type);
// The family whose search takes a sensor line; null for a line of no family.
const SensorFamily* FamilyOfLine(uint8_t line);
// The name of a type's family, "" for a type of no family.
const char* FamilyName(int type);
// The type a sensor of that type goes on as once the boot update moved it to
// the V4 boot: F6V1 becomes F6V4, any other F7V4.
int TypeAfterBootUpdate(int type);
// The object that goes on with a sensor the boot update moved to the V4 boot:
// an F7V4 object with the multi-sensor flag set (the caller gives it the type
// of TypeAfterBootUpdate).
std::unique_ptr<CTsProgram> CreateAfterBootUpdate(uint8_t freqSelector);
// The families the programming operations try, in order: F7V4, N8V4, F6V4, F7V3, F6V1.
std::span<const SensorFamily* const> FamilyAttemptOrder();
// The family of attempt n (from 0): the attempt order over and over.
const SensorFamily& FamilyOfAttempt(int attempt);

// Where a V4 line keeps its records: those of the family that takes the line
// (of the type), the F7 line's for any other.
const V4Records& V4RecordsOfLine(uint8_t line);
const V4Records& V4RecordsOfType(int type);

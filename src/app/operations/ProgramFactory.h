#pragma once
// The programming objects of "Create Sensor" and "Copy Sensor", made through
// the family table: the families in the order the attempts try them, and the
// V4 object that goes on after a V1/V3 sensor took the V4 boot.
#include "TsProgram.h"

#include <cstdint>
#include <memory>

// The object of attempt `attempt` (the attempt order F7V4, N8V4, F6V4, F7V3,
// F6V1 over and over), each with its multi-sensor flag clear.
std::unique_ptr<CTsProgram> MakeProgramForAttempt(int attempt, uint8_t freqSelector);
// The V4 object that takes over a sensor the boot update moved to the V4
// boot: F7V4 with the multi-sensor flag set.
std::unique_ptr<CTsProgram> MakeProgramAfterBootUpdate(uint8_t freqSelector);
// Whether a sensor that still runs a V1/V3 boot (it has not taken the V4
// boot yet) answers the search of its family, on that frequency selector.
// The search's links are ended; a Stop ends it at once.
bool FindSensorBeforeBootUpdate(uint8_t freqSelector);
// Whether a programming object of that type takes the firmware selection
// bytes (the V4 families do; the V1/V3 ones get none).
bool TakesFirmwareSelection(int type);

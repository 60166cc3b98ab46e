#pragma once
// The programming objects of "Create Sensor" and "Copy Sensor", made in one
// place: the families in the order the attempts try them, and the V4 object
// that goes on after a V1/V3 sensor took the V4 boot.
#include "TsProgram.h"

#include <cstdint>
#include <memory>

// Attempts go round the families in this order.
constexpr int kProgramFamilies = 5;

// The object of attempt `attempt` (family attempt mod 5: F7V4, N8V4, F6V4,
// F7V3, F6V1), each with its multi-sensor flag clear.
std::unique_ptr<CTsProgram> MakeProgramForAttempt(int attempt, uint8_t freqSelector);
// The V4 object that takes over a sensor the boot update moved to the V4
// boot: F7V4 with the multi-sensor flag set.
std::unique_ptr<CTsProgram> MakeProgramAfterBootUpdate(uint8_t freqSelector);

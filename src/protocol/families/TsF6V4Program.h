#pragma once
// The F6 line of the V4 sensors: the F7V4 operations unchanged, type 4.
#include "TsF7V4Program.h"

class CTsF6V4Program : public CTsF7V4Program {
public:
    CTsF6V4Program(uint8_t multiSensor, uint8_t freqSelector);
};

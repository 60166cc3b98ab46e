#pragma once
// The F6V1 sensors: the V1/V3 program with type 1 and its own reply check.
#include "TsF7V3Program.h"

class CTsF6V1Program : public CTsF7V3Program {
public:
    explicit CTsF6V1Program(uint8_t freqSelector);

    // A reply whose first payload byte is 0.
    bool IsReplyOk(const CTsFrame& frame) override;
};

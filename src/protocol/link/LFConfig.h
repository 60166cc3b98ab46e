#pragma once
// How the Brelk drives its low-frequency trigger coil.
#include "ConfigBase.h"

#include <cstdint>

class CLFConfig : public CConfigBase {
public:
    // Input form (at least 11 bytes, big-endian): [0] LfMode, [1] VolMode in
    // bits 0-1 and BridgeMode in bits 6-7, [2] Times, [3..4] LfSpaceTm,
    // [5..8] DurationTm, [9..10] BitWidth (only for LfMode 0 and 1; else 128).
    // Bytes behind byte 10 are not looked at here.
    bool Init(const CBinary& config) override;
    // 12 bytes: VolMode, BridgeMode, LfMode, Times, LfSpaceTm, DurationTm and
    // BitWidth, the last three little-endian.
    CBinary ToToolData() const override;

    uint8_t LfMode = 0;  // 8 and above: LF data is line-coded behind a preamble
    uint8_t VolMode = 1; // coil voltage, 0 to 2
    uint8_t BridgeMode = 0;
    uint8_t Times = 0;      // trigger repetitions
    uint16_t LfSpaceTm = 0; // pause between triggers
    // Receive time-out in milliseconds; bit 31 set: wait the whole time-out
    // instead of counting frames.
    uint32_t DurationTm = 0;
    uint16_t BitWidth = 0;
    // Line code of LF data; not in the input form, set by the owner.
    uint8_t LfCodeType = 1;
};

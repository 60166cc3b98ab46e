#pragma once
// The RF frames of one Brelk exchange, split out of the Brelk's reply frames
// in arrival order; each is still line-coded.
#include "Binary.h"
#include "WireFormat.h"

#include <cstdint>
#include <vector>

class CTsReceive : public std::vector<CBinary> {
public:
    // Replaces the frames by those of the received bytes. Only whole frames
    // count: a frame is taken when all its N + 10 bytes are there.
    void Parse(const CBinary& received);
    // Positions where a complete reply frame starts, counted the way the
    // receive loop counts them: every B4 96 F1 whose N + 10 bytes are there,
    // also one inside an earlier frame's bytes.
    static int CountFrames(const uint8_t* bytes, int size);

    // Status byte of the last reply frame parsed.
    uint8_t m_status = 0;
};

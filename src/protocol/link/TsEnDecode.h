#pragma once
// Radio line coding: data bits to the chips (line levels) the Brelk sends, and
// the chips it received back to data bits. Chips and bits are packed most
// significant bit first; a chip of value 1 is a set bit.
#include "Binary.h"

#include <cstdint>

class CTsEnDecode {
public:
    // The process-wide coder, created on first use and never destroyed.
    static CTsEnDecode& GetInstance();
    virtual ~CTsEnDecode() = default;

    // 2 for code types 0, 1, 2, 3, 6 and 7; 3 for 4 and 8; 1 for 5 and above 8.
    static int GetChipsPerBit(uint32_t codeType);
    // The chips of the data bits; empty for empty data (or for a result that
    // would pass the largest buffer).
    CBinary Encode(const CBinary& data, uint32_t codeType) const;
    // The data bits of the chips. startLevel is 0x80 (line high) or 0; it
    // matters to code types 2 and 3. errorCount is set to 0 and counts the
    // skipped chip groups; an empty input gives an empty result and leaves it
    // alone.
    CBinary Decode(const CBinary& chips, uint32_t codeType, int& errorCount, uint8_t startLevel) const;

private:
    CTsEnDecode() = default;
};

// Writes the low n (at most 8) bits of value, most significant first, from bit
// number `bit` (7 = most significant) of *p on, going on into p[1] after bit
// 0. Each bit written also sets the less significant bits of its byte to 1.
// Touches at most p[0] and p[1]; n outside 0..8 or bit outside 0..7 does nothing.
void WriteBits(uint8_t* p, int bit, uint32_t value, int n);

#pragma once
// Bit fields inside byte buffers. Telegram fields are seldom byte-aligned; bit
// number 0 is the most significant bit of the first byte throughout.
#include "Binary.h"

// The bit field right-aligned in (count + 7) / 8 bytes with zero bits above it.
// count -1 means up to the end; a field that runs past the last bit (or a
// negative offset) gives an empty result.
CBinary GetBits(const CBinary& bytes, int offset, int count);
// Writes the first count bits of source into target from bit offset on; target
// first grows with 00 bytes until it holds offset + count bits. Nothing happens
// when source has fewer than count bits.
void SetBits(const CBinary& source, CBinary& target, int offset, int count);
// Inserts count bits of source, from its bit start on, into target before bit
// position (0 = in front), then packs target as BitTextToBinary does. Source
// bits behind its end read as 0; a position behind the end of target appends.
void InsertBits(const CBinary& source, int start, int count, CBinary& target, int position);
// The byte with its bit order reversed (bit 7 becomes bit 0).
uint8_t ReverseBits(uint8_t b);

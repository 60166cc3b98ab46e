#pragma once
// Makes the text scrambling draw the same "random" byte for its lifetime, so
// scrambled texts are predictable in tests.
#include "TextScrambling.h"

#include <cstdint>

class FixedScrambleRandom {
public:
    explicit FixedScrambleRandom(uint8_t value) : m_old(SetScrambleRandomSource([value] { return value; })) {}
    ~FixedScrambleRandom() { SetScrambleRandomSource(m_old); }
    FixedScrambleRandom(const FixedScrambleRandom&) = delete;
    FixedScrambleRandom& operator=(const FixedScrambleRandom&) = delete;

private:
    ScrambleRandomSource m_old;
};

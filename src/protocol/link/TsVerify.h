#pragma once
// Check values of sensor telegrams: sums, XOR bytes and the 8- and 16-bit CRCs
// with the per-sensor twists, selected by a verify type number.
#include "Binary.h"

#include <cstdint>

class CTsVerify {
public:
    // The process-wide calculator, created on first use and never destroyed.
    static CTsVerify& GetInstance();
    virtual ~CTsVerify() = default;

    // The check value of verify type 0 to 24; 0 for any other type. The 8-bit
    // routines use the low bytes of init and poly.
    uint32_t Calc(uint32_t type, const CBinary& data, uint16_t init, uint16_t poly) const;

    // MSB-first CRC-8: register ^= byte, then 8 times shift left, ^ poly on a carry.
    uint8_t Crc8(const CBinary& data, uint8_t init, uint8_t poly) const;
    // MSB-first CRC-16: register ^= byte << 8, then 8 times shift left, ^ poly on a carry.
    uint16_t Crc16(const CBinary& data, uint16_t init, uint16_t poly) const;
    uint8_t Sum8(const CBinary& data, uint8_t init) const;
    uint8_t Xor8(const CBinary& data, uint8_t init) const;
    // LSB-first CRC-8: register ^= byte, then 8 times shift right, ^ poly when bit 0 was set.
    uint8_t Crc8Lsb(const CBinary& data, uint8_t init, uint8_t poly) const;

private:
    CTsVerify() = default;
};

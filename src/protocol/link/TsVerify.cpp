#include "TsVerify.h"

#include "BitField.h"

#include <vector>

namespace {

uint8_t Crc8Step(uint8_t reg, uint8_t poly)
{
    return static_cast<uint8_t>((reg & 0x80) ? (reg << 1) ^ poly : reg << 1);
}

// init + every b + (b >> 2) + (b >> 4) + (b >> 6), complemented, 8 bits.
uint8_t QuarterSum(const CBinary& data, uint8_t init)
{
    uint8_t sum = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i)
        sum = static_cast<uint8_t>(sum + d[i] + (d[i] >> 2) + (d[i] >> 4) + (d[i] >> 6));
    return static_cast<uint8_t>(~sum);
}

uint8_t XorLowSix(const CBinary& data)
{
    uint8_t x = 0;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i)
        x ^= static_cast<uint8_t>(d[i] ^ (d[i] >> 6));
    return static_cast<uint8_t>(x & 0x3F);
}

// Bits of byte i that the partial-byte CRCs use: the low `first` bits of byte
// 0, the low 6 bits of byte 4, all 8 of every other byte.
int UsedBits(int i, int first)
{
    if (i == 0)
        return first;
    if (i == 4)
        return 6;
    return 8;
}

// Bit-serial CRC: per data bit, one shift step, then ^ poly once more when the
// data bit is 1. Reads the used bits of every byte, most significant first.
uint8_t BitSerialCrc(const CBinary& data, uint8_t reg, uint8_t poly, int firstBits)
{
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i) {
        int used = firstBits < 0 ? 8 : UsedBits(i, firstBits);
        for (int b = used - 1; b >= 0; --b) {
            reg = Crc8Step(reg, poly);
            if ((d[i] >> b) & 1u)
                reg ^= poly;
        }
    }
    return reg;
}

// Type 11: each byte's used bits are moved to the top of the register, then
// one shift step per used bit.
uint8_t TopAlignedCrc(const CBinary& data)
{
    uint8_t reg = 0;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i) {
        int used = UsedBits(i, 5);
        reg ^= static_cast<uint8_t>(d[i] << (8 - used));
        for (int k = 0; k < used; ++k)
            reg = Crc8Step(reg, 0x07);
    }
    return reg;
}

// Type 17: always five bytes; missing ones read as 0.
uint8_t FiveByteCrc(const CBinary& data)
{
    uint8_t reg = 0x49;
    for (int i = 0; i < 5; ++i) {
        reg ^= i < data.GetSize() ? data.GetBuffer()[i] : 0;
        for (int k = 0; k < (i < 4 ? 8 : 6); ++k)
            reg = Crc8Step(reg, 0x8A);
    }
    return reg;
}

// Type 18: the CRC of the bytes after byte 0, run once more from a start
// value made of byte 0's bits.
uint8_t SeededByFirstByteCrc(const CTsVerify& verify, const CBinary& data, uint8_t init, uint8_t poly)
{
    if (data.IsEmpty())
        return 0; // there is no byte 0 to take the start value from
    const uint8_t b0 = data.GetBuffer()[0];
    CBinary rest(data.GetBuffer() + 1, data.GetSize() - 1);
    uint8_t c = verify.Crc8(rest, init, poly);
    uint8_t start = static_cast<uint8_t>((~b0 & 0x40) | (b0 & 0x30));
    return verify.Crc8(CBinary(&c, 1), start, poly);
}

// Type 22: the CRC-8 over bit-reversed bytes, reversed.
uint8_t ReflectedCrc8(const CTsVerify& verify, const CBinary& data, uint8_t init, uint8_t poly)
{
    std::vector<uint8_t> r(static_cast<size_t>(data.GetSize()));
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = ReverseBits(data.GetBuffer()[i]);
    return ReverseBits(verify.Crc8(CBinary(r.data(), static_cast<int>(r.size())), init, poly));
}

// Type 23: the CRC-16 over bytes less 0x80, each result byte less 0x80.
uint32_t OffsetCrc16(const CTsVerify& verify, const CBinary& data, uint16_t init, uint16_t poly)
{
    std::vector<uint8_t> m(static_cast<size_t>(data.GetSize()));
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(data.GetBuffer()[i] - 0x80);
    uint16_t crc = verify.Crc16(CBinary(m.data(), static_cast<int>(m.size())), init, poly);
    uint8_t hi = static_cast<uint8_t>((crc >> 8) - 0x80);
    uint8_t lo = static_cast<uint8_t>((crc & 0xFF) - 0x80);
    return (static_cast<uint32_t>(hi) << 8) | lo;
}

} // namespace

CTsVerify& CTsVerify::GetInstance()
{
    static CTsVerify* instance = new CTsVerify;
    return *instance;
}

uint8_t CTsVerify::Crc8(const CBinary& data, uint8_t init, uint8_t poly) const
{
    uint8_t reg = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i) {
        reg ^= d[i];
        for (int k = 0; k < 8; ++k)
            reg = Crc8Step(reg, poly);
    }
    return reg;
}

uint16_t CTsVerify::Crc16(const CBinary& data, uint16_t init, uint16_t poly) const
{
    uint16_t reg = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i) {
        reg ^= static_cast<uint16_t>(d[i] << 8);
        for (int k = 0; k < 8; ++k)
            reg = static_cast<uint16_t>((reg & 0x8000) ? (reg << 1) ^ poly : reg << 1);
    }
    return reg;
}

uint8_t CTsVerify::Sum8(const CBinary& data, uint8_t init) const
{
    uint8_t sum = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i)
        sum = static_cast<uint8_t>(sum + d[i]);
    return sum;
}

uint8_t CTsVerify::Xor8(const CBinary& data, uint8_t init) const
{
    uint8_t x = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i)
        x ^= d[i];
    return x;
}

uint8_t CTsVerify::Crc8Lsb(const CBinary& data, uint8_t init, uint8_t poly) const
{
    uint8_t reg = init;
    const uint8_t* d = data.GetBuffer();
    for (int i = 0, n = data.GetSize(); i < n; ++i) {
        reg ^= d[i];
        for (int k = 0; k < 8; ++k)
            reg = static_cast<uint8_t>((reg & 1u) ? (reg >> 1) ^ poly : reg >> 1);
    }
    return reg;
}

uint32_t CTsVerify::Calc(uint32_t type, const CBinary& data, uint16_t init, uint16_t poly) const
{
    const uint8_t init8 = static_cast<uint8_t>(init);
    const uint8_t poly8 = static_cast<uint8_t>(poly);
    switch (type) {
    case 0: return Crc8(data, init8, poly8);
    case 1: return Crc16(data, init, poly);
    case 2: return Sum8(data, init8);
    case 3: return Xor8(data, init8);
    case 4: return 0u - Sum8(data, init8);
    case 5:
        // Like type 11, the partial bytes are taken from their low bits (4 of
        // byte 0, 6 of byte 4).
        return BitSerialCrc(data, init8, poly8, 4);
    case 6:
    case 14: return QuarterSum(data, init8);
    case 7: return Crc16(data, init, poly) ^ 0x5AC3u;
    case 8: return Crc8(data, init8, poly8) ^ 0xD6u;
    case 9: return QuarterSum(data, init8) & 0x3u;
    case 10: return XorLowSix(data);
    case 11: return TopAlignedCrc(data);
    case 12: return static_cast<uint8_t>((XorLowSix(data) << 1) | 0x81);
    case 13: return BitSerialCrc(data, 0, 0x07, -1);
    case 15: return Crc8(data, init8, poly8) ^ 0x6Eu;
    case 16: return 0;
    case 17: return FiveByteCrc(data);
    case 18: return SeededByFirstByteCrc(*this, data, init8, poly8);
    case 19: return static_cast<uint32_t>(static_cast<int32_t>(Crc8(data, init8, poly8)) - 0x1F);
    case 20: return static_cast<uint32_t>(static_cast<int32_t>(Crc8(data, init8, poly8)) - 0x2E);
    case 21: return Crc8(data, Sum8(data, init8), poly8) | 0x80u;
    case 22: return ReflectedCrc8(*this, data, init8, poly8);
    case 23: return OffsetCrc16(*this, data, init, poly);
    case 24: return Crc8Lsb(data, init8, poly8);
    default: return 0;
    }
}

#include "TsEnDecode.h"

#include "TsLog.h"

#include <vector>

CTsEnDecode& CTsEnDecode::GetInstance()
{
    static CTsEnDecode* instance = new CTsEnDecode;
    return *instance;
}

int CTsEnDecode::GetChipsPerBit(uint32_t codeType)
{
    switch (codeType) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 6:
    case 7: return 2;
    case 4:
    case 8: return 3;
    default: return 1;
    }
}

void WriteBits(uint8_t* p, int bit, uint32_t value, int n)
{
    if (!p || n < 0 || n > 8 || bit < 0 || bit > 7)
        return;
    for (int i = n - 1; i >= 0; --i) {
        uint8_t mask = static_cast<uint8_t>(1u << bit);
        uint8_t below = static_cast<uint8_t>(mask - 1);
        uint8_t set = ((value >> i) & 1u) ? mask : 0;
        *p = static_cast<uint8_t>((*p & ~(mask | below)) | set | below);
        if (--bit < 0) {
            ++p; // only dereferenced when another bit follows
            bit = 7;
        }
    }
}

CBinary CTsEnDecode::Encode(const CBinary& data, uint32_t codeType) const
{
    const int n = data.GetSize();
    if (n <= 0)
        return CBinary();
    const int chipsPerBit = GetChipsPerBit(codeType);
    std::vector<uint8_t> out(static_cast<size_t>(3 * n + 2), 0xFF);

    size_t pos = 0;     // chip position
    uint32_t level = 0; // last chip written, for the differential codes
    if (codeType == 2) {
        pos = 1; // the first chip stays 1 from the preset
        level = 0;
    } else if (codeType == 3) {
        out[0] = 0x80; // a leading 1 chip
        pos = 1;
        level = 1;
    }

    const uint8_t* d = data.GetBuffer();
    for (int i = 0; i < n; ++i) {
        for (int b = 7; b >= 0; --b) {
            uint32_t one = (d[i] >> b) & 1u;
            uint32_t chips = 0;
            switch (codeType) {
            case 0: chips = one ? 0x2 : 0x1; break; // 10 / 01
            case 1: chips = one ? 0x1 : 0x2; break; // 01 / 10
            case 2:
            case 3: {
                // A 1 changes the level at the start of the bit; both change it in the middle.
                uint32_t first = one ? (level ^ 1u) : level;
                uint32_t second = first ^ 1u;
                chips = (first << 1) | second;
                level = second;
                break;
            }
            case 4: chips = one ? 0x6 : 0x4; break; // 110 / 100
            case 5: chips = one; break;
            case 8: chips = one ? 0x4 : 0x6; break; // 100 / 110
            default: chips = 0; break;              // 6, 7 and above 8 send no levels
            }
            WriteBits(&out[pos / 8], 7 - static_cast<int>(pos % 8), chips, chipsPerBit);
            pos += static_cast<size_t>(chipsPerBit);
        }
    }
    size_t bytes = (pos + 7) / 8;
    if (bytes > static_cast<size_t>(BINARY_MAX_SIZE)) {
        CTsLog::GetInstance().Error("CTsEnDecode::Encode. %d data bytes give more chips than a buffer holds.", n);
        return CBinary();
    }
    return CBinary(out.data(), static_cast<int>(bytes));
}

namespace {

// Chip i of the buffer of total chips, most significant first; chips behind
// the last one read as 0.
uint32_t ChipAt(const uint8_t* c, long total, long i)
{
    if (i < 0 || i >= total)
        return 0;
    return (c[i / 8] >> (7 - i % 8)) & 1u;
}

// The chip group that stands for a 1 bit.
uint32_t OneGroup(uint32_t codeType, int chipsPerBit)
{
    if (codeType == 1)
        return 0x1; // 01
    if (codeType == 4)
        return 0x6; // 110

    return 1u << (chipsPerBit - 1); // 10, 100 or 1
}

// The bits, first one in the top bit of the first byte; empty for no bits.
CBinary PackBits(const std::vector<uint8_t>& bits)
{
    if (bits.empty())
        return CBinary();
    std::vector<uint8_t> out(((bits.size() - 1) >> 3) + 1, 0);
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i])
            out[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
    return CBinary(out.data(), static_cast<int>(out.size()));
}

} // namespace

CBinary CTsEnDecode::Decode(const CBinary& chips, uint32_t codeType, int& errorCount, uint8_t startLevel) const
{
    const int n = chips.GetSize();
    if (n <= 0)
        return CBinary();
    errorCount = 0;
    const uint8_t* c = chips.GetBuffer();
    const long total = static_cast<long>(n) * 8;
    auto chip = [&](long i) { return ChipAt(c, total, i); };
    const int b = GetChipsPerBit(codeType);
    const uint32_t reference = OneGroup(codeType, b);

    std::vector<uint8_t> bits;
    bits.reserve(static_cast<size_t>(total / b + 1));
    const long groups = (total + b - 1) / b;
    for (long g = 0; g < groups; ++g) {
        uint32_t group = 0;
        for (int k = 0; k < b; ++k)
            group = (group << 1) | chip(g * b + k);
        switch (codeType) {
        case 0:
        case 1:
            if (group == 0x3 || group == 0x0)
                g = groups; // the telegram is over
            else
                bits.push_back(group == reference);
            break;
        case 2:
        case 3:
            // Groups straddle the bit borders: a bit is 1 when the level does not
            // change at its start.
            if (g == 0)
                bits.push_back(chip(0) == (startLevel ? 1u : 0u));
            else
                bits.push_back(chip(2 * g - 1) == chip(2 * g));
            break;
        case 6: bits.push_back(((group >> 1) & 1u) == (group & 1u)); break;
        case 7: bits.push_back(((group >> 1) & 1u) != (group & 1u)); break;
        case 4:
            if (group == 0x0 || group == 0x7)
                ++errorCount;
            else
                bits.push_back(group == 0x6);
            break;
        case 5: bits.push_back(group != 0); break;
        default: bits.push_back(group == reference); break; // 8 and above
        }
    }

    return PackBits(bits);
}

#pragma once
// The simulators' own byte-order readers and writers. They are written here
// once more on purpose: a simulator that read the wire with the client's code
// would share its faults and pass them.
#include <cstdint>
#include <vector>

namespace sim {

inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t Be32(const uint8_t* p) { return (static_cast<uint32_t>(Be16(p)) << 16) | Be16(p + 2); }
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | (static_cast<uint32_t>(Le16(p + 2)) << 16); }

inline void PushBe16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

inline void PushLe32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

} // namespace sim

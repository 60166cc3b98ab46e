#pragma once
// Multi-byte values inside byte strings. Between this program and the Brelk
// everything is little-endian (frame lengths, sums, the configurations' wire
// forms); sensor frames, configuration input forms, firmware images and table
// files are big-endian. Every length, address or identifier the protocol reads
// or writes goes through these, so the byte order is said once, by name.
#include "Binary.h"

#include <cstdint>
#include <optional>

inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

inline uint32_t ReadBe32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadLe32(const uint8_t* p)
{
    return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// The bytes of a 16-bit value as a request lists them, high one first.
inline uint8_t HighByte(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
inline uint8_t LowByte(uint16_t value) { return static_cast<uint8_t>(value); }

inline void WriteBe16(uint8_t* p, uint16_t value)
{
    p[0] = HighByte(value);
    p[1] = LowByte(value);
}

inline void WriteBe32(uint8_t* p, uint32_t value)
{
    WriteBe16(p, static_cast<uint16_t>(value >> 16));
    WriteBe16(p + 2, static_cast<uint16_t>(value));
}

inline void WriteLe16(uint8_t* p, uint16_t value)
{
    p[0] = LowByte(value);
    p[1] = HighByte(value);
}

inline void WriteLe32(uint8_t* p, uint32_t value)
{
    WriteLe16(p, static_cast<uint16_t>(value));
    WriteLe16(p + 2, static_cast<uint16_t>(value >> 16));
}

// Appends the bytes one of the writers above puts down for the value.
template <int Size, class Value> void AppendWritten(CBinary& out, void (*write)(uint8_t*, Value), Value value)
{
    uint8_t bytes[Size];
    write(bytes, value);
    out.Append(bytes, Size);
}

inline void AppendBe16(CBinary& out, uint16_t value) { AppendWritten<2>(out, WriteBe16, value); }
inline void AppendBe32(CBinary& out, uint32_t value) { AppendWritten<4>(out, WriteBe32, value); }
inline void AppendLe16(CBinary& out, uint16_t value) { AppendWritten<2>(out, WriteLe16, value); }
inline void AppendLe32(CBinary& out, uint32_t value) { AppendWritten<4>(out, WriteLe32, value); }

// Writes over the bytes at `at` of a buffer (SetAt, so a shared one is copied first).
inline void SetBe16(CBinary& out, int at, uint16_t value)
{
    out.SetAt(at, HighByte(value));
    out.SetAt(at + 1, LowByte(value));
}

inline void SetBe32(CBinary& out, int at, uint32_t value)
{
    SetBe16(out, at, static_cast<uint16_t>(value >> 16));
    SetBe16(out, at + 2, static_cast<uint16_t>(value));
}

// Reads from a buffer whose length came from outside (a reply, a file): a value
// that does not lie wholly inside the buffer is absent, never read past its end.
inline std::optional<uint16_t> ReadBe16At(const CBinary& bytes, int at)
{
    if (at < 0 || at > bytes.GetSize() - 2)
        return std::nullopt;
    return ReadBe16(bytes.GetBuffer() + at);
}

inline std::optional<uint32_t> ReadBe32At(const CBinary& bytes, int at)
{
    if (at < 0 || at > bytes.GetSize() - 4)
        return std::nullopt;
    return ReadBe32(bytes.GetBuffer() + at);
}

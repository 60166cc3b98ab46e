#pragma once
// Splits the bytes of the update server's connection into messages: a 12-byte
// little-endian header {payload length, command, message type}, then the
// payload. A header announcing more than kNetMaxPayload bytes breaks the
// stream; nothing of that size is ever allocated.
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t kNetHeaderSize = 12;
inline constexpr uint32_t kNetMaxPayload = 1024 * 1024;

class NetFrameReader {
public:
    enum class Result { Message, Incomplete, Broken };

    void Append(const char* bytes, size_t size) { m_in.append(bytes, size); }
    // The next whole message into command, type and payload.
    Result Take(uint32_t& command, uint32_t& type, std::string& payload);
    void Clear() { m_in.clear(); }

private:
    std::string m_in; // bytes not yet handed out
};

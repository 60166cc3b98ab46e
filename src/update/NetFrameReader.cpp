#include "NetFrameReader.h"

#include "ByteOrder.h"

NetFrameReader::Result NetFrameReader::Take(uint32_t& command, uint32_t& type, std::string& payload)
{
    if (m_in.size() < kNetHeaderSize)
        return Result::Incomplete;
    const auto* header = reinterpret_cast<const unsigned char*>(m_in.data());
    const uint32_t length = ReadLe32(header);
    if (length > kNetMaxPayload)
        return Result::Broken;
    if (m_in.size() - kNetHeaderSize < length)
        return Result::Incomplete;
    command = ReadLe32(header + 4);
    type = ReadLe32(header + 8);
    payload.assign(m_in, kNetHeaderSize, length);
    m_in.erase(0, kNetHeaderSize + length);
    return Result::Message;
}

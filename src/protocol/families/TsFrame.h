#pragma once
// One parsed sensor reply. A copy shares the payload bytes.
#include "Binary.h"

#include <cstdint>

class CTsFrame {
public:
    CTsFrame() = default;
    CTsFrame(uint32_t sensorId, uint8_t command, const CBinary& payload)
        : m_nSensorId(sensorId), m_nCommand(command), m_Payload(payload)
    {
    }
    CTsFrame(const CTsFrame&) = default;
    CTsFrame& operator=(const CTsFrame&) = default;
    virtual ~CTsFrame() = default;

    // Id 0 and command 0: no reply.
    bool IsEmpty() const { return m_nSensorId == 0 && m_nCommand == 0; }
    void Clear()
    {
        m_nSensorId = 0;
        m_nCommand = 0;
        m_Payload.Empty();
    }

    uint32_t m_nSensorId = 0; // the answering sensor (16 bits used by the V1/V3 family)
    uint8_t m_nCommand = 0;   // command or status byte of the reply
    CBinary m_Payload;        // the reply's data bytes
};

#include "SimV3Sensor.h"

#include "Binary.h"
#include "SimByteOrder.h"
#include "TsEnDecode.h"
#include "TsVerify.h"

#include <algorithm>

namespace {

constexpr uint8_t START = 0x5A;
// Request bytes before the command: 00 01 5A idH idL tool N.
constexpr size_t REQUEST_HEAD = 7;
constexpr uint8_t BLOCK_START = 'S';
constexpr uint8_t BLOCK_WRITE = 'W';
constexpr uint8_t BLOCK_CONFIG = 'T';
constexpr uint8_t BLOCK_RUN = 'R';
constexpr size_t CONFIG_BYTES = 67;

uint8_t Sum(const uint8_t* bytes, size_t length)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

} // namespace

SimV3Sensor::SimV3Sensor(uint16_t id, uint16_t v4HardVersion, uint16_t v4BootVersion)
    : m_id(id), m_v4Hard(v4HardVersion), m_v4Boot(v4BootVersion)
{
}

std::vector<SimV3Sensor::Request> SimV3Sensor::ReceivedOf(uint8_t command) const
{
    std::vector<Request> out;
    for (const Request& r : m_received)
        if (r.Command() == command)
            out.push_back(r);
    return out;
}

bool SimV3Sensor::ReadRequest(const std::vector<uint8_t>& f, Request& request)
{
    if (f.size() < REQUEST_HEAD + 2 || f[0] != 0x00 || f[1] != 0x01 || f[2] != START)
        return false;
    const size_t n = f[6]; // bytes from the 5A to the end of the request
    if (n < REQUEST_HEAD - 2 + 1 || 2 + n >= f.size())
        return false;
    if (Sum(f.data() + 2, n) != f[2 + n])
        return false;
    Request r;
    r.sensorId = sim::Be16(f.data() + 3);
    r.toolId = f[5];
    r.data.assign(f.begin() + REQUEST_HEAD, f.begin() + static_cast<long>(2 + n));
    request = std::move(r);
    return true;
}

std::vector<uint8_t> SimV3Sensor::BuildReply(uint16_t sensorId, uint8_t toolId, uint8_t command,
                                             const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> r;
    r.reserve(payload.size() + 7);
    for (uint8_t b : {START, static_cast<uint8_t>(sensorId >> 8), static_cast<uint8_t>(sensorId), toolId,
                      static_cast<uint8_t>(6 + payload.size()), command})
        r.push_back(b);
    for (uint8_t b : payload)
        r.push_back(b);
    r.push_back(Sum(r.data(), r.size()));
    return r;
}

std::vector<uint8_t> SimV3Sensor::ProgrammingSync(uint16_t sensorId)
{
    const uint8_t head[] = {START, static_cast<uint8_t>(sensorId >> 8), static_cast<uint8_t>(sensorId)};
    const CBinary coded = CTsEnDecode::GetInstance().Encode(CBinary(head, sizeof head), 0);
    return std::vector<uint8_t>(coded.GetBuffer(), coded.GetBuffer() + coded.GetSize());
}

bool SimV3Sensor::Handle(const Request& request, Reply& reply)
{
    const std::vector<uint8_t>& d = request.data;
    const uint8_t command = request.Command();
    reply.command = command;
    reply.payload = {SIM_V3_OK};
    switch (command) {
    case 0x50:
    case 0x5D: return true;
    case BLOCK_START:
        m_started = true;
        m_code.clear();
        m_config.clear();
        return true;
    case BLOCK_WRITE: {
        if (!m_started || d.size() < 3) {
            reply.payload = {SIM_V3_NOT_STARTED};
            return true;
        }
        const uint32_t address = sim::Be16(d.data() + 1);
        for (size_t i = 3; i < d.size(); ++i)
            m_code[address + static_cast<uint32_t>(i - 3)] = d[i];
        return true;
    }
    case BLOCK_CONFIG: {
        const uint16_t crc =
            d.size() == CONFIG_BYTES ? CTsVerify::GetInstance().Crc16(CBinary(d.data() + 3, 64), 0, 0x8005) : 0;
        if (!m_started || d.size() != CONFIG_BYTES || crc != sim::Be16(d.data() + 1) || d[10] != 0x01) {
            reply.payload = {SIM_V3_BAD_CONFIG};
            return true;
        }
        m_config = d;
        m_newId = sim::Be32(d.data() + 11);
        return true;
    }
    case BLOCK_RUN:
        if (m_config.empty()) {
            reply.payload = {SIM_V3_NO_CONFIG};
            return true;
        }
        // Answers still as V1/V3; the next frame meets the new boot.
        m_v4 = m_successor ? m_successor(static_cast<uint16_t>(m_newId))
                           : std::make_shared<SimV4Sensor>(static_cast<uint16_t>(m_newId), m_v4Hard, m_v4Boot);
        m_v4->SetFrequency(m_frequency);
        return true;
    default: reply.payload = {SIM_V3_UNKNOWN}; return true;
    }
}

void SimV3Sensor::OnRequest(const SimRequest& frame, std::vector<SimRfFrame>& answers)
{
    if (m_v4) {
        m_v4->OnRequest(frame, answers);
        return;
    }
    Request request;
    if (!ReadRequest(frame.lfData, request))
        return; // V4 frames and raw sequences are not for this sensor
    if (request.sensorId != m_id && request.sensorId != 0)
        return;
    const std::vector<uint8_t> own = ProgrammingSync(m_id);
    const size_t sent = std::min<size_t>(own.size(), 4);
    request.programmingSync =
        frame.rf.syncLength == own.size() &&
        frame.rf.syncHeader == std::vector<uint8_t>(own.end() - static_cast<long>(sent), own.end());
    const bool plainSync = frame.rf.syncLength == 2 && frame.rf.syncHeader == std::vector<uint8_t>{0x55, 0x56};
    request.frame = frame;
    m_received.push_back(request);

    // Asleep it hears only the wake-up, and says nothing to it.
    if (!m_awake) {
        m_awake = request.Command() == 0x50;
        return;
    }
    Reply reply;
    if (!(m_hook && m_hook(request, reply)))
        reply.answer = Handle(request, reply);
    if (!reply.answer || (!request.programmingSync && !plainSync))
        return;
    if (m_frequency >= 0 && frame.rf.recvMode != (m_frequency == 1 ? 0x37 : 0x10))
        return;
    if (m_drop > 0) {
        --m_drop;
        return;
    }
    SimRfFrame rf;
    rf.telegram = BuildReply(m_id, request.toolId, reply.command, reply.payload);
    if (request.programmingSync)
        rf.telegram.erase(rf.telegram.begin(), rf.telegram.begin() + 3);
    answers.push_back(std::move(rf));
}

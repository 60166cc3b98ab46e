#include "SimV4Sensor.h"

#include "Binary.h"
#include "SimByteOrder.h"
#include "TsVerify.h"

#include <algorithm>

namespace {

// Request bytes before the data: 00 01, length, flags, id, tool id, mode.
constexpr size_t REQUEST_HEAD = 9;
constexpr uint16_t BROADCAST = 0xFFFF;
constexpr size_t UNSCRAMBLED_FROM = 128;

} // namespace

SimV4Sensor::SimV4Sensor(uint16_t id, uint16_t hardVersion, uint16_t bootVersion)
    : m_id(id), m_hardRecord(12, 0x00), m_infoRecord(16, 0x00), m_flash(SIM_V4_FLASH_SIZE, 0xFF)
{
    SetHardVersion(hardVersion);
    SetBootVersion(bootVersion);
    // Battery word 3.00 V ((v - 1.22) / 0.01) and 25 degrees (t + 55).
    m_infoRecord[6] = 0x00;
    m_infoRecord[7] = 0xB2;
    m_infoRecord[8] = 0x00;
    m_infoRecord[9] = 0x50;
}

void SimV4Sensor::SetHardVersion(uint16_t version)
{
    m_hardRecord[0] = static_cast<uint8_t>(version >> 8);
    m_hardRecord[1] = static_cast<uint8_t>(version);
}

void SimV4Sensor::SetBootVersion(uint16_t version)
{
    m_hardRecord[2] = static_cast<uint8_t>(version >> 8);
    m_hardRecord[3] = static_cast<uint8_t>(version);
}

uint32_t SimV4Sensor::ImageEnd() const
{
    if (m_hardRecord.empty())
        return static_cast<uint32_t>(m_flash.size());
    switch (m_hardRecord[0] & 0xF0) {
    case 0x60:
    case 0x70:
    case 0xE0: return SIM_V4_IMAGE_END;
    case 0x80: return SIM_N8_IMAGE_END;
    default: return static_cast<uint32_t>(m_flash.size());
    }
}

void SimV4Sensor::WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i < bytes.size() && address + i < m_flash.size(); ++i)
        m_flash[address + i] = bytes[i];
}

std::vector<uint8_t> SimV4Sensor::ReadFlash(uint32_t address, size_t length) const
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < length && address + i < m_flash.size(); ++i)
        out.push_back(m_flash[address + i]);
    return out;
}

void SimV4Sensor::SetIdentity(const std::string& text, uint32_t address)
{
    std::vector<uint8_t> block(16, 0xFF);
    for (size_t i = 0; i < text.size() && i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(text[i]);
    WriteFlash(address, block);
}

std::vector<SimV4Sensor::Request> SimV4Sensor::ReceivedOf(uint8_t command) const
{
    std::vector<Request> out;
    for (const Request& r : m_received)
        if (r.Command() == command)
            out.push_back(r);
    return out;
}

void SimV4Sensor::DropReplies(int count) { m_drop = count; }
void SimV4Sensor::DropEvery(int n) { m_dropEvery = n; }
void SimV4Sensor::CorruptChecks(int count) { m_corrupt = count; }

void SimV4Sensor::RefuseCommand(uint8_t command, uint8_t reason, int times) { m_refusals[command] = {reason, times}; }

uint8_t SimV4Sensor::CheckByte(uint8_t flags, const uint8_t* bytes, size_t length)
{
    const CTsVerify& verify = CTsVerify::GetInstance();
    const CBinary range(bytes, static_cast<int>(length));
    switch (flags & 0x38) {
    case 0x00: return verify.Xor8(range, 0);
    case 0x08: return verify.Sum8(range, 0);
    case 0x10: return verify.Crc8(range, 0x51, 0xA2);
    default: return 0;
    }
}

bool SimV4Sensor::ReadRequest(const std::vector<uint8_t>& f, Request& request)
{
    if (f.size() < REQUEST_HEAD + 1 || f[0] != 0x00 || f[1] != 0x01)
        return false;
    const size_t length = f[2];
    if (length < 8 || length + 2 > f.size())
        return false;
    const size_t end = length + 1; // index of the check byte
    if (CheckByte(f[3], f.data() + 2, end - 2) != f[end])
        return false;
    Request r;
    r.flags = f[3];
    r.sensorId = sim::Be16(f.data() + 4);
    r.toolId = sim::Be16(f.data() + 6);
    r.mode = f[8];
    r.data.assign(f.begin() + REQUEST_HEAD, f.begin() + static_cast<long>(end));
    // Undo the scrambling, last step first.
    const size_t n = r.data.size();
    const int variant = r.mode & 7;
    if (n < UNSCRAMBLED_FROM && variant != 0) {
        if (variant == 3) {
            uint8_t chain = static_cast<uint8_t>(f[3] + f[7]);
            for (size_t i = 1; i < n; ++i) {
                const uint8_t sent = r.data[i];
                r.data[i] ^= chain;
                chain = sent;
            }
        } else if (variant == 2) {
            for (size_t i = 1; i < n; ++i)
                r.data[i] ^= r.flags;
        }
        const uint8_t key = static_cast<uint8_t>(n | 0x50);
        for (uint8_t& b : r.data)
            b ^= key;
    }
    request = std::move(r);
    return true;
}

std::vector<uint8_t> SimV4Sensor::BuildReply(uint8_t flags, uint16_t sensorId, uint16_t toolId, uint8_t mode,
                                             uint8_t command, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> r;
    r.reserve(payload.size() + 9);
    for (uint8_t b : {static_cast<uint8_t>(payload.size() + 9), flags, static_cast<uint8_t>(sensorId >> 8),
                      static_cast<uint8_t>(sensorId), static_cast<uint8_t>(toolId >> 8), static_cast<uint8_t>(toolId),
                      mode, command})
        r.push_back(b);
    for (uint8_t b : payload)
        r.push_back(b);
    r.push_back(CheckByte(flags, r.data(), r.size()));
    return r;
}

void SimV4Sensor::Refuse(Reply& reply, uint8_t command, uint8_t reason)
{
    reply.answer = true;
    reply.command = SIM_V4_NEGATIVE;
    reply.payload = {command, reason};
}

bool SimV4Sensor::Handle(const Request& request, Reply& reply)
{
    const std::vector<uint8_t>& d = request.data;
    const uint8_t command = request.Command();
    reply.command = command;
    switch (command) {
    case 0x01: // search: only a sensor that is neither taken nor released answers
        return !m_taken && !m_released;
    case 0x02: // search step: 02 20 k
        m_taken = true;
        return true;
    case 0x00: // keep link
        return true;
    case 0x03: // end link
        m_taken = false;
        m_released = false;
        return true;
    case 0x04: // release: quiet until the link ends
        m_taken = false;
        m_released = true;
        return true;
    case 0x20: reply.payload = m_hardRecord; return true;
    case 0x22: reply.payload = m_infoRecord; return true;
    case 0x23: { // 23 len addrH addrL -> [len, bytes]
        if (d.size() < 4) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return true;
        }
        const size_t length = d[1];
        const size_t address = sim::Be16(d.data() + 2);
        if (address + length > m_flash.size()) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return true;
        }
        reply.payload.push_back(static_cast<uint8_t>(length));
        reply.payload.insert(reply.payload.end(), m_flash.begin() + static_cast<long>(address),
                             m_flash.begin() + static_cast<long>(address + length));
        return true;
    }
    case 0x05:
    case 0x06:
    case 0x29: // wake-up: nothing to say
        return false;
    case 0x10:
    case 0x11:
    case 0x12:
    case 0x13:
        if (request.sensorId == BROADCAST && !m_taken)
            return false; // a sensor no search took does not write for everyone
        HandleFlash(request, reply);
        return true;
    default: Refuse(reply, command, SIM_V4_REASON_UNKNOWN); return true;
    }
}

void SimV4Sensor::HandleFlash(const Request& request, Reply& reply)
{
    const std::vector<uint8_t>& d = request.data;
    const uint8_t command = request.Command();
    auto word = [&d](size_t at) { return static_cast<uint32_t>(sim::Be16(d.data() + at)); };
    switch (command) {
    case 0x10:   // 10 lenH lenL addrH addrL: erase
    case 0x11: { // 11 lenH lenL addrH addrL: the window of the writes that follow
        if (d.size() < 5) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return;
        }
        const uint32_t length = word(1);
        const uint32_t address = word(3);
        const uint32_t areaStart = ImageEnd() < m_flash.size() ? SIM_V4_IMAGE_START : 0;
        if (address < areaStart || address + length > ImageEnd()) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return;
        }
        if (command == 0x10) {
            std::fill(m_flash.begin() + address, m_flash.begin() + address + length, 0xFF);
        } else {
            m_windowOpen = true;
            m_windowStart = address;
            m_windowEnd = address + length;
            m_windowWrites.clear();
        }
        return;
    }
    case 0x12: { // 12 seq len addrH addrL data
        if (!m_windowOpen) {
            Refuse(reply, command, SIM_V4_REASON_NO_WINDOW);
            return;
        }
        if (d.size() < 5 || d[2] != d.size() - 5) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return;
        }
        const size_t length = d[2];
        const uint32_t address = word(3);
        if (address < m_windowStart || address + length > m_windowEnd) {
            Refuse(reply, command, SIM_V4_REASON_RANGE);
            return;
        }
        for (size_t i = 0; i < length; ++i) {
            const uint8_t old = m_flash[address + i];
            if (old != 0xFF && old != d[5 + i]) {
                Refuse(reply, command, SIM_V4_REASON_NOT_ERASED);
                return;
            }
        }
        std::copy(d.begin() + 5, d.end(), m_flash.begin() + address);
        m_windowWrites[address] = length;
        return;
    }
    default: { // 13 crcH crcL: the written data, in address order
        if (!m_windowOpen) {
            Refuse(reply, command, SIM_V4_REASON_NO_WINDOW);
            return;
        }
        std::vector<uint8_t> written;
        for (const auto& entry : m_windowWrites)
            written.insert(written.end(), m_flash.begin() + entry.first,
                           m_flash.begin() + entry.first + static_cast<long>(entry.second));
        const uint16_t crc = CTsVerify::GetInstance().Crc16(CBinary(written.data(), static_cast<int>(written.size())),
                                                            SIM_V4_WRITE_CRC_INIT, SIM_V4_WRITE_CRC_POLY);
        if (d.size() < 3 || crc != word(1)) {
            Refuse(reply, command, SIM_V4_REASON_CRC);
            return;
        }
        m_windowOpen = false;
        return;
    }
    }
}

void SimV4Sensor::OnRequest(const SimRequest& frame, std::vector<SimRfFrame>& answers)
{
    Request request;
    if (!ReadRequest(frame.lfData, request))
        return; // not a V4 frame: raw wake-up sequences and the like
    if (request.sensorId != m_id && request.sensorId != BROADCAST)
        return;
    request.frame = frame;
    m_received.push_back(request);

    Reply reply;
    auto refusal = m_refusals.find(request.Command());
    if (refusal != m_refusals.end() && refusal->second.times != 0) {
        Refuse(reply, request.Command(), refusal->second.reason);
        if (refusal->second.times > 0)
            --refusal->second.times;
    } else if (!(m_hook && m_hook(request, reply))) {
        reply.answer = Handle(request, reply);
    }
    if (!reply.answer)
        return;
    // A receiver set for the other frequency does not hear the reply.
    if (m_frequency >= 0 && frame.rf.recvMode != (m_frequency == 1 ? 0x37 : 0x10))
        return;
    ++m_replyCount;
    if (m_drop > 0) {
        --m_drop;
        return;
    }
    if (m_dropEvery > 0 && m_replyCount % m_dropEvery == 0)
        return;

    const uint16_t toolId = m_forceToolId >= 0 ? static_cast<uint16_t>(m_forceToolId) : request.toolId;
    const uint8_t mode = m_forceMode >= 0 ? static_cast<uint8_t>(m_forceMode) : request.mode;
    SimRfFrame rf;
    rf.telegram = BuildReply(request.flags, m_id, toolId, mode, reply.command, reply.payload);
    if (m_corrupt > 0) {
        --m_corrupt;
        rf.telegram.back() ^= 0x5A;
    }
    m_answered.push_back(reply.command);
    answers.push_back(std::move(rf));
}

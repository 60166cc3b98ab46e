#include "SimActivationSensor.h"

#include "Binary.h"
#include "TsVerify.h"

#include <algorithm>

namespace {

uint16_t Be16(const std::vector<uint8_t>& b, size_t i)
{
    return i + 1 < b.size() ? static_cast<uint16_t>((b[i] << 8) | b[i + 1]) : 0;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t i)
{
    return (static_cast<uint32_t>(Be16(b, i)) << 16) | Be16(b, i + 2);
}

int ChipsPerBit(int codeType)
{
    switch (codeType) {
    case 4:
    case 8: return 3;
    case 5: return 1;
    default: return 2;
    }
}

void SetBit(std::vector<uint8_t>& b, size_t i, bool one)
{
    const uint8_t mask = static_cast<uint8_t>(0x80u >> (i % 8));
    if (one)
        b[i / 8] = static_cast<uint8_t>(b[i / 8] | mask);
    else
        b[i / 8] = static_cast<uint8_t>(b[i / 8] & ~mask);
}

} // namespace

std::vector<uint8_t> SimActivationProtocol::Trigger() const
{
    return lf.size() > 11 ? std::vector<uint8_t>(lf.begin() + 11, lf.end()) : std::vector<uint8_t>();
}

SimActivationSensor::SimActivationSensor(SimActivationProtocol protocol) : m_protocol(std::move(protocol)) {}

void SimActivationSensor::SetTelegrams(std::vector<std::vector<uint8_t>> telegrams)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_telegrams = std::move(telegrams);
}

void SimActivationSensor::CorruptCheck(bool corrupt)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_corrupt = corrupt;
}

void SimActivationSensor::SetStatus(uint8_t status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status = status;
}

int SimActivationSensor::Triggers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_triggers;
}

int SimActivationSensor::Answers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answers;
}

int SimActivationSensor::OtherRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_others;
}

bool SimActivationSensor::Matches(const SimActivationProtocol& p, const SimRequest& r, std::string& why)
{
    const std::vector<uint8_t>& lf = p.lf;
    const std::vector<uint8_t>& rf = p.rf;
    if (lf.size() < 11 || rf.size() < 21) {
        why = "protocol without LF or RF settings";
        return false;
    }
    const uint8_t lfMode = lf[0];
    const uint16_t bitWidth = lfMode <= 1 ? Be16(lf, 9) : 128;
    // The test run counts frames and triggers once.
    const uint32_t duration = Be32(lf, 5) & 0x7FFFFFFFu;
    if (r.lf.lfMode != lfMode || r.lf.volMode != (lf[1] & 3) || r.lf.bridgeMode != (lf[1] >> 6) || r.lf.times != 0 ||
        r.lf.lfSpaceTm != Be16(lf, 3) || r.lf.durationTm != duration || r.lf.bitWidth != bitWidth) {
        why = "LF settings";
        return false;
    }
    if (r.lfData != p.Trigger()) {
        why = "trigger data";
        return false;
    }
    const int codeType = rf[4];
    const uint16_t bps = Be16(rf, 1);
    const int chips = ChipsPerBit(codeType);
    const uint16_t chipTime = bps ? static_cast<uint16_t>(500000 / bps) : 52;
    const uint16_t chipCount = static_cast<uint16_t>(std::max(32, chips * Be16(rf, 5)));
    const size_t maskBytes = (rf[15] + 7) / 8;
    const size_t syncBytes = (Be16(rf, 19) + 7) / 8;
    if (rf.size() < 21 + maskBytes + syncBytes) {
        why = "protocol RF settings too short";
        return false;
    }
    const auto sync = rf.begin() + static_cast<long>(21 + maskBytes);
    const size_t sent = std::min<size_t>(syncBytes, 4);
    const std::vector<uint8_t> syncSent(sync + static_cast<long>(syncBytes - sent),
                                        sync + static_cast<long>(syncBytes));
    if (r.rf.recvMode != rf[0] || r.rf.chipsPerBit != chips || r.rf.chipTimeUs != chipTime || r.rf.bps2 != rf[3] ||
        r.rf.chipCount != chipCount || r.rf.shWidth != Be16(rf, 16) || r.rf.shWidth2 != rf[18] ||
        r.rf.syncLength != syncBytes || r.rf.syncHeader != syncSent ||
        r.rf.syncComplemented != (sent > 0 && (codeType == 2 || codeType == 3))) {
        why = "RF settings";
        return false;
    }
    return true;
}

std::vector<uint8_t> SimActivationSensor::WithCheck(const std::vector<uint8_t>& rf, std::vector<uint8_t> t)
{
    if (rf.size() < 16)
        return t;
    const size_t vfPos = Be16(rf, 13);
    const size_t vfLen = rf[15];
    if (t.size() * 8 < vfPos + vfLen)
        t.resize((vfPos + vfLen + 7) / 8, 0);
    // The checked range: the bits before the check field.
    std::vector<uint8_t> range(t.begin(), t.begin() + static_cast<long>((vfPos + 7) / 8));
    if (vfPos % 8)
        range.back() = static_cast<uint8_t>(range.back() & (0xFF << (8 - vfPos % 8)));
    const uint32_t check = CTsVerify::GetInstance().Calc(
        Be16(rf, 7), CBinary(range.data(), static_cast<int>(range.size())), Be16(rf, 9), Be16(rf, 11));
    for (size_t i = 0; i < vfLen; ++i) {
        const size_t shift = vfLen - 1 - i;
        SetBit(t, vfPos + i, shift < 32 && ((check >> shift) & 1));
    }
    return t;
}

void SimActivationSensor::OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers)
{
    std::string why;
    const bool matches = Matches(m_protocol, request, why);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!matches) {
        ++m_others;
        return;
    }
    ++m_triggers;
    if (m_telegrams.empty())
        return;
    const size_t n = std::min(static_cast<size_t>(m_triggers - 1), m_telegrams.size() - 1);
    std::vector<uint8_t> telegram = WithCheck(m_protocol.rf, m_telegrams[n]);
    if (m_corrupt && m_protocol.rf.size() >= 16) {
        // One off in the last bit of the check field.
        const size_t last = Be16(m_protocol.rf, 13) + m_protocol.rf[15] - 1;
        if (last / 8 < telegram.size())
            telegram[last / 8] = static_cast<uint8_t>(telegram[last / 8] ^ (0x80u >> (last % 8)));
    }
    SimRfFrame frame;
    frame.telegram = telegram;
    frame.codeType = m_protocol.rf[4];
    frame.status = m_status;
    answers.push_back(frame);
    ++m_answers;
}

#include "SimFrameHandler.h"

#include "Binary.h"
#include "Clock.h"
#include "SimByteOrder.h"
#include "TsEnDecode.h"

#include <algorithm>

namespace {

constexpr size_t LF_WIRE = 12;
constexpr size_t RF_WIRE = 10;
constexpr size_t MAX_SYNC_SENT = 4;
// Body without data and sync bytes: LF, data length, RF, sync bit count, sync length.
constexpr size_t BODY_FIXED = LF_WIRE + 2 + RF_WIRE + 2;
// The longest body the Brelk takes; a longer length field is a broken frame.
constexpr size_t MAX_BODY = 32767 - 10;
// RF bytes of one reply frame: the body length N = L + 2 is one byte.
constexpr size_t MAX_REPLY_CHIPS = 253;
constexpr size_t KEPT_REQUESTS = 2000;

int CodeTypeOf(const SimRfSettings& rf)
{
    if (rf.chipsPerBit == 1)
        return 5;
    if (rf.chipsPerBit == 3)
        return 4;
    return rf.syncComplemented ? 2 : 0;
}

// The LF data field of a line-coded trigger: AA ... AA AB, 8B 32, chips.
void ReadCodedField(SimRequest& request, int lfCodeType, std::string& error)
{
    const std::vector<uint8_t>& f = request.lfField;
    size_t i = 0;
    while (i < f.size() && f[i] == 0xAA)
        ++i;
    const size_t preamble = i + 1; // the AB closes it
    const size_t expected = (static_cast<size_t>(request.lf.lfMode) * 125) >> 7;
    if (i >= f.size() || f[i] != 0xAB || i + 3 > f.size() || f[i + 1] != 0x8B || f[i + 2] != 0x32) {
        request.preambleOk = false;
        error = "LF data without preamble and sync bytes";
        return;
    }
    if (preamble != expected) {
        request.preambleOk = false;
        error = "LF preamble of " + std::to_string(preamble) + " bytes, LfMode wants " + std::to_string(expected);
    }
    const size_t start = i + 3;
    CBinary chips(f.data() + start, static_cast<int>(f.size() - start));
    int errors = 0;
    CBinary bits = CTsEnDecode::GetInstance().Decode(chips, static_cast<uint32_t>(lfCodeType), errors, 0);
    request.lfData.assign(bits.GetBuffer(), bits.GetBuffer() + bits.GetSize());
}

} // namespace

SimFrameHandler::SimFrameHandler(BrelkSimulator& sim)
{
    sim.SetHandler(0xF1, [this](BrelkSimulator&, const uint8_t* data, size_t length, std::vector<uint8_t>& reply) {
        return OnCommand(data, length, reply);
    });
    sim.SetHandler(0xF2, [this](BrelkSimulator&, const uint8_t* data, size_t length, std::vector<uint8_t>&) {
        return OnReset(data, length);
    });
}

int SimFrameHandler::ParseCommandFrame(const uint8_t* d, size_t length, int lfCodeType, SimRequest& request,
                                       std::string& error)
{
    if (length < 5)
        return 0;
    if (d[0] != 0xAA || d[1] != 0x55 || d[2] != 0xF1) {
        error = "not a command frame";
        return -1;
    }
    const size_t n = sim::Le16(d + 3);
    if (n < BODY_FIXED || n > MAX_BODY) {
        error = "body length " + std::to_string(n);
        return -1;
    }
    const size_t total = 5 + n + 5;
    if (length < total)
        return 0;
    const uint8_t* body = d + 5;
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += body[i];
    if (sim::Le32(body + n) != sum) {
        error = "body sum";
        return -1;
    }
    if (body[n + 4] != 0xFF) {
        error = "end byte";
        return -1;
    }

    SimRequest r;
    const uint8_t* lf = body;
    r.lf.volMode = lf[0];
    r.lf.bridgeMode = lf[1];
    r.lf.lfMode = lf[2];
    r.lf.times = lf[3];
    r.lf.lfSpaceTm = sim::Le16(lf + 4);
    r.lf.durationTm = sim::Le32(lf + 6);
    r.lf.bitWidth = sim::Le16(lf + 10);
    const size_t dataLength = sim::Le16(body + LF_WIRE);
    if (BODY_FIXED + dataLength > n) {
        error = "data length " + std::to_string(dataLength) + " past the body";
        return -1;
    }
    const uint8_t* data = body + LF_WIRE + 2;
    r.lfField.assign(data, data + dataLength);
    const uint8_t* rf = data + dataLength;
    r.rf.recvMode = rf[0];
    r.rf.chipsPerBit = rf[1];
    r.rf.chipTimeUs = sim::Le16(rf + 2);
    r.rf.bps2 = rf[4];
    r.rf.chipCount = sim::Le16(rf + 5);
    r.rf.shWidth = sim::Le16(rf + 7);
    r.rf.shWidth2 = rf[9];
    r.rf.syncBits = rf[RF_WIRE];
    r.rf.syncLength = rf[RF_WIRE + 1];
    const size_t sent = std::min<size_t>(r.rf.syncLength, MAX_SYNC_SENT);
    if (n != BODY_FIXED + dataLength + 2 * sent) {
        error = "body of " + std::to_string(n) + " bytes for a sync header of " + std::to_string(r.rf.syncLength);
        return -1;
    }
    if (r.rf.syncLength > MAX_SYNC_SENT && r.rf.syncBits != 32)
        error = "long sync header with a bit count of " + std::to_string(r.rf.syncBits);
    const uint8_t* sh = rf + RF_WIRE + 2;
    const uint8_t* check = sh + sent;
    r.rf.syncHeader.assign(sh, sh + sent);
    bool same = true;
    bool complemented = sent > 0;
    for (size_t i = 0; i < sent; ++i) {
        same = same && check[i] == sh[i];
        complemented = complemented && check[i] == static_cast<uint8_t>(sh[i] ^ 0xFF);
    }
    if (!same && !complemented) {
        error = "sync check is neither the header nor its complement";
        return -1;
    }
    r.rf.syncComplemented = complemented;
    r.rf.codeType = CodeTypeOf(r.rf);

    r.lineCoded = r.lf.lfMode >= 8;
    if (r.lineCoded)
        ReadCodedField(r, lfCodeType, error);
    else
        r.lfData = r.lfField;
    r.at = GetTickCount();
    request = std::move(r);
    return static_cast<int>(total);
}

std::vector<uint8_t> SimFrameHandler::ReplyFrame(uint8_t status, const std::vector<uint8_t>& chips)
{
    const size_t count = std::min(chips.size(), MAX_REPLY_CHIPS);
    std::vector<uint8_t> body;
    body.push_back(status);
    body.push_back(static_cast<uint8_t>(count));
    body.insert(body.end(), chips.begin(), chips.begin() + static_cast<long>(count));
    uint32_t sum = 0;
    for (uint8_t b : body)
        sum += b;
    std::vector<uint8_t> frame = {0xB4, 0x96, 0xF1, static_cast<uint8_t>(body.size()), 0x00};
    frame.insert(frame.end(), body.begin(), body.end());
    sim::PushLe32(frame, sum);
    frame.push_back(0xFF);
    return frame;
}

int SimFrameHandler::OnCommand(const uint8_t* data, size_t length, std::vector<uint8_t>& reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    SimRequest request;
    std::string error;
    const int used = ParseCommandFrame(data, length, m_lfCodeType, request, error);
    if (!error.empty())
        m_errors.push_back(error);
    if (used <= 0)
        return used;

    std::vector<SimRfFrame> answers;
    for (const auto& sensor : m_sensors)
        sensor->OnRequest(request, answers);
    if (!m_silent) {
        for (const SimRfFrame& answer : answers) {
            std::vector<uint8_t> chips;
            if (answer.chips) {
                chips = answer.telegram;
            } else {
                const int code = answer.codeType >= 0 ? answer.codeType : request.rf.codeType;
                CBinary coded = CTsEnDecode::GetInstance().Encode(
                    CBinary(answer.telegram.data(), static_cast<int>(answer.telegram.size())),
                    static_cast<uint32_t>(code));
                chips.assign(coded.GetBuffer(), coded.GetBuffer() + coded.GetSize());
            }
            if (chips.size() > MAX_REPLY_CHIPS)
                m_errors.push_back("telegram of " + std::to_string(chips.size()) + " chip bytes cut to one frame");
            std::vector<uint8_t> frame = ReplyFrame(answer.status, chips);
            reply.insert(reply.end(), frame.begin(), frame.end());
            ++m_replyFrames;
        }
    }
    m_requests.push_back(std::move(request));
    ++m_requestCount;
    if (m_requests.size() > KEPT_REQUESTS)
        m_requests.pop_front();
    return used;
}

int SimFrameHandler::OnReset(const uint8_t* data, size_t length)
{
    if (length < 4)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (data[3] != 0xFF) {
        m_errors.push_back("reset without its end byte");
        return -1;
    }
    ++m_resets;
    return 4;
}

void SimFrameHandler::AddSensor(std::shared_ptr<SimSensor> sensor)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sensors.push_back(std::move(sensor));
}

void SimFrameHandler::ClearSensors()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sensors.clear();
}

void SimFrameHandler::SetLfCodeType(int codeType)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lfCodeType = codeType;
}

void SimFrameHandler::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

std::vector<SimRequest> SimFrameHandler::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_requests.begin(), m_requests.end()};
}

SimRequest SimFrameHandler::LastRequest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? SimRequest{} : m_requests.back();
}

size_t SimFrameHandler::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requestCount;
}

int SimFrameHandler::ResetCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resets;
}

size_t SimFrameHandler::ReplyFramesSent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_replyFrames;
}

std::vector<std::string> SimFrameHandler::Errors() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errors;
}

void SimFrameHandler::ClearRecords()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
    m_requestCount = 0;
    m_errors.clear();
    m_resets = 0;
    m_replyFrames = 0;
}

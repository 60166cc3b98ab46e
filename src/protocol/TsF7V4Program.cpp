#include "TsF7V4Program.h"

#include "ProtocolText.h"
#include "TsLog.h"
#include "TsVerify.h"

#include <algorithm>

namespace {

// LF settings of the V4 exchanges, by the multi-sensor flag, and the RF
// settings (input forms).
const char* const LF_TABLE_MULTI = "28 22 01 00 00 80 00 03 E8 00 80";
const char* const LF_TABLE_SINGLE = "14 21 01 00 00 80 00 03 E8 00 80";
const char* const RF_TABLE = "10 4B 00 06 00 00 48 00 02 00 00 00 00 00 00 08 00 1A 06 00 10 FF 55 56";
constexpr uint8_t RF_RECV_MODE_FREQ1 = 0x37;

// Frame bytes before the data: 00 01, length, flags, sensor id, tool id, mode.
constexpr int V4_HEADER = 9;
// The length byte counts bytes 2 to the check byte: data + 8.
constexpr int V4_LENGTH_EXTRA = 8;
// Shortest reply: length, flags, id, tool id, mode, check.
constexpr int V4_MIN_REPLY = 8;

CBinary TableBytes(const char* text) { return HexTextToBinary(text, " "); }

} // namespace

CTsF7V4Program::CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector)
    : CTsProgram(multiSensor, freqSelector)
{
    m_nType = TS_TYPE_F7V4;
    CLFConfig lf;
    lf.Init(TableBytes(multiSensor ? LF_TABLE_MULTI : LF_TABLE_SINGLE));
    lf.LfCodeType = 0;
    CBinary rfBytes = TableBytes(RF_TABLE);
    if (freqSelector == 1)
        rfBytes.SetAt(0, RF_RECV_MODE_FREQ1);
    CRFConfig rf;
    rf.Init(rfBytes);
    m_pNetLayer->SetRfConfig(lf, rf);
}

CTsF7V4Program::~CTsF7V4Program() = default;

uint8_t CTsF7V4Program::SequenceFlags(uint8_t sequence)
{
    return static_cast<uint8_t>(((sequence % 3) << 3) | (sequence & 7));
}

uint8_t CTsF7V4Program::DriveByteOfAttempt(int attempt) { return attempt % 4 < 2 ? 0x02 : 0x40; }

uint8_t CTsF7V4Program::CheckByte(uint8_t flags, const uint8_t* bytes, int length)
{
    const CTsVerify& verify = CTsVerify::GetInstance();
    const CBinary range(bytes, length);
    switch (flags & 0x38) {
    case 0x00:
        return verify.Xor8(range, 0);
    case 0x08:
        return verify.Sum8(range, 0);
    case 0x10:
        return verify.Crc8(range, 0x51, 0xA2);
    default:
        return 0;
    }
}

CBinary CTsF7V4Program::BuildSendData(const CBinary& request, uint32_t sensorId)
{
    const int n = request.GetSize();
    if (n + V4_LENGTH_EXTRA > 0xFF) {
        CTsLog::GetInstance().Error("BuildSendData Error. Len(%d) Error", n);
        return CBinary();
    }
    const uint8_t flags = SequenceFlags(m_nSendSeq);
    const uint8_t head[V4_HEADER] = {
        0x00,
        0x01,
        static_cast<uint8_t>(n + V4_LENGTH_EXTRA),
        flags,
        static_cast<uint8_t>(sensorId >> 8),
        static_cast<uint8_t>(sensorId),
        static_cast<uint8_t>(m_nToolId >> 8),
        static_cast<uint8_t>(m_nToolId),
        m_nMode,
    };
    uint8_t frame[V4_HEADER + 0xFF];
    std::copy(head, head + V4_HEADER, frame);
    uint8_t* data = frame + V4_HEADER;
    if (n > 0)
        std::copy(request.GetBuffer(), request.GetBuffer() + n, data);

    const int variant = m_nMode & 7;
    if (n < V4_SCRAMBLE_LIMIT && variant != 0) {
        const uint8_t key = static_cast<uint8_t>(n | 0x50);
        for (int i = 0; i < n; ++i)
            data[i] ^= key;
        if (variant == 2) {
            for (int i = 1; i < n; ++i)
                data[i] ^= flags;
        } else if (variant == 3) {
            uint8_t chain = static_cast<uint8_t>(frame[3] + frame[7]);
            for (int i = 1; i < n; ++i) {
                data[i] ^= chain;
                chain = data[i];
            }
        }
    }
    const int length = V4_HEADER + n;
    frame[length] = CheckByte(flags, frame + 2, length - 2);
    return CBinary(frame, length + 1);
}

void CTsF7V4Program::ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t)
{
    CTsLog& log = CTsLog::GetInstance();
    frame.Clear();
    const int size = decoded.GetSize();
    const uint8_t* r = decoded.GetBuffer();
    const int length = size > 0 ? r[0] : 0;
    // A length below the shortest reply would put the check byte before the
    // header: refused like any other bad length.
    if (size < V4_MIN_REPLY || length > size || length < V4_MIN_REPLY) {
        log.Error("ParseRecvData Error. Len(%d) Error", length);
        return;
    }
    const uint8_t check = CheckByte(r[1], r, length - 1);
    if (check != r[length - 1]) {
        log.Error("ParseRecvData Error. Check Error. CheckByte(%.2X). Recv(%.2X)", check, r[length - 1]);
        return;
    }
    const uint16_t toolId = static_cast<uint16_t>((r[4] << 8) | r[5]);
    if (toolId != m_nToolId || ((r[6] ^ m_nMode) & 0xF8) != 0) {
        log.Error("ParseRecvData Error. Tool Id Error.Cur(%.2X). Dst(%.2X)", m_nToolId, r[3]);
        return;
    }
    frame.m_nSensorId = static_cast<uint32_t>((r[2] << 8) | r[3]);
    if (length > V4_MIN_REPLY) {
        frame.m_nCommand = r[7];
        frame.m_Payload.Assign(r + 8, length - 9);
    }
    if (frame.m_nCommand == V4_NEGATIVE_ANSWER && frame.m_Payload.GetSize() >= 2) {
        log.Error("ParseRecvData Error. Sensor(%d) Nagative Ans. Nagative Commandis:%d.The Reason is:%d",
                  static_cast<int>(frame.m_nSensorId), frame.m_Payload.GetAt(0), frame.m_Payload.GetAt(1));
    }
}

bool CTsF7V4Program::SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                                    CTsFrame* reply)
{
    CTsNetlayer& link = *m_pNetLayer;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.Times = 1;
    link.m_LfConfig.LfSpaceTm = 0;
    link.m_LfConfig.DurationTm = timeoutMs == 0 ? 500 : (timeoutMs + 130) & 0x7FFFFFFF;
    for (int attempt = 0; attempt < V4_SENSOR_ATTEMPTS; ++attempt) {
        link.SetDriveByte(DriveByteOfAttempt(attempt));
        for (const CTsFrame& frame : SendRecv(request, sensorId)) {
            if (frame.m_nCommand != V4_NEGATIVE_ANSWER && frame.m_nSensorId == sensorId) {
                if (reply)
                    *reply = frame;
                return true;
            }
        }
    }
    return false;
}

bool CTsF7V4Program::SendRecvMulti(const CBinary& data, uint32_t waitMs, SensorFrameMap* collect,
                                   const SensorIdSet* targets)
{
    CTsNetlayer& link = *m_pNetLayer;
    const int command = data.IsEmpty() ? -1 : data.GetAt(0);
    const uint32_t targetCount = targets ? static_cast<uint32_t>(targets->size()) : 0;
    link.m_nRecvFrames = targets ? static_cast<uint16_t>(std::min<uint32_t>(targetCount, 0xFFFF)) : 255;
    uint32_t duration = waitMs + (targets ? 12 * targetCount + 10 : 450);
    if (!m_nMultiSensor)
        duration -= 20;
    link.m_LfConfig.DurationTm = duration & 0x7FFFFFFF;
    link.m_LfConfig.Times = 1;
    link.m_LfConfig.LfSpaceTm = 0;

    const bool singlePass = command == V4_CMD_ERASE || command == V4_CMD_CHECK_CRC;
    const int passes = singlePass ? 1 : (targets ? V4_MULTI_PASSES : 1);
    SensorIdSet answered;
    bool refused = false;
    for (int pass = 0; pass < passes; ++pass) {
        // The search keeps the drive its caller chose for the pass.
        if (command != V4_CMD_SEARCH)
            link.SetDriveByte(DriveByteOfAttempt(pass));
        for (const CTsFrame& frame : SendRecv(data, V4_BROADCAST_ID)) {
            if (collect)
                collect->emplace(frame.m_nSensorId, frame);
            if (!targets || targets->count(frame.m_nSensorId) == 0)
                continue;
            if (frame.m_nCommand == V4_NEGATIVE_ANSWER) {
                refused = true;
                continue;
            }
            answered.insert(frame.m_nSensorId);
            if (answered == *targets)
                return true;
        }
    }
    if (!targets || refused)
        return false;
    if (!singlePass)
        return false;
    // Erase and check get one broadcast; a target that missed it is asked on its own.
    for (uint32_t id : *targets) {
        if (answered.count(id))
            continue;
        CTsFrame reply;
        if (!SendRecvSensor(id, data, 500, &reply))
            continue;
        if (collect)
            collect->emplace(reply.m_nSensorId, reply);
        answered.insert(id);
        if (answered == *targets)
            return true;
    }
    return false;
}

// The discovery, reading and programming operations are not built yet: they
// find, read and program nothing, so the error code stays "no sensor of this
// family" and nothing is ever reported as done.
bool CTsF7V4Program::SearchSensors(SensorIdSet&) { return false; }

void CTsF7V4Program::KeepLink(const SensorIdSet&) {}

bool CTsF7V4Program::ReadPsn(CBinaryGroup&) { return false; }

bool CTsF7V4Program::ReadPsnByAddr(CBinaryGroup&) { return false; }

bool CTsF7V4Program::ExchangeFrames() { return false; }

bool CTsF7V4Program::ProgramSensor(const SensorIdMap&, const CBinary&) { return false; }

bool CTsF7V4Program::EndLink(const SensorIdSet&) { return false; }

bool CTsF7V4Program::ReadMeasureInfo(MeasureTextMap&) { return false; }

void CTsF7V4Program::GetPsnText(const SensorIdSet& found, SensorTextMap& texts)
{
    CTsProgram::GetPsnText(found, texts);
}

bool CTsF7V4Program::WriteSensorFlash(const SensorIdSet&, const CTsSnData*, uint8_t) { return false; }

bool CTsF7V4Program::WriteSensorFlashCrc(const SensorIdSet&, const CTsSnData*, uint8_t) { return false; }

bool CTsF7V4Program::WriteSensorConfig(const SensorIdSet&, const CBinary&, uint8_t, const SensorIdSet*)
{
    return false;
}

#include "TsF7V3Program.h"

#include "ByteOrder.h"
#include "ProtocolText.h"
#include "ScopeGuard.h"
#include "TsEnDecode.h"
#include "TsLog.h"
#include "TsSnData.h"
#include "TsVerify.h"
#include "WireFormat.h"

#include <algorithm>

namespace {

// LF settings (LfMode 20: the request travels line-coded behind a preamble)
// and RF settings of the V1/V3 exchanges, input forms.
const char* const LF_TABLE = "14 21 01 00 00 50 00 03 E8 00 80";
const char* const RF_TABLE = "10 25 80 0A 00 00 38 00 02 00 00 00 00 00 00 08 00 36 0A 00 10 FF 55 56";
// The sync header of every exchange but the programming.
const uint8_t SYNC_HEADER[] = {0x55, 0x56};

// Reply bytes: 5A, id, tool id, N, command.
constexpr int REPLY_TOOL_AT = 3;
constexpr int REPLY_LENGTH_AT = 4;
constexpr int REPLY_COMMAND_AT = 5;
// The Brelk strips a sync header of 5A and the id: three bytes implied.
constexpr int IMPLIED_HEADER = 3;

const char* const PROGRAM_NAME = "CTsF7V3Program::ProgramSensor";

} // namespace

CTsF7V3Program::CTsF7V3Program(uint8_t freqSelector) : CTsProgram(0, freqSelector)
{
    m_nType = TS_TYPE_F7V3;
    m_nToolId = 0;
    InstallLinkSettings(LF_TABLE, RF_TABLE);
}

CTsF7V3Program::~CTsF7V3Program() = default;

bool CTsF7V3Program::ReadPsn(CBinaryGroup&) { return false; }

bool CTsF7V3Program::ReadPsnByAddr(CBinaryGroup&) { return false; }

bool CTsF7V3Program::ExchangeFrames() { return false; }

bool CTsF7V3Program::EndLink(const SensorIdSet&) { return false; }

CBinary CTsF7V3Program::BuildSendData(const CBinary& request, uint32_t sensorId)
{
    const int n = request.GetSize();
    if (n + V3_LENGTH_EXTRA > 0xFF) {
        CTsLog::GetInstance().Error("BuildSendData Error. Len(%d) Error", n);
        return CBinary();
    }
    CBinary frame(SENSOR_FRAME_LEAD, sizeof SENSOR_FRAME_LEAD);
    frame.Add(V3_FRAME_START);
    AppendBe16(frame, static_cast<uint16_t>(sensorId));
    frame.Add(static_cast<uint8_t>(m_nToolId));
    frame.Add(static_cast<uint8_t>(n + V3_LENGTH_EXTRA));
    frame.Append(request);
    // The sum runs from the 5A to the end of the request.
    const int lead = sizeof SENSOR_FRAME_LEAD;
    frame.Add(CTsVerify::GetInstance().Sum8(CBinary(frame.GetBuffer() + lead, frame.GetSize() - lead), 0));
    return frame;
}

void CTsF7V3Program::ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId)
{
    CTsLog& log = CTsLog::GetInstance();
    frame.Clear();
    const int size = decoded.GetSize();
    if (size < V3_REPLY_MIN || size > V3_REPLY_MAX) {
        log.Error("ParseRecvData Error. Len(%d) Error", size);
        return;
    }
    const uint8_t* d = decoded.GetBuffer();
    const uint8_t idHigh = HighByte(static_cast<uint16_t>(sensorId));
    const uint8_t idLow = LowByte(static_cast<uint16_t>(sensorId));
    uint8_t bytes[IMPLIED_HEADER + V3_REPLY_MAX];
    int length = 0;
    if (sensorId != 0 && !(d[0] == V3_FRAME_START && d[1] == idHigh && d[2] == idLow)) {
        bytes[length++] = V3_FRAME_START;
        bytes[length++] = idHigh;
        bytes[length++] = idLow;
    }
    std::copy(d, d + size, bytes + length);
    length += size;

    // N counts the bytes the sum covers; the sum itself must be inside.
    const int n = bytes[REPLY_LENGTH_AT];
    const int covered = std::min(n, length);
    uint8_t sum = 0;
    for (int i = 0; i < covered; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    const uint8_t received = n < length ? bytes[n] : 0;
    if (n >= length || sum != received) {
        // "VaildSize": the program's own log text, kept as written.
        log.Error("ParseRecvData Error. Check Error. VaildSize(0x%.2X). CheckByte(0x%.2X). Recv(0x%.2X)", n, sum,
                  received);
        return;
    }
    if (bytes[0] != V3_FRAME_START || bytes[REPLY_TOOL_AT] != static_cast<uint8_t>(m_nToolId)) {
        log.Error("ParseRecvData Error. Tool Id Error.Cur(%.2X). Dst(%.2X)", m_nToolId, bytes[REPLY_TOOL_AT]);
        return;
    }
    frame.m_nSensorId = ReadBe16(bytes + 1);
    if (n > REPLY_COMMAND_AT) {
        frame.m_nCommand = bytes[REPLY_COMMAND_AT];
        frame.m_Payload.Assign(bytes + REPLY_COMMAND_AT + 1, n - REPLY_COMMAND_AT - 1);
    }
}

bool CTsF7V3Program::SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs, CTsFrame* reply)
{
    CTsNetlayer& link = *m_pNetLayer;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.Times = 1;
    link.m_LfConfig.LfSpaceTm = 0;
    link.m_LfConfig.DurationTm = timeoutMs & 0x7FFFFFFF;
    for (int attempt = 0; attempt < V3_SENSOR_TRIES; ++attempt) {
        for (const CTsFrame& frame : SendRecv(request, sensorId)) {
            if (sensorId == 0 || frame.m_nSensorId == sensorId) {
                if (reply)
                    *reply = frame;
                return true;
            }
        }
    }
    return false;
}

bool CTsF7V3Program::IsReplyOk(const CTsFrame& frame)
{
    if (frame.IsEmpty())
        return false;
    const int at = frame.m_nCommand == V3_CMD_STATUS_SECOND ? 1 : 0;
    return frame.m_Payload.GetSize() > at && frame.m_Payload.GetAt(at) == 0;
}

bool CTsF7V3Program::SearchSensors(SensorIdSet& found)
{
    CTsNetlayer& link = *m_pNetLayer;
    const uint8_t wake = V3_CMD_WAKE;
    for (int i = 0; i < V3_WAKE_UPS; ++i) {
        link.m_nRecvFrames = 1;
        link.m_LfConfig.Times = 1;
        link.m_LfConfig.LfSpaceTm = 0;
        link.m_LfConfig.DurationTm = V3_WAIT_WAKE;
        SendRecv(CBinary(&wake, 1), 0);
    }
    const uint8_t identify = V3_CMD_IDENTIFY;
    CTsFrame reply;
    uint32_t id = 0;
    if (SendRecvSensor(0, CBinary(&identify, 1), V3_WAIT_IDENTIFY, &reply))
        id = reply.m_nSensorId;
    CTsFrame query;
    if (!SendRecvSensor(id, CBinary(&wake, 1), V3_WAIT_QUERY, &query) || !IsReplyOk(query))
        return false;
    found.insert(query.m_nSensorId);
    return true;
}

CBinary CTsF7V3Program::PatchConfig(const CBinary& block, const CBinary& index, uint32_t newId)
{
    CBinary out(block.GetBuffer(), block.GetSize());
    if (out.GetSize() != V3_CONFIG_BLOCK_BYTES)
        return out;
    // The index bytes go over the 64 data bytes, never past them.
    const int data = V3_CONFIG_BLOCK_BYTES - V3_CONFIG_DATA_AT;
    const int n = std::min(index.GetSize(), data);
    for (int i = 0; i < n; ++i)
        out.SetAt(V3_CONFIG_DATA_AT + i, index.GetBuffer()[i]);
    out.SetAt(V3_CONFIG_FLAG_AT, 0x01);
    SetBe32(out, V3_CONFIG_ID_AT, newId);
    const uint16_t crc =
        CTsVerify::GetInstance().Crc16(CBinary(out.GetBuffer() + V3_CONFIG_DATA_AT, data), 0, V3_CONFIG_CRC_POLY);
    SetBe16(out, V3_CONFIG_CRC_AT, crc);
    return out;
}

bool CTsF7V3Program::ProgramSensor(const SensorIdMap& ids, const CBinary& selection)
{
    if (ids.empty() || selection.IsEmpty()) {
        CTsLog::GetInstance().Error("%s Sensors or Config is empty.", PROGRAM_NAME);
        return false;
    }
    // Programming syncs on each sensor's own header; every other exchange on 55 56.
    const ScopeGuard restoreSync([this] { m_pNetLayer->SetShData(-1, CBinary(SYNC_HEADER, sizeof SYNC_HEADER)); });
    for (const auto& entry : ids) {
        // A failure leaves the sensors after this one untouched.
        if (!ProgramOne(entry.first, entry.second, selection))
            return false;
    }
    return true;
}

bool CTsF7V3Program::ProgramOne(uint32_t sensorId, uint32_t newId, const CBinary& selection)
{
    CTsLog& log = CTsLog::GetInstance();
    CTsSnData image(m_nType, selection.GetAt(0));
    m_imageProblem = image.GetProblem();
    // A missing or damaged image is found before its first block goes out.
    CBinary block = image.IsUsable() ? image.GetDataBlock() : CBinary();
    if (block.IsEmpty()) {
        m_nErrorCode = TS_ERR_NO_IMAGE;
        log.Error("%s Get DataBlock Error.", PROGRAM_NAME);
        return false;
    }
    CBinary head(&V3_FRAME_START, 1);
    AppendBe16(head, static_cast<uint16_t>(sensorId));
    m_pNetLayer->SetShData(V3_PROGRAM_SYNC_BITS,
                           CTsEnDecode::GetInstance().Encode(head, m_pNetLayer->m_RfConfig.CodeType));

    ReportProgress(0);
    const uint32_t total = image.GetTotalSize();
    uint32_t sent = 0;
    for (bool first = true; !block.IsEmpty(); block = image.GetDataBlock(), first = false) {
        const bool config = !first && block.GetSize() == V3_CONFIG_BLOCK_BYTES && block.GetAt(0) == V3_CONFIG_TAG;
        const CBinary out = config ? PatchConfig(block, selection, newId) : block;
        if (!SendBlock(sensorId, out)) {
            log.HexDump(out, "!Program F7V3 Error!: ");
            log.Debug("Program Single Finish. Ret:%s", "Fail");
            return false;
        }
        sent += static_cast<uint32_t>(out.GetSize());
        ReportShare(0, 100, sent, total);
    }
    log.Debug("Program Single Finish. Ret:%s", "Success");
    ReportProgress(100);
    return true;
}

bool CTsF7V3Program::SendBlock(uint32_t sensorId, const CBinary& block)
{
    for (int attempt = 0; attempt < V3_BLOCK_TRIES; ++attempt) {
        CTsFrame reply;
        if (SendRecvSensor(sensorId, block, V3_WAIT_BLOCK, &reply) && IsReplyOk(reply))
            return true;
    }
    return false;
}

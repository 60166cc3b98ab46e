#include "TsV4Program.h"

#include "ByteOrder.h"
#include "FamilyTable.h"
#include "ProtocolText.h"
#include "TsLog.h"
#include "TsSnData.h"
#include "TsVerify.h"
#include "WireFormat.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

std::atomic<int> g_nSearchResult{V4_SEARCH_NONE};

namespace {

// LF settings of the V4 exchanges, by the multi-sensor flag, and the RF
// settings (input forms).
const char* const LF_TABLE_MULTI = "28 22 01 00 00 80 00 03 E8 00 80";
const char* const LF_TABLE_SINGLE = "14 21 01 00 00 80 00 03 E8 00 80";
const char* const RF_TABLE = "10 4B 00 06 00 00 48 00 02 00 00 00 00 00 00 08 00 1A 06 00 10 FF 55 56";

// Frame bytes before the data: 00 01, length, flags, sensor id, tool id, mode.
constexpr int V4_HEADER = 9;
// The length byte counts bytes 2 to the check byte: data + 8.
constexpr int V4_LENGTH_EXTRA = 8;
// Shortest reply: length, flags, id, tool id, mode, check.
constexpr int V4_MIN_REPLY = 8;

// The LF fields the two raw wake-up sequences of the search are sent with.
constexpr uint8_t RAW_SEQUENCE1_LF_MODE = 14;
constexpr uint8_t RAW_SEQUENCE2_LF_MODE = 1;
constexpr uint16_t RAW_SEQUENCE2_BIT_WIDTH = 500;

} // namespace

CBinary CTsV4Program::Bytes(std::initializer_list<uint8_t> bytes)
{
    return CBinary(bytes.begin(), static_cast<int>(bytes.size()));
}

CBinary CTsV4Program::CommandWords(uint8_t command, std::initializer_list<uint16_t> words)
{
    CBinary request(&command, 1);
    for (uint16_t word : words)
        AppendBe16(request, word);
    return request;
}

CBinary CTsV4Program::ReadRequest(uint16_t address, uint8_t length)
{
    CBinary request = Bytes({V4_CMD_READ_MEMORY, length});
    AppendBe16(request, address);
    return request;
}

CBinary CTsV4Program::WriteRequest(uint8_t sequence, uint8_t length, uint16_t address)
{
    CBinary request = Bytes({V4_CMD_WRITE_BLOCK, sequence, length});
    AppendBe16(request, address);
    return request;
}

CTsV4Program::CTsV4Program(uint8_t multiSensor, uint8_t freqSelector, int type) : CTsProgram(multiSensor, freqSelector)
{
    m_nType = type;
    InstallLinkSettings(multiSensor ? LF_TABLE_MULTI : LF_TABLE_SINGLE, RF_TABLE);
}

CTsV4Program::~CTsV4Program() = default;

uint8_t CTsV4Program::SequenceFlags(uint8_t sequence)
{
    return static_cast<uint8_t>(((sequence % 3) << 3) | (sequence & 7));
}

uint8_t CTsV4Program::DriveByteOfAttempt(int attempt) { return attempt % 4 < 2 ? DRIVE_VOLTAGE_2 : DRIVE_BRIDGE_1; }

uint8_t CTsV4Program::CheckByte(uint8_t flags, const uint8_t* bytes, int length)
{
    const CTsVerify& verify = CTsVerify::GetInstance();
    const CBinary range(bytes, length);
    switch (flags & 0x38) {
    case 0x00: return verify.Xor8(range, 0);
    case 0x08: return verify.Sum8(range, 0);
    case 0x10: return verify.Crc8(range, 0x51, 0xA2);
    default: return 0;
    }
}

CBinary CTsV4Program::BuildSendData(const CBinary& request, uint32_t sensorId)
{
    const int n = request.GetSize();
    if (n + V4_LENGTH_EXTRA > 0xFF) {
        CTsLog::GetInstance().Error("BuildSendData Error. Len(%d) Error", n);
        return CBinary();
    }
    const uint8_t flags = SequenceFlags(m_nSendSeq);
    uint8_t frame[V4_HEADER + 0xFF] = {SENSOR_FRAME_LEAD[0], SENSOR_FRAME_LEAD[1],
                                       static_cast<uint8_t>(n + V4_LENGTH_EXTRA), flags};
    WriteBe16(frame + 4, static_cast<uint16_t>(sensorId));
    WriteBe16(frame + 6, m_nToolId);
    frame[8] = m_nMode;
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

void CTsV4Program::ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t)
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
    const uint16_t toolId = ReadBe16(r + 4);
    if (toolId != m_nToolId || ((r[6] ^ m_nMode) & 0xF8) != 0) {
        log.Error("ParseRecvData Error. Tool Id Error.Cur(%.2X). Dst(%.2X)", m_nToolId, r[3]);
        return;
    }
    frame.m_nSensorId = ReadBe16(r + 2);
    if (length > V4_MIN_REPLY) {
        frame.m_nCommand = r[7];
        frame.m_Payload.Assign(r + 8, length - 9);
    }
    if (frame.m_nCommand == V4_NEGATIVE_ANSWER && frame.m_Payload.GetSize() >= 2) {
        // "Nagative Ans": the program's own log text, kept as written.
        log.Error("ParseRecvData Error. Sensor(%d) Nagative Ans. Nagative Commandis:%d.The Reason is:%d",
                  static_cast<int>(frame.m_nSensorId), frame.m_Payload.GetAt(0), frame.m_Payload.GetAt(1));
    }
}

TsFrameList CTsV4Program::Exchange(const CBinary& request, uint32_t sensorId)
{
    TsFrameList frames = SendRecv(request, sensorId);
    if (request.IsEmpty())
        return frames;
    // A reply names the command it answers; a negative answer names it in its
    // payload. Any other (a late answer to an earlier request) is a bad frame.
    const uint8_t command = request.GetAt(0);
    std::erase_if(frames, [command](const CTsFrame& frame) {
        const bool refusal = frame.m_nCommand == V4_NEGATIVE_ANSWER && frame.m_Payload.GetSize() >= 1;
        const uint8_t answered = refusal ? frame.m_Payload.GetAt(0) : frame.m_nCommand;
        if (answered == command)
            return false;
        CTsLog::GetInstance().Error("ParseRecvData Error. Sensor(%d) answers command %.2X, not %.2X.",
                                    static_cast<int>(frame.m_nSensorId), answered, command);
        return true;
    });
    return frames;
}

bool CTsV4Program::SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs, CTsFrame* reply)
{
    CTsNetlayer& link = *m_pNetLayer;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.Times = 1;
    link.m_LfConfig.LfSpaceTm = 0;
    link.m_LfConfig.DurationTm =
        timeoutMs == 0 ? V4_SENSOR_DEFAULT_DURATION : (timeoutMs + V4_SENSOR_REPLY_MARGIN) & ~RECV_WAIT_WHOLE_TIMEOUT;
    for (int attempt = 0; attempt < V4_SENSOR_ATTEMPTS; ++attempt) {
        link.SetDriveByte(DriveByteOfAttempt(attempt));
        for (const CTsFrame& frame : Exchange(request, sensorId)) {
            if (frame.m_nCommand != V4_NEGATIVE_ANSWER && frame.m_nSensorId == sensorId) {
                if (reply)
                    *reply = frame;
                return true;
            }
        }
    }
    return false;
}

bool CTsV4Program::SendRecvMulti(const CBinary& data, uint32_t waitMs, SensorFrameMap* collect,
                                 const SensorIdSet* targets)
{
    CTsNetlayer& link = *m_pNetLayer;
    const int command = data.IsEmpty() ? -1 : data.GetAt(0);
    const uint32_t targetCount = targets ? static_cast<uint32_t>(targets->size()) : 0;
    link.m_nRecvFrames = targets ? static_cast<uint16_t>(std::min<uint32_t>(targetCount, 0xFFFF)) : 255;
    uint32_t duration =
        waitMs + (targets ? V4_MULTI_PER_TARGET * targetCount + V4_MULTI_TARGETS_MARGIN : V4_MULTI_BROADCAST_MARGIN);
    if (!m_nMultiSensor)
        duration -= V4_MULTI_SINGLE_SAVING;
    link.m_LfConfig.DurationTm = duration & ~RECV_WAIT_WHOLE_TIMEOUT;
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
        for (const CTsFrame& frame : Exchange(data, V4_BROADCAST_ID)) {
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
        if (!SendRecvSensor(id, data, V4_WAIT_MISSED_TARGET, &reply))
            continue;
        if (collect)
            collect->emplace(reply.m_nSensorId, reply);
        answered.insert(id);
        if (answered == *targets)
            return true;
    }
    return false;
}

// ---- Discovery, link and reading ----

void CTsV4Program::SetRawExchange(uint32_t durationMs)
{
    CTsNetlayer& link = *m_pNetLayer;
    link.m_nRecvFrames = 255;
    link.m_LfConfig.Times = 1;
    link.m_LfConfig.LfSpaceTm = 0;
    link.m_LfConfig.DurationTm = durationMs;
}

void CTsV4Program::SendRawCommand(uint8_t command)
{
    SetRawExchange(V4_RAW_DURATION);
    SendRecv(CBinary(&command, 1), V4_BROADCAST_ID);
}

void CTsV4Program::SendRawSequence1()
{
    static const uint8_t sequence[] = {0x00, 0x01, 0x09, 0xFF, 0xFF};
    CTsNetlayer& link = *m_pNetLayer;
    const uint8_t lfMode = link.m_LfConfig.LfMode;
    link.m_LfConfig.LfMode = RAW_SEQUENCE1_LF_MODE;
    SetRawExchange(V4_RAW_SEQUENCE_DURATION);
    CTsReceive ignored;
    link.SendRecv(ignored, CBinary(sequence, sizeof sequence));
    link.m_LfConfig.LfMode = lfMode;
}

void CTsV4Program::SendRawSequence2()
{
    static const uint8_t sequence[] = {0xFF, 0xCC, 0xE7, 0x39, 0xC9, 0xCE, 0x40};
    CTsNetlayer& link = *m_pNetLayer;
    const uint8_t lfMode = link.m_LfConfig.LfMode;
    const uint16_t bitWidth = link.m_LfConfig.BitWidth;
    link.m_LfConfig.LfMode = RAW_SEQUENCE2_LF_MODE;
    link.m_LfConfig.BitWidth = RAW_SEQUENCE2_BIT_WIDTH;
    SetRawExchange(V4_RAW_SEQUENCE_DURATION);
    CTsReceive ignored;
    link.SendRecv(ignored, CBinary(sequence, sizeof sequence));
    link.m_LfConfig.LfMode = lfMode;
    link.m_LfConfig.BitWidth = bitWidth;
}

void CTsV4Program::ReleaseSensor(uint32_t sensorId)
{
    SendRecvSensor(sensorId, Bytes({V4_CMD_RELEASE}), V4_WAIT_RELEASE);
}

bool CTsV4Program::SearchSensors(SensorIdSet& found) { return SearchSensorCount(found) != 0; }

uint8_t CTsV4Program::SearchSensorCount(SensorIdSet& found)
{
    g_nSearchResult = V4_SEARCH_NONE;
    m_setV4Taken.clear();
    m_setV4Foreign.clear();
    const SensorFamily* own = FindFamily(m_nType);
    if (m_bSearchAllTypes || (own && own->endsEarlierLinks))
        EndEarlierLinks();

    SearchCount count;
    int previous = 0;
    int unchanged = 0;
    const int quietLimit = m_nMultiSensor ? V4_SEARCH_QUIET_PASSES_MULTI : V4_SEARCH_QUIET_PASSES_SINGLE;
    for (int pass = 0; pass < V4_SEARCH_PASSES; ++pass) {
        WakeSensors(pass);
        SensorFrameMap answers;
        SendRecvMulti(Bytes({V4_CMD_SEARCH}), V4_WAIT_SEARCH, &answers);
        m_lstV4Answers.clear();
        for (const auto& entry : answers)
            m_lstV4Answers.push_back(entry.second);
        if (!TakeAnswers(answers, found, count))
            return 0;
        if (TooManyTaken(count.taken))
            break;
        unchanged = count.taken == previous ? unchanged + 1 : 0;
        if (unchanged >= quietLimit)
            break;
        previous = count.taken;
    }

    ReleaseAfterSearch(found);
    if (count.taken == 0 && count.unsupported > 0)
        g_nSearchResult = V4_SEARCH_UNSUPPORTED;
    if (m_nMultiSensor)
        return static_cast<uint8_t>(count.taken);
    return count.taken == 0 ? 0 : static_cast<uint8_t>(count.taken + static_cast<int>(m_setV4Foreign.size()));
}

void CTsV4Program::EndEarlierLinks()
{
    // On both drives: whatever link an earlier search left is ended.
    for (uint8_t drive : {DRIVE_VOLTAGE_2, DRIVE_BRIDGE_1, DRIVE_VOLTAGE_2}) {
        m_pNetLayer->SetDriveByte(drive);
        SendRawCommand(V4_CMD_END_LINK);
    }
}

void CTsV4Program::WakeSensors(int pass)
{
    m_pNetLayer->SetDriveByte(pass % 4 < 2 || !m_nMultiSensor ? DRIVE_BRIDGE_1 : DRIVE_VOLTAGE_2);
    SendRawCommand(V4_CMD_WAKE_FIRST);
    SendRawSequence2();
    SendRawCommand(m_nFreqSelector == 1 ? V4_CMD_WAKE_FREQ1 : V4_CMD_WAKE);
    for (int i = 0; i < V4_WAKE_ROUNDS; ++i) {
        SendRawSequence2();
        SendRawSequence1();
    }
}

bool CTsV4Program::TakeAnswers(const SensorFrameMap& answers, SensorIdSet& found, SearchCount& count)
{
    CTsLog& log = CTsLog::GetInstance();
    for (const auto& entry : answers) {
        const uint32_t id = entry.first;
        if (!SendRecvSensor(id, Bytes({V4_CMD_SEARCH_STEP, m_nV4SearchStep, static_cast<uint8_t>(count.taken)}),
                            V4_WAIT_SEARCH_STEP))
            continue;
        CTsFrame reply;
        const ReadResult read = ReadSensor(id, Bytes({V4_CMD_READ_HARD_VERSION}), V4_WAIT_READ_HARD_VERSION, 4, reply);
        if (read == ReadResult::NoAnswer) {
            log.Error("Read Hard Version Error.");
            return true;
        }
        // A record too short to name the line is no line: nothing is taken on
        // the strength of another sensor's record.
        if (read == ReadResult::Refused) {
            log.Error("Read Hard Version Error!");
            return true;
        }
        const uint16_t hard = ReadBe16(reply.m_Payload.GetBuffer());
        const uint16_t boot = ReadBe16(reply.m_Payload.GetBuffer() + 2);
        const uint8_t line = V4LineOf(hard);

        // A sensor seen again counts once. The hard version kept is that of a
        // sensor taken: the boot update picks the family by it, and a sensor
        // of another line read after it must not change that.
        auto take = [&](bool lowerBoot) {
            if (found.insert(id).second)
                ++count.taken;
            m_setV4Taken.insert(id);
            m_nHardVersion = hard;
            if (lowerBoot && (m_nBootVersion == 0 || boot < m_nBootVersion))
                m_nBootVersion = boot;
        };
        switch (ChooseLine(line, count.taken)) {
        case LineChoice::TakeAny: take(false); break;
        case LineChoice::Take: take(true); break;
        case LineChoice::Unsupported: ++count.unsupported; break;
        case LineChoice::LeaveToNext: ReleaseSensor(id); return false;
        case LineChoice::Foreign:
            m_setV4Foreign.insert(id);
            if (line == V4_LINE_ZERO)
                m_nErrorCode = TS_ERR_LINE_ZERO;
            else if (!FamilyOfLine(line))
                ++count.unsupported;
            break;
        }
    }
    return true;
}

CTsV4Program::LineChoice CTsV4Program::ChooseLine(uint8_t line, int taken) const
{
    if (m_nInfoRead)
        return LineChoice::TakeAny;
    const SensorFamily* own = FindFamily(m_nType);
    if (!own)
        return LineChoice::Foreign;
    if (own->lines.Has(line))
        return !own->dataPresent || own->dataPresent() ? LineChoice::Take : LineChoice::Unsupported;
    // A sensor of a family tried after this one, before any of this one's:
    // it is let go and the search left to that family.
    if (taken == 0 && own->leaves.Has(line))
        return LineChoice::LeaveToNext;
    return LineChoice::Foreign;
}

bool CTsV4Program::TooManyTaken(int taken)
{
    if (m_nMultiSensor) {
        if (taken <= V4_SEARCH_MAX_SENSORS)
            return false;
        if (!m_bSearchAllTypes)
            m_nErrorCode = TS_ERR_MANY_SENSORS;
        return true;
    }
    if (taken <= 1)
        return false;
    m_nErrorCode = TS_ERR_MANY_SENSORS;
    return true;
}

void CTsV4Program::ReleaseAfterSearch(const SensorIdSet& found)
{
    for (uint32_t id : m_setV4Foreign)
        ReleaseSensor(id);
    if (m_nErrorCode == TS_ERR_MANY_SENSORS) {
        for (uint32_t id : found)
            ReleaseSensor(id);
    }
}

void CTsV4Program::KeepLink(const SensorIdSet& found)
{
    if (!SendRecvMulti(Bytes({V4_CMD_KEEP_LINK}), V4_WAIT_KEEP_LINK, nullptr, &found))
        CTsLog::GetInstance().Error("Keep Link error!");
}

bool CTsV4Program::EndLink(const SensorIdSet& found)
{
    // After a user stop the end command must still go out.
    const bool stopped = g_bAbort.IsSet();
    if (stopped)
        g_bAbort.Clear();
    SensorFrameMap answers;
    if (found.empty())
        SendRecvMulti(Bytes({V4_CMD_END_LINK}), V4_WAIT_SEARCH, &answers);
    else
        SendRecvMulti(Bytes({V4_CMD_END_LINK}), V4_WAIT_END_LINK, &answers, &found);
    if (stopped)
        g_bAbort.Set();
    return !answers.empty();
}

CTsV4Program::ReadResult CTsV4Program::ReadSensor(uint32_t sensorId, const CBinary& request, uint32_t waitMs,
                                                  int minPayload, CTsFrame& reply)
{
    reply.Clear();
    if (!SendRecvSensor(sensorId, request, waitMs, &reply))
        return ReadResult::NoAnswer;
    if (reply.m_nCommand == V4_NEGATIVE_ANSWER || reply.m_Payload.GetSize() < minPayload)
        return ReadResult::Refused;
    return ReadResult::Ok;
}

bool CTsV4Program::ReadMemory(uint32_t sensorId, uint16_t address, uint8_t length, const char* what, CBinary& bytes)
{
    CTsLog& log = CTsLog::GetInstance();
    bytes.Empty();
    CTsFrame reply;
    const ReadResult read = ReadSensor(sensorId, ReadRequest(address, length), V4_WAIT_READ_MEMORY, 1, reply);
    const int count = read == ReadResult::Ok ? reply.m_Payload.GetAt(0) : 0;
    if (read == ReadResult::NoAnswer) {
        log.Error("Read %s Error. Addr:%.4X", what, sensorId);
        return false;
    }
    if (read == ReadResult::Refused || count > reply.m_Payload.GetSize() - 1) {
        log.Error("Read %s Error!", what);
        return false;
    }
    bytes.Assign(reply.m_Payload.GetBuffer() + 1, count);
    return true;
}

bool CTsV4Program::ReadPsnRecords(CBinaryGroup& records, const V4Records* addresses)
{
    CTsLog& log = CTsLog::GetInstance();
    SensorIdSet found;
    SearchSensorCount(found);
    bool result = false;
    if (!found.empty() && m_nErrorCode != TS_ERR_MANY_SENSORS) {
        const uint32_t id = *found.begin();
        CTsFrame reply;
        auto read = [&](uint8_t command, uint32_t waitMs, int minPayload) {
            const ReadResult r = ReadSensor(id, Bytes({command}), waitMs, minPayload, reply);
            if (r == ReadResult::NoAnswer)
                log.Error("Read PSN Error. Addr:%.4X", id);
            else if (r == ReadResult::Refused)
                log.Error("Read PSN Error!");
            return r == ReadResult::Ok;
        };
        // Record 0 names the line, so it must hold the hard version.
        if (read(V4_CMD_READ_HARD_VERSION, V4_WAIT_READ_HARD_VERSION, 2)) {
            const CBinary& hard = reply.m_Payload;
            records.Add(CBinary(hard.GetBuffer(), std::min(hard.GetSize(), 12)));
            const uint8_t line = V4LineOf(ReadBe16(hard.GetBuffer()));
            if (read(V4_CMD_READ_INFO, V4_WAIT_READ_INFO, 0)) {
                const CBinary& info = reply.m_Payload;
                records.Add(CBinary(info.GetBuffer(), std::min(info.GetSize(), 16)));
                const V4Records& lineRecords = addresses ? *addresses : V4RecordsOfLine(line);
                const uint16_t version = lineRecords.config;
                CBinary bytes;
                if (ReadMemory(id, lineRecords.identity, V4_RECORD_READ, "PSN", bytes)) {
                    records.Add(bytes);
                    // Three reads of 16 bytes; the low address byte alone moves on.
                    CBinary block;
                    for (int i = 0; i < 3; ++i) {
                        const uint16_t at = static_cast<uint16_t>((version & 0xFF00) | ((version + 0x10 * i) & 0xFF));
                        if (!ReadMemory(id, at, V4_RECORD_READ, "PSN", bytes))
                            break;
                        block.Append(bytes);
                    }
                    records.Add(block);
                    result = true;
                }
            }
        }
    }
    EndLink(found);
    return result;
}

namespace {

// The identity text of a reply to a 16-byte read, empty when the reply does
// not hold 16 bytes behind its count or they are blank (all FF).
std::string IdentityText(const CTsFrame& reply)
{
    const CBinary& p = reply.m_Payload;
    if (p.GetSize() < 1 + V4_RECORD_READ)
        return std::string();
    const uint8_t* bytes = p.GetBuffer();
    const bool blank = bytes[0] == V4_RECORD_READ &&
                       std::all_of(bytes + 1, bytes + 1 + V4_RECORD_READ, [](uint8_t b) { return b == 0xFF; });
    if (blank)
        return std::string();
    return std::string(reinterpret_cast<const char*>(bytes + 1), V4_RECORD_READ);
}

} // namespace

void CTsV4Program::GetPsnText(const SensorIdSet& found, SensorTextMap& texts)
{
    const uint16_t identityAddress = Layout().records.identity;
    for (uint32_t id : found) {
        CTsFrame reply;
        std::string text;
        if (SendRecvSensor(id, ReadRequest(identityAddress), V4_WAIT_READ_MEMORY, &reply))
            text = IdentityText(reply);
        if (text.empty())
            text = "NA";
        CTsLog::GetInstance().Debug("PSN:%s", text.c_str());
        texts[id] = text;
    }
}

bool CTsV4Program::ReadMeasureInfo(MeasureTextMap& info)
{
    CTsLog& log = CTsLog::GetInstance();
    SensorIdSet found;
    SearchSensorCount(found);
    const uint16_t identity = V4RecordsOfType(m_nType).identity;
    int blankCount = 0;
    bool allRead = !found.empty();
    for (uint32_t id : found) {
        CTsFrame reply;
        std::string text;
        if (SendRecvSensor(id, ReadRequest(identity), V4_WAIT_READ_MEMORY, &reply))
            text = IdentityText(reply);
        if (text.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "PSNEmpty_Index%02d", ++blankCount);
            text = name;
        }
        log.Debug("strPsn:%s", text.c_str());
        const ReadResult read = ReadSensor(id, Bytes({V4_CMD_READ_INFO}), V4_WAIT_READ_INFO, 8, reply);
        if (read == ReadResult::NoAnswer) {
            // "MeasureInfor": the program's own log text, kept as written.
            log.Error("Read MeasureInfor Error. Addr:%.4X", id);
            allRead = false;
            continue;
        }
        if (read == ReadResult::Refused) {
            log.Error("Read MeasureInfor Error!");
            allRead = false;
            continue;
        }
        // The battery word counts 10 mV above 1.22 V.
        const CBinary& p = reply.m_Payload;
        const int word = ReadBe16(p.GetBuffer() + 6);
        char volts[32];
        std::snprintf(volts, sizeof volts, "%0.2fV", (word + 122) / 100.0);
        info[text] = volts;
    }
    EndLink(found);
    return allRead;
}

// ---- Flash and configuration writing ----

bool CTsV4Program::ProgramSensor(const SensorIdMap& ids, const CBinary& selection)
{
    CTsLog& log = CTsLog::GetInstance();
    if (ids.empty() || selection.IsEmpty()) {
        log.Error("Program Sensor F7V4, Sensors Or Config Is Error!");
        return false;
    }
    log.Debug("Start Program Sensor F7V4. TotalNum:%d", static_cast<int>(ids.size()));
    SensorIdSet targets;
    for (const auto& entry : ids)
        targets.insert(entry.first);
    ReportProgress(0);

    bool result = false;
    // The firmware index: the selection's first two bytes, big-endian.
    const int index = static_cast<int>(CBinary(selection.GetBuffer(), std::min(selection.GetSize(), 2)).ToInteger());
    CTsSnData image(m_nType, index);
    m_imageProblem = image.GetProblem();
    // A missing or damaged image is found before the first erase.
    if (!image.IsUsable()) {
        m_nErrorCode = TS_ERR_NO_IMAGE;
        log.Error("Check Sn Data Error");
    } else if (WriteSensorFlashCrc(targets, &image, V4_PROGRESS_FLASH) &&
               WriteSensorConfig(targets, image.GetConfigBlock(), V4_PROGRESS_CONFIG, &targets, &ids)) {
        ReportProgress(100);
        m_nErrorCode = TS_ERR_OK;
        result = true;
    }
    EndLink(targets);
    log.Debug("End Program Sensor %s. Result:%s", FamilyName(m_nType), result ? "Success" : "Fail");
    return result;
}

bool CTsV4Program::ReadCrcTable(const SensorIdSet& ids, uint16_t address, int reads, CBinary& table)
{
    CTsLog& log = CTsLog::GetInstance();
    table.Empty();
    const uint32_t first = ids.empty() ? 0 : *ids.begin();
    for (int i = 0; i < reads; ++i) {
        SensorFrameMap answers;
        if (!SendRecvMulti(ReadRequest(static_cast<uint16_t>(address + V4_RECORD_READ * i)), V4_WAIT_READ_MEMORY,
                           &answers, &ids)) {
            log.Error("Read CRC32 Error. Addr:%.4X", first);
            return false;
        }
        for (const auto& entry : answers) {
            if (!ids.count(entry.first))
                continue;
            const CBinary& p = entry.second.m_Payload;
            if (entry.second.m_nCommand == V4_NEGATIVE_ANSWER || p.IsEmpty() || p.GetAt(0) > p.GetSize() - 1) {
                log.Error("Read RCR32 Error!"); // the program's own text, kept as written
                return false;
            }
            table.Append(p.GetBuffer() + 1, p.GetAt(0));
        }
    }
    if (table.GetSize() < reads * V4_RECORD_READ) {
        log.Error("Read RCR32 Error!");
        return false;
    }
    return true;
}

uint16_t CTsV4Program::FirstChangedBlock(const CBinary& table, const std::vector<uint32_t>& crcs, int count,
                                         uint16_t start)
{
    uint16_t from = start;
    for (int i = 0; i < count && i < static_cast<int>(crcs.size()) && 4 * i + 4 <= table.GetSize(); ++i) {
        if (CBinary(table.GetBuffer() + 4 * i, 4).ToInteger() != crcs[static_cast<size_t>(i)])
            break;
        from = static_cast<uint16_t>(from + V4_FLASH_BLOCK);
    }
    return from;
}

bool CTsV4Program::EraseFlash(const SensorIdSet& ids, uint16_t from, uint16_t length, uint32_t waitMs)
{
    const CBinary erase = CommandWords(V4_CMD_ERASE, {length, from});
    if (SendRecvMulti(erase, waitMs, nullptr, &ids))
        return true;
    CTsLog::GetInstance().Error("Erase Flash Error!");
    return false;
}

bool CTsV4Program::CheckWritten(const SensorIdSet& ids, uint16_t crc, uint32_t waitMs)
{
    SensorFrameMap answers;
    bool ok = SendRecvMulti(CommandWords(V4_CMD_CHECK_CRC, {crc}), waitMs, &answers, &ids);
    for (const auto& entry : answers)
        ok = ok && entry.second.m_nCommand != V4_NEGATIVE_ANSWER;
    if (!ok)
        CTsLog::GetInstance().Error("Check Sensor Error!");
    return ok;
}

bool CTsV4Program::WriteImageBlocks(const SensorIdSet& ids, CTsSnData& image, uint16_t from, uint32_t length,
                                    bool skipBelow, uint8_t startPercent, int pieceBytes, uint32_t announceWaitMs,
                                    uint32_t writeWaitMs, uint32_t checkWaitMs)
{
    CTsLog& log = CTsLog::GetInstance();
    const CBinary announce = CommandWords(V4_CMD_ANNOUNCE_WRITE, {static_cast<uint16_t>(length), from});
    if (!SendRecvMulti(announce, announceWaitMs, nullptr, &ids)) {
        log.Error("Req Write Error!");
        return false;
    }
    const CTsVerify& verify = CTsVerify::GetInstance();
    uint8_t sequence = 0;
    uint16_t crc = V4_WRITE_CRC_INIT;
    uint32_t written = 0;
    image.Rewind();
    for (CBinary block = image.GetDataBlock(); !block.IsEmpty(); block = image.GetDataBlock()) {
        const uint16_t address = ReadBe16(block.GetBuffer());
        if (skipBelow && address < from)
            continue;
        const uint8_t* data = block.GetBuffer() + 2;
        const int size = block.GetSize() - 2;
        const int piece = pieceBytes > 0 ? pieceBytes : size;
        for (int at = 0; at < size; at += piece) {
            const int n = std::min(piece, size - at);
            const uint16_t pieceAddress = static_cast<uint16_t>(address + at);
            CBinary request = WriteRequest(sequence, static_cast<uint8_t>(n), pieceAddress);
            request.Append(data + at, n);
            if (!SendRecvMulti(request, writeWaitMs, nullptr, &ids)) {
                log.Error("Write Data Error");
                return false;
            }
            ++sequence;
        }
        crc = verify.Crc16(CBinary(data, size), crc, V4_WRITE_CRC_POLY);
        written += static_cast<uint32_t>(size);
        ReportShare(startPercent, V4_PROGRESS_FLASH_SPAN, written, length);
    }
    // Blocks that end before the size the image gives would leave the flash
    // half written behind a check that passes: refused.
    if (written < length) {
        log.Error("SnData is short! %u of %u bytes", written, length);
        return false;
    }
    return CheckWritten(ids, crc, checkWaitMs);
}

bool CTsV4Program::StartFlashWrite(const CTsSnData* image, uint8_t startPercent)
{
    ReportProgress(startPercent);
    if (!image || !image->IsLoaded()) {
        m_nErrorCode = TS_ERR_NO_IMAGE;
        CTsLog::GetInstance().Error("SnData is NULL!");
        return false;
    }
    m_nErrorCode = TS_ERR_WRITE_FAILED;
    return true;
}

bool CTsV4Program::WriteImageSkipping(const SensorIdSet& ids, CTsSnData& image, uint8_t startPercent, bool tableFits,
                                      const V4FlashArea& area)
{
    const uint16_t start = static_cast<uint16_t>(m_nV4FlashHigh << 8);
    uint16_t from = start;
    const bool skipping = ids.size() == 1 && m_nBootVersion >= V4_BOOT_WITH_CRC_TABLE && tableFits;
    if (skipping) {
        CBinary table;
        if (!ReadCrcTable(ids, area.crcTable, area.crcTableReads, table))
            return false;
        from = FirstChangedBlock(table, image.GetTrailerValues(), area.comparedCrcs, start);
    }
    if (!EraseFlash(ids, from, static_cast<uint16_t>(area.imageEnd - from), area.eraseWaitMs))
        return false;
    // The image size that decides what is written is the image's total-size
    // word: the number of flash data bytes its blocks hold.
    const uint32_t size = image.GetTotalSize();
    if (size == 0) {
        CTsLog::GetInstance().Error("SnData is empty!");
        return false;
    }
    const uint32_t skipped = static_cast<uint32_t>(from - start);
    return size <= skipped || WriteImageBlocks(ids, image, from, size - skipped, skipping, startPercent, 0,
                                               area.announceWaitMs, V4_WAIT_WRITE_BLOCK, area.checkWaitMs);
}

bool CTsV4Program::WriteSensorFlash(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent)
{
    const uint16_t imageEnd = Layout().flash.imageEnd;
    CTsLog& log = CTsLog::GetInstance();
    if (!StartFlashWrite(image, startPercent))
        return false;
    const uint16_t start = static_cast<uint16_t>(m_nV4FlashHigh << 8);
    if (!EraseFlash(ids, start, static_cast<uint16_t>(imageEnd - start), V4_WAIT_ERASE_ALL))
        return false;
    const uint32_t size = image->GetTotalSize();
    if (size == 0) {
        log.Error("SnData is empty!");
        return false;
    }
    if (!WriteImageBlocks(ids, *image, start, size, false, startPercent, 32, V4_WAIT_ANNOUNCE, V4_WAIT_WRITE_HALF,
                          V4_WAIT_CHECK))
        return false;
    m_nErrorCode = TS_ERR_OK;
    return true;
}

CBinary CTsV4Program::PatchConfig(const CBinary& config, uint32_t sensorId, const CBinary& temperature,
                                  const CBinary& battery) const
{
    CBinary block(config.GetBuffer(), config.GetSize());
    if (block.GetSize() != V4_CONFIG_BYTES)
        return block;
    auto put = [&block](int at, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes)
            block.SetAt(at++, b);
    };
    SetBe32(block, 7, sensorId);
    if (!m_bKeepCfgWord)
        put(17, {0x06, 0x00});
    put(39, {0x00, 0x00});
    put(41, {temperature.GetAt(0), temperature.GetAt(1)});
    SetBe16(block, 43, m_nDate);
    put(45, {0x01});
    put(46, {battery.GetAt(0), battery.GetAt(1)});
    return block;
}

bool CTsV4Program::WriteSensorConfig(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                                     const SensorIdSet* keepAwake, const SensorIdMap* newIds)
{
    const V4Records& records = Layout().records;
    CTsLog& log = CTsLog::GetInstance();
    ReportProgress(startPercent);
    // Set before the length check: after a flash write that went well the
    // code is 0, and a missing block must not leave it there.
    m_nErrorCode = TS_ERR_WRITE_FAILED;
    if (config.GetSize() != V4_CONFIG_BYTES) {
        log.Error("Cfg Len Is Not 64. is %d", config.GetSize());
        return false;
    }
    // No sensor written is no success.
    bool result = !ids.empty();
    int n = 1;
    for (uint32_t id : ids) {
        if (!WriteOneConfig(id, config, newIds, records)) {
            result = false;
            continue;
        }
        if (n % V4_KEEP_AWAKE_EVERY == 0 && keepAwake &&
            !SendRecvMulti(Bytes({V4_CMD_KEEP_LINK}), V4_WAIT_KEEP_AWAKE, nullptr, keepAwake)) {
            // The sensors after this one are not written: no success.
            log.Error("Keep Link error!");
            result = false;
            break;
        }
        ReportProgress(static_cast<uint8_t>(startPercent + n * V4_PROGRESS_CONFIG_SPAN / static_cast<int>(ids.size())));
        ++n;
    }
    m_nErrorCode = result ? TS_ERR_OK : TS_ERR_WRITE_FAILED;
    return result;
}

bool CTsV4Program::WriteOneConfig(uint32_t sensorId, const CBinary& config, const SensorIdMap* newIds,
                                  const V4Records& records)
{
    CTsLog& log = CTsLog::GetInstance();
    CTsFrame reply;
    // The information record gives the battery (6-7) and temperature (8-9) words.
    if (ReadSensor(sensorId, Bytes({V4_CMD_READ_INFO}), V4_WAIT_READ_INFO, 10, reply) != ReadResult::Ok) {
        log.Error("Req Wirte Cfg Error. Addr:%.4X", sensorId); // the program's own text, kept as written
        return false;
    }
    const CBinary battery(reply.m_Payload.GetBuffer() + 6, 2);
    const CBinary temperature(reply.m_Payload.GetBuffer() + 8, 2);
    CBinary identity;
    if (!ReadMemory(sensorId, records.identity, V4_RECORD_READ, "PSN", identity))
        return false;
    m_aPsnBlocks.Add(identity);

    // The id the application chose for this sensor; one it did not name keeps its own.
    uint32_t written = sensorId;
    if (newIds) {
        auto entry = newIds->find(sensorId);
        if (entry != newIds->end())
            written = entry->second;
    }

    if (!SendRecvSensor(sensorId, CommandWords(V4_CMD_ANNOUNCE_WRITE, {V4_CONFIG_BYTES, records.config}),
                        V4_WAIT_CONFIG_ANNOUNCE)) {
        log.Error("Req Wirte Cfg Error. Addr:%.4X", sensorId);
        return false;
    }
    const CBinary patched = PatchConfig(config, written, temperature, battery);
    CBinary write = WriteRequest(0, V4_CONFIG_BYTES, records.config);
    write.Append(patched);
    if (!SendRecvSensor(sensorId, write, V4_WAIT_CONFIG_WRITE)) {
        log.Error("Write Cfg Error. Addr:%.4X", sensorId);
        return false;
    }
    const uint16_t crc = CTsVerify::GetInstance().Crc16(patched, V4_WRITE_CRC_INIT, V4_WRITE_CRC_POLY);
    if (ReadSensor(sensorId, CommandWords(V4_CMD_CHECK_CRC, {crc}), V4_WAIT_CONFIG_CHECK, 0, reply) != ReadResult::Ok) {
        log.Error("Check Sensor Error!");
        return false;
    }
    // Only a block the sensor has checked counts as written: the set names
    // the sensors that now carry their id.
    m_setWrittenIds.insert(written);
    return true;
}

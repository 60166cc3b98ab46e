#include "TsActive.h"

#include "BitField.h"
#include "Clock.h"
#include "DataSheet.h"
#include "LFConfig.h"
#include "ProtocolText.h"
#include "SerialPort.h"
#include "TsEnDecode.h"
#include "TsLog.h"
#include "TsReceive.h"

#include <algorithm>

namespace {

constexpr int SH_STATES_LENGTH = 52;
constexpr int SH_STATES_POSITION = 53;
constexpr int SH_STATES_SIZE = 54;
constexpr int SH_STATES_CODE = 55;
constexpr int SH_STATES_CODE_MAX = 40;

// Bits 24 to 27 select the variant of a protocol; 16 to 19 are dropped when
// the identifier itself has no record.
constexpr uint32_t VARIANT_MASK = 0x0F000000u;
constexpr int VARIANT_SHIFT = 24;
constexpr uint32_t SUBTYPE_MASK = 0x000F0000u;

CBinary ConfigBytes(const CBinary& element)
{
    std::string text = BinaryToString(element);
    ReplaceAll(" ", text, "");
    return HexTextToBinary(text, ",");
}

// The low count bits of value, most significant first, in (count + 7) / 8 bytes.
CBinary LeadingBits(uint64_t value, int count)
{
    std::string digits;
    for (int i = count - 1; i >= 0; --i)
        digits += i < 64 && ((value >> i) & 1) ? '1' : '0';
    CBinary out;
    for (size_t i = 0; i < digits.size(); i += 8) {
        uint8_t byte = 0;
        for (size_t j = 0; j < 8; ++j)
            byte = static_cast<uint8_t>((byte << 1) | (i + j < digits.size() && digits[i + j] == '1'));
        out.Add(byte);
    }
    return out;
}

bool HasAnswer(const CSensorInfo& info) { return !info.IsEmpty(); }

} // namespace

void ReverseBitsInBytes(CBinary& bytes)
{
    for (int i = 0, n = bytes.GetSize(); i < n; ++i)
        bytes.SetAt(i, ReverseBits(bytes.GetBuffer()[i]));
}

CTsActive::CTsActive(uint32_t protocolId) : m_pNetLayer(std::make_unique<CTsNetlayer>()), m_ProtocolID(protocolId)
{
    if (!g_bSerialOpen)
        SerialOpen(g_nBrelkPort);
    g_bAbort.Clear();
}

CTsActive::~CTsActive() = default;

std::vector<uint32_t> CTsActive::Candidates(CDataSheet& sheet) const
{
    std::vector<uint32_t> candidates;
    uint32_t id = m_ProtocolID;
    if (!sheet.Lookup(IntegerToBinary(id, 4)).m_aContain.empty())
        candidates.push_back(id);
    else
        id &= ~SUBTYPE_MASK;
    for (uint32_t v = 0; v < 16; ++v) {
        const uint32_t variant = (id & ~VARIANT_MASK) | (v << VARIANT_SHIFT);
        if (!sheet.Lookup(IntegerToBinary(variant, 4)).m_aContain.empty())
            candidates.push_back(variant);
    }
    return candidates;
}

int CTsActive::Test()
{
    CTsLog& log = CTsLog::GetInstance();
    m_LastRecv.Empty();
    m_LastDecoded.Empty();
    CDataSheet sheet;
    if (!sheet.OpenTable("Active.tab"))
        return 0;
    const std::vector<uint32_t> candidates = Candidates(sheet);
    if (!m_pNetLayer) {
        log.Error("m_pNetLayer is NULL");
        m_Result = CSensorInfo();
        return 0;
    }
    const bool reset = m_pNetLayer->Reset();
    m_bResetDone = true;

    const uint32_t start = GetTickCount();
    while (TicksSince(start, GetTickCount()) < ACTIVE_TIME_BUDGET_MS) {
        if (!reset) {
            log.Error("Reset---Failed");
            break;
        }
        if (g_bAbort.IsSet()) {
            log.Debug("User cancel !");
            break;
        }
        m_Result = CSensorInfo();
        for (uint32_t candidate : candidates) {
            m_bTriggerSent = false;
            log.Debug("**ProtocolID is %.8X**", candidate);
            m_Result = Active(sheet.Lookup(IntegerToBinary(candidate, 4)));
            if (HasAnswer(m_Result))
                break;
        }
        if (HasAnswer(m_Result) && !m_bSpecial)
            break;
        // No answer, or only a special one: try again after a short pause.
        if (TicksSince(start, GetTickCount()) < ACTIVE_TIME_BUDGET_MS)
            Sleep(ACTIVE_PASS_PAUSE_MS);
    }
    m_pNetLayer->Reset();
    sheet.Close();
    return 0;
}

CSensorInfo CTsActive::Active(const CBinaryGroup& record)
{
    CTsLog& log = CTsLog::GetInstance();
    const std::vector<CBinary>& items = record.m_aContain;
    if (items.size() < 3) {
        log.Error("Active Error. Config Size is: %d", static_cast<int>(items.size()));
        return CSensorInfo();
    }
    const CBinary lf = ConfigBytes(items[0]);
    const CBinary rf = ConfigBytes(items[1]);
    const CBinary param = ConfigBytes(items[2]);
    log.Debug("The Lf Cfg: %s", BinaryToString(items[0]).c_str());
    log.Debug("The Rf Cfg: %s", BinaryToString(items[1]).c_str());
    log.Debug("The Rf Cfg: %s", BinaryToString(items[2]).c_str());
    // Every record starts from an empty block, so a record without special
    // sync texts is not checked against the state codes of the one before.
    m_ShConfig.fill(0);
    if (items.size() >= 4)
        CRFConfig::ParseShConfig(items[3], items.size() >= 5 ? items[4] : CBinary(), m_ShConfig);
    return ActiveOnce(lf, rf, param);
}

namespace {

// The received chips as the frame type lays them out for decoding.
CBinary BuildFrame(const CRFConfig& rf, const CBinary& received)
{
    switch (rf.FrameType) {
    case 0xFF: return rf.BuildShData(received);
    case 0xFC: return rf.BuildShData2(received);
    case 0xFD:
    case 0xF9:
    case 0x09: return rf.BuildShDataShift6(received);
    case 0xFA: return rf.BuildShDataAa(received);
    case 0x0A: return rf.BuildMarkShift6(received);
    case 0xF8: return rf.BuildShData2Shift4(received);
    default: return received;
    }
}

} // namespace

bool CTsActive::ReadFrame(const CRFConfig& rf, const CBinary& received, uint8_t startLevel, const CBinary& param,
                          CSensorInfo& info)
{
    CTsLog& log = CTsLog::GetInstance();
    const uint8_t type = rf.FrameType;
    const CBinary frame = BuildFrame(rf, received);
    m_LastRecv = frame;
    log.HexDump(frame, "Recv Data Is:");
    int errors = 0;
    CBinary decoded = CTsEnDecode::GetInstance().Decode(frame, rf.CodeType, errors, startLevel);
    m_LastDecoded = decoded;
    log.HexDump(decoded, "Recv DecodeData Is:");
    if (decoded.IsEmpty())
        return false;
    if (type == 0xFD || type == 0xFB || type == 0xFA)
        ReverseBitsInBytes(decoded);
    m_bSpecial = false;
    const int check = rf.CheckRfData(decoded);
    if (check == RF_CHECK_INVALID)
        return false;
    if (check == RF_CHECK_STATE_UNLISTED)
        m_bSpecial = true;
    if (type == 0xFB)
        ReverseBitsInBytes(decoded);
    info.Parse(decoded, param, m_bSpecial ? 1 : 0);
    log.Debug("SpecialRFID: %d", static_cast<int>(m_SpecialRfId));
    if (m_SpecialRfId != 0)
        m_LastDecoded = ReplaceStateUpdate(decoded);
    return true;
}

CSensorInfo CTsActive::ActiveOnce(const CBinary& lfBytes, const CBinary& rfBytes, const CBinary& param)
{
    CTsLog& log = CTsLog::GetInstance();
    CLFConfig lf;
    if (!lf.Init(lfBytes)) {
        log.Error("%s Init LfCfg Error.", "CTsActive::Active");
        return CSensorInfo();
    }
    // Count frames instead of waiting the whole time-out, and trigger once.
    lf.Times = 0;
    lf.DurationTm &= ~RECV_WAIT_WHOLE_TIMEOUT;
    CRFConfig rf;
    if (!rf.Init(rfBytes)) {
        log.Error("%s Init RfCfg Error.", "CTsActive::Active");
        return CSensorInfo();
    }
    const int codes = std::min<int>(m_ShConfig[SH_STATES_SIZE], SH_STATES_CODE_MAX);
    rf.SetStatesCode(CBinary(m_ShConfig.data() + SH_STATES_CODE, codes), m_ShConfig[SH_STATES_POSITION],
                     m_ShConfig[SH_STATES_LENGTH]);
    m_pNetLayer->SetRfConfig(lf, rf);

    if (!m_bTriggerSent && m_bResetDone) {
        const CBinary trigger =
            lfBytes.GetSize() > 11 ? CBinary(lfBytes.GetBuffer() + 11, lfBytes.GetSize() - 11) : CBinary();
        m_pNetLayer->Send(trigger);
        m_bTriggerSent = true;
    }
    CTsReceive recv;
    m_pNetLayer->Recv(recv);

    for (const CBinary& received : recv) {
        CSensorInfo info;
        if (ReadFrame(rf, received, recv.m_status == 1 ? 0x80 : 0, param, info))
            return info;
    }
    return CSensorInfo();
}

CBinary CTsActive::ReplaceStateUpdate(const CBinary& decoded)
{
    CTsLog& log = CTsLog::GetInstance();
    CDataSheet sheet;
    if (!sheet.OpenTable("RfSpecialCodeConfig.tab"))
        return decoded;
    log.HexDump(decoded, "Recv DecodeData Is (before Replace):");
    const CBinaryGroup groups = sheet.Lookup(IntegerToBinary(m_SpecialRfId, 4));
    CBinary frame = decoded;
    for (size_t i = 0; i < groups.m_aContain.size(); ++i) {
        std::string text = BinaryToString(groups.m_aContain[i]);
        log.Debug("The StateGroupData[%d]: %s", static_cast<int>(i), text.c_str());
        ReplaceAll(" ", text, "");
        const CBinary group = HexTextToBinary(text, ",");
        if (group.GetSize() < 3 || group.GetAt(1) < 1 || group.GetAt(1) > 8)
            return decoded;
        const int count = group.GetAt(1);
        SetBits(LeadingBits(group.GetAt(2), count), frame, group.GetAt(0), count);
    }
    const CRFConfig& rf = m_pNetLayer->m_RfConfig;
    log.HexDump(frame, "Recv DecodeData Is (ReplaceStateUpdate->CheckCalculate before):");
    SetBits(LeadingBits(rf.CalcVerify(frame), rf.m_VfLen), frame, rf.m_VfPos, rf.m_VfLen);
    log.HexDump(frame, "Recv DecodeData Is (ReplaceStateUpdate->CheckCalculate after):");
    return frame;
}

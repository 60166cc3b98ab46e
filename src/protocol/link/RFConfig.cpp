#include "RFConfig.h"

#include "BitField.h"
#include "ByteOrder.h"
#include "ProtocolText.h"
#include "TsLog.h"
#include "TsVerify.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// count bytes of b from byte `from` on; bytes behind its end read as 0.
std::vector<uint8_t> BytesOf(const CBinary& b, long from, long count)
{
    std::vector<uint8_t> out(static_cast<size_t>(std::max(0L, count)), 0);
    for (long i = 0; i < count; ++i)
        if (from + i >= 0 && from + i < b.GetSize())
            out[static_cast<size_t>(i)] = b.GetBuffer()[from + i];
    return out;
}

CBinary ToBinary(const std::vector<uint8_t>& v) { return CBinary(v.data(), static_cast<int>(v.size())); }

// The last n sync-header bytes (fewer when it is shorter), then the frame.
std::vector<uint8_t> SyncTailAndFrame(const CBinary& sync, int n, const CBinary& frame)
{
    int take = std::min(n, sync.GetSize());
    std::vector<uint8_t> v(sync.GetBuffer() ? sync.GetBuffer() + sync.GetSize() - take : nullptr,
                           sync.GetBuffer() ? sync.GetBuffer() + sync.GetSize() : nullptr);
    if (frame.GetSize() > 0)
        v.insert(v.end(), frame.GetBuffer(), frame.GetBuffer() + frame.GetSize());
    return v;
}

// Byte i = (v[i] << 6) | (v[i+1] >> 2); the last byte v[last] << 6.
CBinary Shift6(const std::vector<uint8_t>& v)
{
    std::vector<uint8_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        uint8_t next = i + 1 < v.size() ? v[i + 1] : 0;
        out[i] = static_cast<uint8_t>((v[i] << 6) | (next >> 2));
    }
    return ToBinary(out);
}

// Byte i = (v[i] << 4) | (v[i+1] >> 4); the last byte is dropped.
CBinary Shift4DropLast(const std::vector<uint8_t>& v)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < v.size(); ++i)
        out.push_back(static_cast<uint8_t>((v[i] << 4) | (v[i + 1] >> 4)));
    return ToBinary(out);
}

void InsertZeros(CBinary& range, int count, int position)
{
    static const uint8_t zero = 0;
    InsertBits(CBinary(&zero, 1), 0, count, range, position);
}

} // namespace

bool CRFConfig::Init(const CBinary& config)
{
    CTsLog& log = CTsLog::GetInstance();
    const int size = config.GetSize();
    if (size <= 20) {
        log.Error("RFConfig Init Error. Length less than 21. %d", size);
        return false;
    }
    const uint8_t* b = config.GetBuffer();
    if (b[0] >= 64) {
        log.Error("RFConfig Init RecvMode Error. Mode Is %d", b[0]);
        return false;
    }
    RecvMode = b[0];
    Bps = ReadBe16(b + 1);
    if (b[4] >= 9) {
        log.Error("RFConfig Init Decode Type. Type Is %d", b[4]);
        return false;
    }
    const uint8_t vfLen = b[15];
    const uint16_t shSize = ReadBe16(b + 19);
    const int maskBytes = (vfLen + 7) / 8;
    const int shBytes = (shSize + 7) / 8;
    const int needed = 21 + maskBytes + shBytes;
    // Both blocks must be there before anything is read from them.
    if (size < needed) {
        log.Error("RFConfig Init Error. Length less than %d. %d", needed, size);
        return false;
    }

    Bps2 = b[3];
    CodeType = b[4];
    RfCfgSize = ReadBe16(b + 5);
    m_VfType = ReadBe16(b + 7);
    PreValue = ReadBe16(b + 9);
    Ploy = ReadBe16(b + 11);
    m_VfPos = ReadBe16(b + 13);
    m_VfLen = vfLen;
    SHWidth = ReadBe16(b + 16);
    SHWidth2 = b[18];
    SHSize = shSize;
    CheckMask = CBinary(b + 21, maskBytes).ToInteger();
    m_SHData = CBinary(b + 21 + maskBytes, shBytes);
    if (size > needed)
        FrameType = b[size - 1];

    log.Debug("RFConfig Init OK. RegMode(0x%X), Bps(%d:%d), SHWidth(%d:%d), SHSize(%d), CodeType(%d)", RecvMode, Bps,
              Bps2, SHWidth, SHWidth2, SHSize, static_cast<int>(CodeType));
    log.HexDump(m_SHData, "m_SHData:");
    return true;
}

CBinary CRFConfig::ToToolData() const
{
    uint32_t chipsPerBit = 2;
    if (CodeType == 4 || CodeType == 8)
        chipsPerBit = 3;
    else if (CodeType == 5)
        chipsPerBit = 1;
    // Both values are clamped to their 16 bits rather than wrapped: a rate
    // below 8 bps, or a long telegram with 3 chips per bit, would otherwise
    // send the Brelk a tiny value.
    uint32_t chipTime = Bps ? std::min<uint32_t>(500000u / Bps, 0xFFFF) : 52;
    uint32_t chips = std::min<uint32_t>(std::max<uint32_t>(chipsPerBit * RfCfgSize, 32), 0xFFFF);
    uint8_t wire[10] = {RecvMode, static_cast<uint8_t>(chipsPerBit)};
    WriteLe16(wire + 2, static_cast<uint16_t>(chipTime));
    wire[4] = Bps2;
    WriteLe16(wire + 5, static_cast<uint16_t>(chips));
    WriteLe16(wire + 7, SHWidth);
    wire[9] = SHWidth2;
    return CBinary(wire, sizeof wire);
}

void CRFConfig::CopyFrom(const CRFConfig& other)
{
    if (this != &other)
        *this = other;
}

CBinary CRFConfig::GetShData() const { return m_SHData; }

uint8_t CRFConfig::GetShLastLevel() const
{
    if (SHSize == 0 || m_SHData.GetSize() < (SHSize + 7) / 8)
        return 0;
    int bit = SHSize - 1;
    return (m_SHData.GetBuffer()[bit / 8] >> (7 - bit % 8)) & 1 ? 0x80 : 0;
}

void CRFConfig::SetStatesCode(const CBinary& codes, uint8_t position, uint8_t length)
{
    m_StatesCode = codes;
    m_StatesPos = position;
    m_StatesLen = length;
}

CBinary CRFConfig::GetVerifyRange(const CBinary& telegram) const
{
    const int pos = m_VfPos;
    std::vector<uint8_t> first = BytesOf(telegram, 0, (pos + 7) / 8);
    if (pos % 8)
        first.back() &= static_cast<uint8_t>(0xFF << (8 - pos % 8));
    CBinary range = ToBinary(first);

    switch (FrameType) {
    case 0x01: InsertZeros(range, 4, 0); break;
    case 0x02:
        InsertZeros(range, 3, 0);
        InsertZeros(range, 2, 32);
        break;
    case 0x03: InsertZeros(range, 2, 0); break;
    case 0x04: {
        static const uint8_t bits0001 = 0x10;
        InsertBits(CBinary(&bits0001, 1), 0, 4, range, 0);
        break;
    }
    case 0x05:
        InsertZeros(range, 4, 4);
        InsertZeros(range, 2, 38);
        break;
    case 0x06: InsertZeros(range, 3, 0); break;
    case 0x07:
        InsertZeros(range, 3, 5);
        InsertZeros(range, 3, 8);
        break;
    case 0x08: InsertZeros(range, 4, 4); break;
    case 0xF9: range = ToBinary(BytesOf(telegram, 1, pos / 8 - 1)); break;
    case 0xFE: InsertBits(telegram, pos + 8, 8, range, 0); break;
    default:
        if (FrameType >= 0x80 && FrameType <= 0xF7) {
            std::vector<uint8_t> v(range.GetBuffer(), range.GetBuffer() + range.GetSize());
            if (!v.empty())
                v.pop_back();
            range = ToBinary(v);
        }
        break;
    }
    return range;
}

uint32_t CRFConfig::CalcVerify(const CBinary& telegram) const
{
    return CTsVerify::GetInstance().Calc(m_VfType, GetVerifyRange(telegram), PreValue, Ploy);
}

int CRFConfig::CheckRfData(const CBinary& telegram) const
{
    CTsLog& log = CTsLog::GetInstance();
    const long bits = static_cast<long>(telegram.GetSize()) * 8;
    if (m_VfPos >= RfCfgSize && m_VfPos >= bits) {
        log.Error("%s.Check Error! The VfPos(%d) More Than RfCfgSize(%d)!", "CRFConfig::CheckRfData", m_VfPos,
                  RfCfgSize);
        return RF_CHECK_INVALID;
    }
    if (bits < RfCfgSize) {
        log.Error("%s.Check Error! The Data(%d) is Less Than RfCfgSize(%d)!", "CRFConfig::CheckRfData",
                  static_cast<int>(bits), RfCfgSize);
        return RF_CHECK_INVALID;
    }
    // GetBits gives nothing (0) for a field that runs past the telegram.
    const uint32_t received = GetBits(telegram, m_VfPos, m_VfLen).ToInteger();
    const uint32_t state = GetBits(telegram, m_StatesPos, m_StatesLen).ToInteger();
    const CBinary range = GetVerifyRange(telegram);
    const uint32_t computed = CTsVerify::GetInstance().Calc(m_VfType, range, PreValue, Ploy);

    log.Debug("m_VfType: %d (Verfiy:%s ) PreValue:%d  Ploy:%d ", m_VfType, BinaryToText(range, "", "%02X").c_str(),
              PreValue, Ploy);
    log.Debug("Check:%d CkeckRst:%d m_VfPos:%d CheckMask:%d", static_cast<int>(received), static_cast<int>(computed),
              m_VfPos, static_cast<int>(CheckMask));
    log.HexDump(m_StatesCode, "m_StatesCode: ");
    log.Debug("m_StatesPos: %d", m_StatesPos);
    log.Debug("m_StatesLen: %d", m_StatesLen);
    log.Debug("Active State Code : %d", static_cast<int>(state));

    bool found = m_StatesCode.IsEmpty();
    std::string passed;
    for (int i = 0, n = m_StatesCode.GetSize(); i < n && !found; ++i) {
        uint8_t code = m_StatesCode.GetBuffer()[i];
        passed += BinaryToText(CBinary(&code, 1), "", "0x%02X, ");
        found = code == state;
    }

    if ((computed & CheckMask) != (received & CheckMask))
        return RF_CHECK_INVALID;
    if (found)
        return RF_CHECK_VALID;
    log.Debug("-------------Triggle success! First ID is not match:%s  ID first: %02X", passed.c_str(),
              static_cast<unsigned>(state));
    return RF_CHECK_STATE_UNLISTED;
}

CBinary CRFConfig::BuildShData(const CBinary& frame) const
{
    CTsLog::GetInstance().HexDump(m_SHData, "SHDataTemp: ");
    return ToBinary(SyncTailAndFrame(m_SHData, 1, frame));
}

CBinary CRFConfig::BuildShData2(const CBinary& frame) const
{
    CTsLog::GetInstance().HexDump(m_SHData, "SHDataTemp: ");
    return ToBinary(SyncTailAndFrame(m_SHData, 2, frame));
}

CBinary CRFConfig::BuildShDataShift6(const CBinary& frame) const
{
    CTsLog::GetInstance().HexDump(m_SHData, "SHDataTemp: ");
    return Shift6(SyncTailAndFrame(m_SHData, 1, frame));
}

CBinary CRFConfig::BuildShDataAa(const CBinary& frame) const
{
    static const uint8_t aa[2] = {0xAA, 0xAA};
    return CBinary(aa, 2) + BuildShDataShift6(frame);
}

CBinary CRFConfig::BuildMarkShift6(const CBinary& frame) const
{
    CTsLog::GetInstance().HexDump(m_SHData, "SHDataTemp: ");
    static const uint8_t mark = 0x02;
    return Shift6(SyncTailAndFrame(CBinary(&mark, 1), 1, frame));
}

CBinary CRFConfig::BuildShData2Shift4(const CBinary& frame) const
{
    CTsLog::GetInstance().HexDump(m_SHData, "SHDataTemp: ");
    return Shift4DropLast(SyncTailAndFrame(m_SHData, 2, frame));
}

namespace {

std::string WithoutBlanks(const CBinary& text)
{
    std::string s = BinaryToString(text);
    ReplaceAll(" ", s, "");
    return s;
}

// Copies at most `limit` bytes of the text from `from` on, no more than it
// holds; returns how many were copied.
int CopyBounded(const uint8_t* src, int size, int from, int want, int limit, uint8_t* dst)
{
    int n = std::max(0, std::min({want, limit, size - from}));
    if (n > 0)
        std::copy(src + from, src + from + n, dst);
    return n;
}

// The sync word from the first text: four bytes, the bit count, the bits
// and the byte behind them.
void ParseSyncWord(const CBinary& d1, RfShConfigBlock& block)
{
    const int n1 = d1.GetSize();
    const uint8_t* p1 = d1.GetBuffer();
    if (n1 <= 4)
        return;
    std::copy(p1, p1 + 4, block.begin());
    const int bitCount = p1[4];
    block[4] = p1[4];
    const int len = (bitCount + 7) / 8;
    CopyBounded(p1, n1, 5, len, 40, &block[5]);
    block[45] = 5 + len < n1 ? p1[5 + len] : 0;
}

// The head of the second text and its states code; next is left on the text
// position behind the states code. Returns the size of the states code.
int ParseStates(const CBinary& d2, RfShConfigBlock& block, int& next)
{
    const int n2 = d2.GetSize();
    const uint8_t* p2 = d2.GetBuffer();
    if (n2 > 5) {
        std::copy(p2, p2 + 5, &block[46]);
        block[51] = p2[5];
    }
    if (n2 > 8) {
        block[52] = p2[6]; // states length
        block[53] = p2[7]; // states position
    }
    int statesSize = 0;
    next = n2;
    if (n2 > 13) {
        const int n = p2[8];
        statesSize = CopyBounded(p2, n2, 9, n, 40, &block[55]);
        next = 9 + n;
    } else if (n2 > 8) {
        statesSize = CopyBounded(p2, n2, 8, n2 - 8, 40, &block[55]);
        next = n2;
    }
    if (n2 > 8)
        block[54] = static_cast<uint8_t>(statesSize);
    return statesSize;
}

// A length-prefixed space code at text position next, stored as its size at
// block[sizeAt] and its bytes behind it; next moves past it. Returns its size.
int ParseSpace(const CBinary& d2, int& next, RfShConfigBlock& block, size_t sizeAt)
{
    const int n2 = d2.GetSize();
    const uint8_t* p2 = d2.GetBuffer();
    if (next >= n2)
        return 0;
    const int size = CopyBounded(p2, n2, next + 1, p2[next], 40, &block[sizeAt + 1]);
    block[sizeAt] = static_cast<uint8_t>(size);
    next += 1 + p2[next];
    return size;
}

} // namespace

void CRFConfig::ParseShConfig(const CBinary& first, const CBinary& second, RfShConfigBlock& block)
{
    CTsLog& log = CTsLog::GetInstance();
    const std::string text1 = WithoutBlanks(first);
    const std::string text2 = WithoutBlanks(second);
    log.Debug("The RfSH Cfg: %s", text1.c_str());
    log.Debug("The RfSH Cfg01: %s", text2.c_str());
    const CBinary d1 = HexTextToBinary(text1, ",");
    const CBinary d2 = HexTextToBinary(text2, ",");

    ParseSyncWord(d1, block);
    int next = 0; // text position behind the states code
    const int statesSize = ParseStates(d2, block, next);
    log.Debug("StatesBytesSize: %d", statesSize);
    log.HexDump(CBinary(&block[55], statesSize), "StatesCode: ");

    const int askSize = ParseSpace(d2, next, block, 95);
    log.Debug("AskSpaceSize: %d", askSize);
    log.HexDump(CBinary(&block[96], askSize), "AskSpaceBuf: ");

    const int fskSize = ParseSpace(d2, next, block, 136);
    log.Debug("FskSpaceSize: %d", fskSize);
    log.HexDump(CBinary(&block[137], fskSize), "FskSpaceBuf: ");
}

#pragma once
// How the Brelk listens on its radio receiver, what a valid sensor telegram
// looks like (its check field and state code), and how raw received frames of
// some telegram types are prepared before decoding.
#include "ConfigBase.h"

#include <array>
#include <cstdint>

// The special sync configuration block that ParseShConfig fills.
constexpr int RF_SH_CONFIG_SIZE = 177;
using RfShConfigBlock = std::array<uint8_t, RF_SH_CONFIG_SIZE>;

// Results of CRFConfig::CheckRfData.
constexpr int RF_CHECK_INVALID = 0;
constexpr int RF_CHECK_VALID = 1;
constexpr int RF_CHECK_STATE_UNLISTED = 2; // the check holds, the state code is not listed

class CRFConfig : public CConfigBase {
public:
    // Input form (big-endian): [0] RecvMode, [1-2] Bps, [3] Bps2, [4] CodeType,
    // [5-6] RfCfgSize, [7-8] m_VfType, [9-10] PreValue, [11-12] Ploy,
    // [13-14] m_VfPos, [15] m_VfLen, [16-17] SHWidth, [18] SHWidth2,
    // [19-20] SHSize, then CheckMask in (m_VfLen + 7) / 8 bytes, m_SHData in
    // (SHSize + 7) / 8 bytes, and, when more follows, the frame-type byte as
    // the last byte. False when the input does not hold all of that.
    bool Init(const CBinary& config) override;
    // 10 bytes: RecvMode, chips per bit, chip time in microseconds, Bps2, chip
    // count, SHWidth, SHWidth2; multi-byte values little-endian.
    CBinary ToToolData() const override;

    // Every field; the buffers are shared.
    void CopyFrom(const CRFConfig& other);
    CBinary GetShData() const;
    // The last sync-header bit as 0x80 (1) or 0: the start level for decoding.
    // 0 when the sync bytes do not hold SHSize bits.
    uint8_t GetShLastLevel() const;
    void SetStatesCode(const CBinary& codes, uint8_t position, uint8_t length);

    // RF_CHECK_INVALID, RF_CHECK_VALID or RF_CHECK_STATE_UNLISTED for a decoded
    // telegram. Never reads past its end.
    int CheckRfData(const CBinary& telegram) const;
    // The check value the telegram should carry.
    uint32_t CalcVerify(const CBinary& telegram) const;
    // The bits before m_VfPos, changed as the frame-type byte says; bits the
    // telegram lacks read as 0.
    CBinary GetVerifyRange(const CBinary& telegram) const;

    // Preparations of a received, still line-coded frame, chosen by the caller
    // from the frame-type byte.
    CBinary BuildShData(const CBinary& frame) const;        // FF: last sync byte, frame
    CBinary BuildShData2(const CBinary& frame) const;       // FC: last two sync bytes, frame
    CBinary BuildShDataShift6(const CBinary& frame) const;  // FD, F9, 09: as FF, 6 bits earlier
    CBinary BuildShDataAa(const CBinary& frame) const;      // FA: AA AA, then as FD
    CBinary BuildMarkShift6(const CBinary& frame) const;    // 0A: 02, frame, 6 bits earlier
    CBinary BuildShData2Shift4(const CBinary& frame) const; // F8: as FC, 4 bits earlier, one byte shorter

    // Fills the block from two texts of comma-separated hexadecimal bytes
    // (spaces are ignored). Every copy is bounded by the bytes the texts hold,
    // and the size bytes 54, 95 and 136 give the bytes actually copied.
    static void ParseShConfig(const CBinary& first, const CBinary& second, RfShConfigBlock& block);

    uint8_t RecvMode = 64; // receiver mode, below 64 once parsed
    uint16_t Bps = 0;      // data rate in bits per second
    uint8_t Bps2 = 0;
    uint32_t CodeType = 0;  // line code of the telegram, 0 to 8
    uint16_t RfCfgSize = 0; // telegram length in bits
    uint16_t m_VfType = 0;  // verify type
    uint16_t PreValue = 0;  // initial value of the check
    uint16_t Ploy = 0;      // polynomial of the check
    uint16_t m_VfPos = 0;   // bit position of the check field; the checked bits lie before it
    uint8_t m_VfLen = 0;    // width of the check field in bits
    uint16_t SHWidth = 0;
    uint8_t SHWidth2 = 0;
    uint16_t SHSize = 0; // sync-header length in bits
    uint32_t CheckMask = 255;
    CBinary m_SHData;      // (SHSize + 7) / 8 sync-header bytes
    uint8_t FrameType = 0; // selects the verify-range rule and the frame preparation
    CBinary m_StatesCode;  // accepted state codes; empty accepts every one
    uint8_t m_StatesPos = 0;
    uint8_t m_StatesLen = 0;
};

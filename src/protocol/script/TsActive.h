#pragma once
// "Test Sensor": wakes a fitted sensor with the LF trigger of an "Active.tab"
// record, listens for its RF telegram, decodes and checks it and reads the
// identifier, pressure, temperature and battery state out of it.
//
// An "Active.tab" record (keyed by the 32-bit protocol identifier, big-endian)
// holds texts of ","-separated hexadecimal bytes: [0] the LF input form and
// the trigger data behind it, [1] the RF input form, [2] the parameter
// configuration (CSensorInfo), and optionally [3] and [4] the special sync
// configuration (CRFConfig::ParseShConfig).
//
// A run tries the identifier and its variants (bits 24 to 27 set to 0 to 15)
// pass after pass until a sensor gives an ordinary answer, the user stops or
// ACTIVE_TIME_BUDGET_MS have passed.
#include "Binary.h"
#include "RFConfig.h"
#include "SensorInfo.h"
#include "TsNetlayer.h"

#include <cstdint>
#include <memory>
#include <vector>

class CDataSheet;

constexpr uint32_t ACTIVE_TIME_BUDGET_MS = 60000;
// Pause between passes: the abort flag is looked at after it, and a Brelk
// that answers at once is not flooded with triggers.
constexpr uint32_t ACTIVE_PASS_PAUSE_MS = 10;

// Reverses the bit order inside every byte (bit 0 becomes bit 7, and so on).
void ReverseBitsInBytes(CBinary& bytes);

class CTsActive {
public:
    // Opens the Brelk's port when it is closed and clears g_bAbort, so a stop
    // of an earlier operation does not end this run.
    explicit CTsActive(uint32_t protocolId);
    // Deleting the link closes the Brelk's port.
    virtual ~CTsActive();
    CTsActive(const CTsActive&) = delete;
    CTsActive& operator=(const CTsActive&) = delete;

    // Runs the test; always 0, the outcome is GetSensorInfo.
    int Test();
    // The kept result; all four values 0 when no sensor answered.
    CSensorInfo GetSensorInfo() const { return m_Result; }
    // One attempt with one "Active.tab" record.
    CSensorInfo Active(const CBinaryGroup& record);
    // One trigger and receive with parsed configuration bytes.
    CSensorInfo ActiveOnce(const CBinary& lf, const CBinary& rf, const CBinary& param);
    // Writes the state groups of the "RfSpecialCodeConfig.tab" record of
    // m_SpecialRfId into a decoded telegram and recomputes its check field.
    // A record element is [0] the bit position, [1] the bit count (1 to 8),
    // [2] the value in the low bits; any other count leaves the telegram as it
    // was. Used only while m_SpecialRfId is not 0.
    CBinary ReplaceStateUpdate(const CBinary& decoded);
    // The protocol identifiers a run tries, in order.
    std::vector<uint32_t> Candidates(CDataSheet& sheet) const;

    const CBinary& LastReceived() const { return m_LastRecv; }
    const CBinary& LastDecoded() const { return m_LastDecoded; }

    std::unique_ptr<CTsNetlayer> m_pNetLayer;
    // Switches ReplaceStateUpdate on and keys its record; nothing sets it.
    uint32_t m_SpecialRfId = 0;

private:
    // Lays out, decodes, checks and parses one received frame into info;
    // false when it does not decode or its check field is wrong.
    bool ReadFrame(const CRFConfig& rf, const CBinary& received, uint8_t startLevel, const CBinary& param,
                   CSensorInfo& info);

    uint32_t m_ProtocolID;
    CSensorInfo m_Result;
    CBinary m_LastRecv;
    CBinary m_LastDecoded;
    RfShConfigBlock m_ShConfig{};
    bool m_bTriggerSent = false;
    bool m_bResetDone = false;
    bool m_bSpecial = false;
};

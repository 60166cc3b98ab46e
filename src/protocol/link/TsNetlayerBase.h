#pragma once
// The link layer every programming object and test run owns: the LF and RF
// settings of the next Brelk command and the number of reply frames to wait
// for. The exchange itself is the derived class's.
#include "Binary.h"
#include "LFConfig.h"
#include "RFConfig.h"

#include <cstdint>

class CTsReceive;

class CTsNetlayerBase {
public:
    CTsNetlayerBase() = default;
    virtual ~CTsNetlayerBase() = default;
    CTsNetlayerBase(const CTsNetlayerBase&) = delete;
    CTsNetlayerBase& operator=(const CTsNetlayerBase&) = delete;

    // Takes every LF setting and the whole RF configuration (its buffers shared).
    virtual void SetRfConfig(const CLFConfig& lf, const CRFConfig& rf);
    // Resets the Brelk; the base has no Brelk and does nothing.
    virtual bool Reset() { return true; }
    // One command out, the reply frames in.
    virtual void SendRecv(CTsReceive& recv, const CBinary& data) = 0;
    virtual bool Send(const CBinary& data) = 0;
    virtual void Recv(CTsReceive& recv) = 0;

    // Replaces the sync header; bitLength -1 means 8 bits per byte given.
    void SetShData(int bitLength, const CBinary& bytes);
    // Sets VolMode and BridgeMode from their one-byte form: bits 0-1 the
    // voltage, bits 6-7 the bridge mode.
    void SetDriveByte(uint8_t drive);

    CLFConfig m_LfConfig;
    CRFConfig m_RfConfig;
    // Reply frames the next receive waits for; 0 reads nothing at all.
    uint16_t m_nRecvFrames = 1;
};

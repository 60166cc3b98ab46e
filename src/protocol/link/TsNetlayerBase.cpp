#include "TsNetlayerBase.h"

void CTsNetlayerBase::SetRfConfig(const CLFConfig& lf, const CRFConfig& rf)
{
    m_LfConfig = lf;
    m_RfConfig.CopyFrom(rf);
}

void CTsNetlayerBase::SetShData(int bitLength, const CBinary& bytes)
{
    m_RfConfig.m_SHData = bytes;
    const int bits = bitLength == -1 ? 8 * bytes.GetSize() : bitLength;
    m_RfConfig.SHSize = static_cast<uint16_t>(bits);
}

void CTsNetlayerBase::SetDriveByte(uint8_t drive)
{
    m_LfConfig.VolMode = drive & 0x03;
    m_LfConfig.BridgeMode = static_cast<uint8_t>(drive >> 6);
}

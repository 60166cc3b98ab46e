#include "LFConfig.h"

#include "TsLog.h"

bool CLFConfig::Init(const CBinary& config)
{
    if (config.GetSize() <= 10) {
        CTsLog::GetInstance().Error("Lf Init Error. Length less than 12.");
        return false;
    }
    const uint8_t* b = config.GetBuffer();
    if ((b[1] & 0x03) == 3) {
        CTsLog::GetInstance().Error("Lf Init Error. Voltage Cfg Error. %d", b[1]);
        return false;
    }
    LfMode = b[0];
    VolMode = b[1] & 0x03;
    BridgeMode = static_cast<uint8_t>(b[1] >> 6);
    Times = b[2];
    LfSpaceTm = static_cast<uint16_t>((b[3] << 8) | b[4]);
    DurationTm = (static_cast<uint32_t>(b[5]) << 24) | (static_cast<uint32_t>(b[6]) << 16) |
                 (static_cast<uint32_t>(b[7]) << 8) | b[8];
    BitWidth = (LfMode == 0 || LfMode == 1) ? static_cast<uint16_t>((b[9] << 8) | b[10]) : 128;
    return true;
}

CBinary CLFConfig::ToToolData() const
{
    const uint8_t wire[12] = {
        VolMode,
        BridgeMode,
        LfMode,
        Times,
        static_cast<uint8_t>(LfSpaceTm),
        static_cast<uint8_t>(LfSpaceTm >> 8),
        static_cast<uint8_t>(DurationTm),
        static_cast<uint8_t>(DurationTm >> 8),
        static_cast<uint8_t>(DurationTm >> 16),
        static_cast<uint8_t>(DurationTm >> 24),
        static_cast<uint8_t>(BitWidth),
        static_cast<uint8_t>(BitWidth >> 8),
    };
    CTsLog::GetInstance().Debug("VolMode:%d BridgeMode:%d LfMode:%d Times:%d LfSpaceTm:%d DurationTm:%d BitWidth:%d",
                                VolMode, BridgeMode, LfMode, Times, LfSpaceTm, static_cast<int>(DurationTm), BitWidth);
    return CBinary(wire, sizeof wire);
}

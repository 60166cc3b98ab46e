#include "LFConfig.h"

#include "ByteOrder.h"
#include "TsLog.h"

bool CLFConfig::Init(const CBinary& config)
{
    if (config.GetSize() <= 10) {
        // The program's own text, kept as written (the form needs 11 bytes).
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
    LfSpaceTm = ReadBe16(b + 3);
    DurationTm = ReadBe32(b + 5);
    BitWidth = (LfMode == 0 || LfMode == 1) ? ReadBe16(b + 9) : 128;
    return true;
}

CBinary CLFConfig::ToToolData() const
{
    uint8_t wire[12] = {VolMode, BridgeMode, LfMode, Times};
    WriteLe16(wire + 4, LfSpaceTm);
    WriteLe32(wire + 6, DurationTm);
    WriteLe16(wire + 10, BitWidth);
    CTsLog::GetInstance().Debug("VolMode:%d BridgeMode:%d LfMode:%d Times:%d LfSpaceTm:%d DurationTm:%d BitWidth:%d",
                                VolMode, BridgeMode, LfMode, Times, LfSpaceTm, static_cast<int>(DurationTm), BitWidth);
    return CBinary(wire, sizeof wire);
}

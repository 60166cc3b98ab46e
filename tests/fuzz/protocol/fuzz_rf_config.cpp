// Arbitrary RF configurations and telegrams: parse, check, prepare frames and
// fill the special sync block; nothing may read outside its input.
#include "Binary.h"
#include "RFConfig.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false; // the failures are logged on every run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    // [0] config length, [1] states position, [2] states length, [3] states-code
    // length; then the config, the states code and the telegram.
    size_t configLength = data[0];
    uint8_t statesPos = data[1];
    uint8_t statesLen = data[2];
    size_t codesLength = data[3] % 8;
    data += 4;
    size -= 4;
    if (configLength > size)
        configLength = size;
    CBinary config(data, static_cast<int>(configLength));
    data += configLength;
    size -= configLength;
    if (codesLength > size)
        codesLength = size;
    CBinary codes(data, static_cast<int>(codesLength));
    data += codesLength;
    size -= codesLength;
    CBinary telegram(data, static_cast<int>(size < 32767 ? size : 32767));

    CRFConfig rf;
    if (rf.Init(config)) {
        rf.SetStatesCode(codes, statesPos, statesLen);
        rf.ToToolData();
        rf.GetShLastLevel();
        rf.CheckRfData(telegram);
        rf.CalcVerify(telegram);
        rf.BuildShData(telegram);
        rf.BuildShData2(telegram);
        rf.BuildShDataShift6(telegram);
        rf.BuildShDataAa(telegram);
        rf.BuildMarkShift6(telegram);
        rf.BuildShData2Shift4(telegram);
    }
    RfShConfigBlock block{};
    CRFConfig::ParseShConfig(config, telegram, block);
    return 0;
}

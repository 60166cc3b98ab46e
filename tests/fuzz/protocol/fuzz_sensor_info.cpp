// Arbitrary records, as a sensor could hand them to the identity read, through
// the information check's conversion: the first four bytes give the lengths
// of up to four records cut from the rest. Nothing may be read past a
// record's end, and a refused set must leave the record as it was.
#include "Binary.h"
#include "DorvanSensorInfo.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    CBinaryGroup records;
    size_t at = 4;
    const int count = 1 + data[0] % 4;
    for (int i = 0; i < count; ++i) {
        size_t length = data[1 + i % 3];
        if (i == count - 1 || length > size - at)
            length = size - at;
        // Each record its own allocation, so a read past its end is one ASan sees.
        records.Add(CBinary(data + at, static_cast<int>(length)));
        at += length;
    }
    DorvanSensorInfo info;
    info.m_nHardVersion = 0xBEEF;
    if (!info.FillFromRecords(records)) {
        if (info.m_nHardVersion != 0xBEEF || !info.m_Identity.IsEmpty())
            __builtin_trap();
        return 0;
    }
    if (records.m_aContain.size() < 4 || info.m_Programmed.GetSize() < 48 || info.m_fPressure < 0)
        __builtin_trap();
    return 0;
}

// Arbitrary chip streams through the decoder of every code type (and the
// encoder over the same bytes); nothing may read or write outside the buffers.
#include "Binary.h"
#include "TsEnDecode.h"
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
    CBinary chips(data, static_cast<int>(size < 32767 ? size : 32767));
    const CTsEnDecode& coder = CTsEnDecode::GetInstance();
    const uint32_t types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 200, 0xFFFFFFFF};
    for (uint32_t type : types) {
        for (uint8_t start : {uint8_t(0), uint8_t(0x80)}) {
            int errors = 0;
            CBinary bits = coder.Decode(chips, type, errors, start);
            if (errors < 0 || bits.GetSize() > chips.GetSize())
                __builtin_trap();
        }
        CBinary coded = coder.Encode(chips, type);
        if (type == 0 || type == 1 || type == 4 || type == 5 || type == 8) {
            int errors = 0;
            // These codes give the data back.
            if (!coded.IsEmpty() && CBinary::Compare(coder.Decode(coded, type, errors, 0), chips) != 0)
                __builtin_trap();
        }
    }
    return 0;
}

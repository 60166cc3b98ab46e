// Arbitrary chip streams through the decoder of every code type (and the
// encoder over the same bytes); nothing may read or write outside the buffers.
// The first byte picks the code type and the start level, so that the fuzzer
// steers each type on its own.
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
    if (size < 1)
        return 0;
    static const uint32_t types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 200, 0xFFFFFFFF};
    const uint32_t type = types[(data[0] & 0x7F) % (sizeof types / sizeof types[0])];
    const uint8_t start = data[0] & 0x80;
    ++data;
    --size;
    CBinary chips(data, static_cast<int>(size < 32767 ? size : 32767));
    const CTsEnDecode& coder = CTsEnDecode::GetInstance();

    int errors = -1;
    CBinary bits = coder.Decode(chips, type, errors, start);
    if (!chips.IsEmpty() && errors < 0)
        __builtin_trap(); // the count is always set for a non-empty input
    if (bits.GetSize() > chips.GetSize())
        __builtin_trap(); // at least one chip per bit

    CBinary coded = coder.Encode(chips, type);
    if (!coded.IsEmpty() && (type == 0 || type == 1 || type == 4 || type == 5 || type == 8)) {
        // These codes give the data back.
        if (CBinary::Compare(coder.Decode(coded, type, errors, start), chips) != 0 || errors != 0)
            __builtin_trap();
    }
    return 0;
}

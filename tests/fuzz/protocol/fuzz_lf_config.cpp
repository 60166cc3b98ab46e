// LF trigger configurations as the test operation takes them from "Active.tab":
// the record's first text ("0x01, 0x02, ...") made bytes as the activation
// does, or (first byte odd) the bytes themselves. An accepted configuration
// has 11 bytes at least and a voltage below 3, and its 12-byte wire form
// carries the input's fields, little-endian.
#include "Binary.h"
#include "ByteOrder.h"
#include "LFConfig.h"
#include "ProtocolText.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false; // the refusals are logged on every run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t length = size - 1 < 32767 ? size - 1 : 32767;
    CBinary config;
    if (data[0] & 1) {
        config = CBinary(data + 1, static_cast<int>(length));
    } else {
        std::string text = BinaryToString(CBinary(data + 1, static_cast<int>(length)));
        ReplaceAll(" ", text, "");
        config = HexTextToBinary(text, ",");
    }

    CLFConfig lf;
    if (!lf.Init(config))
        return 0;
    const uint8_t* in = config.GetBuffer();
    if (config.GetSize() < 11 || lf.VolMode > 2)
        __builtin_trap();
    const CBinary wire = lf.ToToolData();
    if (wire.GetSize() != 12)
        __builtin_trap();
    const uint8_t* w = wire.GetBuffer();
    const uint16_t bitWidth = (in[0] == 0 || in[0] == 1) ? ReadBe16(in + 9) : 128;
    if (w[0] != (in[1] & 0x03) || w[1] != (in[1] >> 6) || w[2] != in[0] || w[3] != in[2] ||
        ReadLe16(w + 4) != ReadBe16(in + 3) || ReadLe32(w + 6) != ReadBe32(in + 5) || ReadLe16(w + 10) != bitWidth)
        __builtin_trap();
    return 0;
}

// Arbitrary bytes from the Brelk through the reply splitter, and every RF
// frame (as it came and line-decoded, as the programming step does) through
// the V4 reply parser; nothing may read outside the buffers, and what comes
// out must fit inside what went in.
#include "Binary.h"
#include "FakeSerialPort.h"
#include "TsEnDecode.h"
#include "TsF7V4Program.h"
#include "TsLog.h"
#include "TsReceive.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

FakeSerialPort* g_port = nullptr;
CTsF7V4Program* g_program = nullptr;

void CheckV4(const CBinary& reply)
{
    CTsFrame frame(7, 7, CBinary("x", 1));
    g_program->ParseRecvData(frame, reply, 0x1234);
    if (frame.IsEmpty()) {
        if (!frame.m_Payload.IsEmpty())
            __builtin_trap(); // a refused reply leaves nothing behind
        return;
    }
    const int length = reply.GetAt(0);
    if (length < 8 || length > reply.GetSize() || frame.m_Payload.GetSize() > length - 8)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    // The program object opens the Brelk's port; a fake one keeps real devices out.
    g_port = new FakeSerialPort;
    g_port->Install();
    g_program = new CTsF7V4Program(0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CBinary received(data, static_cast<int>(size < 32767 ? size : 32767));
    CTsReceive recv;
    recv.Parse(received);
    const int counted = CTsReceive::CountFrames(received.GetBuffer(), received.GetSize());
    if (static_cast<int>(recv.size()) > counted)
        __builtin_trap(); // every frame split is a frame counted

    const CTsEnDecode& coder = CTsEnDecode::GetInstance();
    for (const CBinary& rf : recv) {
        if (rf.GetSize() > 255 + 1)
            __builtin_trap();
        CheckV4(rf);
        int errors = 0;
        CheckV4(coder.Decode(rf, 0, errors, 0));
    }
    CheckV4(received);
    return 0;
}

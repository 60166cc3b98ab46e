#include "TsF6V1Program.h"

CTsF6V1Program::CTsF6V1Program(uint8_t freqSelector) : CTsF7V3Program(freqSelector) { m_nType = TS_TYPE_F6V1; }

bool CTsF6V1Program::IsReplyOk(const CTsFrame& frame)
{
    return !frame.IsEmpty() && !frame.m_Payload.IsEmpty() && frame.m_Payload.GetAt(0) == 0;
}

#include "TsF6V1Program.h"

CTsF6V1Program::CTsF6V1Program(uint8_t freqSelector) : CTsF7V3Program(freqSelector)
{
    m_nType = TS_TYPE_F6V1;
}

// Not built yet, as the rest of the V1/V3 protocol: no reply counts as success.
bool CTsF6V1Program::IsReplyOk(const CTsFrame&) { return false; }

#include "TsF7V3Program.h"

CTsF7V3Program::CTsF7V3Program(uint8_t freqSelector) : CTsProgram(0, freqSelector)
{
    m_nType = TS_TYPE_F7V3;
    m_nToolId = 0;
}

CTsF7V3Program::~CTsF7V3Program() = default;

bool CTsF7V3Program::ReadPsn(CBinaryGroup&) { return false; }

bool CTsF7V3Program::ReadPsnByAddr(CBinaryGroup&) { return false; }

bool CTsF7V3Program::ExchangeFrames() { return false; }

bool CTsF7V3Program::EndLink(const SensorIdSet&) { return false; }

// The V1/V3 frame, search and programming are not built yet: nothing is sent,
// no reply is accepted, no sensor is found or programmed, and the error code
// stays "no sensor of this family".
bool CTsF7V3Program::SearchSensors(SensorIdSet&) { return false; }

bool CTsF7V3Program::ProgramSensor(const SensorIdMap&, const CBinary&) { return false; }

CBinary CTsF7V3Program::BuildSendData(const CBinary&, uint32_t) { return CBinary(); }

void CTsF7V3Program::ParseRecvData(CTsFrame& frame, const CBinary&, uint32_t) { frame.Clear(); }

bool CTsF7V3Program::SendRecvSensor(uint32_t, const CBinary&, uint32_t, CTsFrame*) { return false; }

bool CTsF7V3Program::IsReplyOk(const CTsFrame&) { return false; }

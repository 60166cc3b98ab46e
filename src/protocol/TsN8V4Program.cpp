#include "TsN8V4Program.h"

CTsN8V4Program::CTsN8V4Program(uint8_t multiSensor, uint8_t freqSelector)
    : CTsF7V4Program(multiSensor, freqSelector)
{
    m_nType = TS_TYPE_N8V4;
}

// The N8 reads and writers are not built yet: they read and write nothing,
// so no N8 sensor is ever reported as read or programmed.
bool CTsN8V4Program::ReadPsn(CBinaryGroup&) { return false; }

void CTsN8V4Program::GetPsnText(const SensorIdSet& found, SensorTextMap& texts)
{
    CTsProgram::GetPsnText(found, texts);
}

bool CTsN8V4Program::WriteSensorFlash(const SensorIdSet&, const CTsSnData*, uint8_t) { return false; }

bool CTsN8V4Program::WriteSensorFlashCrc(const SensorIdSet&, const CTsSnData*, uint8_t) { return false; }

bool CTsN8V4Program::WriteSensorConfig(const SensorIdSet&, const CBinary&, uint8_t, const SensorIdSet*)
{
    return false;
}

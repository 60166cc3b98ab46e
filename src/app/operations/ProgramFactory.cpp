#include "ProgramFactory.h"

#include "FamilyTable.h"

std::unique_ptr<CTsProgram> MakeProgramForAttempt(int attempt, uint8_t freqSelector)
{
    return FamilyOfAttempt(attempt).Create(0, freqSelector);
}

std::unique_ptr<CTsProgram> MakeProgramAfterBootUpdate(uint8_t freqSelector)
{
    const SensorFamily* family = FindFamily(TS_TYPE_F7V4);
    return family ? family->Create(1, freqSelector) : nullptr;
}

bool TakesFirmwareSelection(int type)
{
    const SensorFamily* family = FindFamily(type);
    return family && family->frame == FrameKind::V4;
}

#include "ProgramFactory.h"

#include "FamilyTable.h"

std::unique_ptr<CTsProgram> MakeProgramForAttempt(int attempt, uint8_t freqSelector)
{
    return FamilyOfAttempt(attempt).Create(0, freqSelector);
}

std::unique_ptr<CTsProgram> MakeProgramAfterBootUpdate(uint8_t freqSelector)
{
    return CreateAfterBootUpdate(freqSelector);
}

bool TakesFirmwareSelection(int type)
{
    const SensorFamily* family = FindFamily(type);
    return family && family->frame == FrameKind::V4;
}

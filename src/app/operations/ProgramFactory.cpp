#include "ProgramFactory.h"

#include "AbortFlag.h"
#include "AppFlags.h"
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

bool FindSensorBeforeBootUpdate(uint8_t freqSelector)
{
    for (const SensorFamily* family : FamilyAttemptOrder()) {
        if (family->frame != FrameKind::V1V3 || !family->updatesBoot)
            continue;
        std::unique_ptr<CTsProgram> program = family->Create(0, freqSelector);
        // Making an object clears g_bAbort; a Stop asked for meanwhile stays.
        if (IsOperationStopRequested()) {
            g_bAbort.Set();
            return false;
        }
        SensorIdSet found;
        if (program && program->SearchSensors(found) && !found.empty()) {
            program->EndLink(found);
            return true;
        }
    }
    return false;
}

#include "ProgramFactory.h"

#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsF7V4Program.h"
#include "TsN8V4Program.h"

std::unique_ptr<CTsProgram> MakeProgramForAttempt(int attempt, uint8_t freqSelector)
{
    switch (attempt % kProgramFamilies) {
    case 0: return std::make_unique<CTsF7V4Program>(0, freqSelector);
    case 1: return std::make_unique<CTsN8V4Program>(0, freqSelector);
    case 2: return std::make_unique<CTsF6V4Program>(0, freqSelector);
    case 3: return std::make_unique<CTsF7V3Program>(freqSelector);
    default: return std::make_unique<CTsF6V1Program>(freqSelector);
    }
}

std::unique_ptr<CTsProgram> MakeProgramAfterBootUpdate(uint8_t freqSelector)
{
    return std::make_unique<CTsF7V4Program>(1, freqSelector);
}

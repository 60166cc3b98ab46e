#include "SensorBootContext.h"

#include "AbortFlag.h"
#include "Clock.h"
#include "FamilyTable.h"
#include "TsLog.h"

namespace {

// Whether the boot update runs on the sensors of a type, and over that frame.
bool UpdatesBoot(int type, FrameKind frame)
{
    const SensorFamily* family = FindFamily(type);
    return family && family->updatesBoot && family->frame == frame;
}

} // namespace

CBinary BuildBootCommand(const SensorBootContext& context)
{
    if (!context.program)
        return CBinary();
    const SensorFamily* family = FindFamily(context.program->GetType());
    const std::span<const uint8_t> command =
        family ? family->BootCommand(context.program->m_nFreqSelector) : std::span<const uint8_t>();
    return command.empty() ? CBinary() : CBinary(command.data(), static_cast<int>(command.size()));
}

int GetSensorBootVer(const SensorBootContext& context, bool& needUpdate)
{
    needUpdate = false;
    if (!context.program)
        return BOOT_VERSION_UNKNOWN;
    const int type = context.program->GetType();
    if (UpdatesBoot(type, FrameKind::V1V3)) {
        // A V1/V3 sensor always gets the V4 boot.
        needUpdate = true;
        return BOOT_VERSION_DECIDED;
    }
    if (!UpdatesBoot(type, FrameKind::V4))
        return BOOT_VERSION_DECIDED;
    const uint16_t version = context.program->m_nBootVersion;
    CTsLog::GetInstance().Debug("GetSensorBootVer:Boot version is [%04X]", version);
    if (version == 0)
        return BOOT_VERSION_UNKNOWN;
    if (version < BOOT_V4_CURRENT) {
        needUpdate = true;
        return BOOT_VERSION_DECIDED;
    }
    if ((version & 0xFF00) <= BOOT_V4_LAST_SUPPORTED_HIGH)
        return BOOT_VERSION_DECIDED;
    return BOOT_VERSION_TOO_NEW;
}

uint8_t UpdateSensorBoot(SensorBootContext& context)
{
    CTsLog& log = CTsLog::GetInstance();
    CTsProgram* program = context.program;
    if (!program)
        return BOOT_NO_PROGRAM;
    program->SearchSensors(context.found);
    if (context.found.empty())
        return static_cast<uint8_t>(g_nSearchResult.load() & 0xFF);
    if (context.found.size() > 1 && program->m_nMultiSensor == 0) {
        program->EndLink(context.found);
        return BOOT_MANY_SENSORS;
    }
    // A family that hands lines over learns its sensor's line here.
    const SensorFamily* family = FindFamily(program->GetType());
    if (family && !family->handsOver.Empty()) {
        log.Record("HardVersion:%X", program->GetHardVersion());
        if (const SensorFamily* taker = family->HandOverOf(V4LineOf(program->GetHardVersion())))
            program->SetType(taker->type);
    }
    bool needUpdate = false;
    if (GetSensorBootVer(context, needUpdate) == BOOT_VERSION_TOO_NEW) {
        log.Debug("TPMS version is too low that not support the new sensor!");
        return BOOT_TOO_NEW;
    }
    if (!needUpdate) {
        log.Debug("No need to update boot!");
        return BOOT_NOT_NEEDED;
    }

    log.Debug("Start to update sensor boot...");
    const int type = program->GetType();
    // A V1/V3 sensor comes out of its boot image as a V4 sensor with the id
    // 8FFF. The V4 writer puts the id of the map into the configuration
    // block, so every V4 sensor keeps its own: one id for all would give
    // several sensors in range the same id.
    SensorIdMap ids;
    for (uint32_t id : context.found)
        ids[id] = UpdatesBoot(type, FrameKind::V4) ? id : BOOT_V1_NEW_ID;
    const bool updated = program->ProgramSensor(ids, BuildBootCommand(context));
    // The sensors settle into their new boot; a Stop need not wait for them.
    SleepUnlessSet(BOOT_SETTLE_MS, &g_bAbort);
    log.Debug("Update Boot %s!", updated ? "ok" : "failed");
    if (!updated)
        return BOOT_FAILED;
    if (UpdatesBoot(program->GetType(), FrameKind::V1V3))
        return BOOT_UPDATED_V1;
    if (UpdatesBoot(program->GetType(), FrameKind::V4))
        return BOOT_UPDATED_V4;
    return BOOT_NO_PROGRAM;
}

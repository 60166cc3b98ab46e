#pragma once
// The sensor boot update that runs before every programming attempt: the
// sensors in range are found, a V4 sensor's boot version is read, and when
// the boot code is out of date the boot image goes into every found sensor
// through the attempt's own programming object. The result code tells the
// application how to go on.
#include "Binary.h"
#include "TsProgram.h"

#include <cstdint>

// What the caller hands the boot update: the programming object of the
// attempt (not owned; may be null) and the found-sensor set it fills.
struct SensorBootContext {
    SensorIdSet found;
    CTsProgram* program = nullptr;
};

// Results of UpdateSensorBoot. No sensor answering gives the low byte of
// g_nSearchResult instead (254 unless the V4 search stored another code).
constexpr uint8_t BOOT_NOT_NEEDED = 1; // the found sensors are in the set
constexpr uint8_t BOOT_UPDATED_V1 = 2; // a V1/V3 sensor now runs the V4 boot
constexpr uint8_t BOOT_UPDATED_V4 = 3;
constexpr uint8_t BOOT_FAILED = 4;
constexpr uint8_t BOOT_MANY_SENSORS = 5; // several answered without the multi-sensor flag; link ended
constexpr uint8_t BOOT_TOO_NEW = 6;      // the sensor's boot is newer than this program supports
constexpr uint8_t BOOT_NO_PROGRAM = 7;   // no object, or an update on an object of another type

// Results of GetSensorBootVer.
constexpr int BOOT_VERSION_UNKNOWN = -1; // no object, or boot version 0
constexpr int BOOT_VERSION_DECIDED = 0;
constexpr int BOOT_VERSION_TOO_NEW = 2;

// V4 boot versions below this one are updated; up to 04FF they are current.
constexpr uint16_t BOOT_V4_CURRENT = 0x0411;
constexpr uint16_t BOOT_V4_LAST_SUPPORTED_HIGH = 0x0400;
// The id a V1/V3 sensor gets with the boot image: it then answers as a V4
// sensor under it.
constexpr uint32_t BOOT_V1_NEW_ID = 0x8FFF;
// Time the updated sensors get to start their new boot.
constexpr uint32_t BOOT_SETTLE_MS = 500;

// Finds the sensors, decides and updates; the result codes above.
uint8_t UpdateSensorBoot(SensorBootContext& context);
// Whether the object's sensor needs the boot update (needUpdate): -1 without
// an object or with boot version 0, 0 decided, 2 boot too new; needUpdate is
// set only with 0.
int GetSensorBootVer(const SensorBootContext& context, bool& needUpdate);
// The selection bytes of the boot image for the object's type and frequency
// selector: V4 02 0A or 02 0B (the image number), V1/V3 F4 or F5; empty for
// other types and without an object.
CBinary BuildBootCommand(const SensorBootContext& context);

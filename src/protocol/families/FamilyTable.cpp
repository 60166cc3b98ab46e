#include "FamilyTable.h"

#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsF7V4Program.h"
#include "TsN8V4Program.h"
#include "TsSnData.h"

#include <cctype>

namespace {

// The AC line is read (its identity and its versions) but not programmed by
// this client: its row has no constructor and its layout no image area; its
// records stand here.
constexpr uint16_t AC_IDENTITY_BLOCK = 0x6000;
constexpr uint16_t AC_VERSION_BLOCK = 0x5FBF;

// Where each V4 line keeps its records and its image, from the addresses
// beside its family.
constexpr V4Layout F7_LAYOUT = {
    F7_RECORDS,
    {F7_IMAGE_END, F7_CRC_TABLE, F7_CRC_TABLE_READS, F7_FLASH_BLOCKS, V4_WAIT_ERASE, V4_WAIT_ANNOUNCE, V4_WAIT_CHECK}};
constexpr V4Layout N8_LAYOUT = {
    N8_RECORDS,
    {N8_IMAGE_END, N8_CRC_TABLE, N8_CRC_TABLE_READS, N8_COMPARED_CRCS, N8_WAIT_ERASE, N8_WAIT_ANNOUNCE, N8_WAIT_CHECK}};
constexpr V4Layout AC_LAYOUT = {{AC_IDENTITY_BLOCK, AC_VERSION_BLOCK}, {}};

// The selection bytes of the boot image, by frame, for frequency selector 1
// and for the other selector.
constexpr uint8_t V4_BOOT_COMMAND_FREQ1[] = {0x02, 0x0A};
constexpr uint8_t V4_BOOT_COMMAND_OTHER[] = {0x02, 0x0B};
constexpr uint8_t V1V3_BOOT_COMMAND_FREQ1[] = {0xF4};
constexpr uint8_t V1V3_BOOT_COMMAND_OTHER[] = {0xF5};

// The chip status of selections whose chip cannot take the F6 families.
constexpr const char* CHIP_NOT_FOR_F6 = "0x40";

// The object that goes on after a V1/V3 sensor took the V4 boot.
constexpr int TYPE_AFTER_BOOT_OBJECT = TS_TYPE_F7V4;

template <class Program> std::unique_ptr<CTsProgram> MakeV1V3(uint8_t, uint8_t freqSelector)
{
    return std::make_unique<Program>(freqSelector); // the V1/V3 families search one sensor at a time
}

template <class Program> std::unique_ptr<CTsProgram> MakeV4(uint8_t multiSensor, uint8_t freqSelector)
{
    return std::make_unique<Program>(multiSensor, freqSelector);
}

const SensorFamily FAMILIES[] = {
    {.type = TS_TYPE_F6V1,
     .name = "F6V1",
     .frame = FrameKind::V1V3,
     .updatesBoot = true,
     .typeAfterBoot = TS_TYPE_F6V4,
     .refusedChip = CHIP_NOT_FOR_F6,
     .construct = MakeV1V3<CTsF6V1Program>},
    {.type = TS_TYPE_F7V3,
     .name = "F7V3",
     .frame = FrameKind::V1V3,
     .updatesBoot = true,
     .typeAfterBoot = TS_TYPE_F7V4,
     .construct = MakeV1V3<CTsF7V3Program>},
    {.type = TS_TYPE_F7V4,
     .name = "F7V4",
     .updatesBoot = true,
     .lines = {V4_LINE_F7, V4_LINE_F7E},
     .leaves = {V4_LINE_N8, V4_LINE_AC},
     .handsOver = {V4_LINE_F6},
     .endsEarlierLinks = true,
     .layout = &F7_LAYOUT,
     .construct = MakeV4<CTsF7V4Program>},
    {.type = TS_TYPE_F6V4,
     .name = "F6V4",
     .updatesBoot = true,
     .lines = {V4_LINE_F6},
     .refusedChip = CHIP_NOT_FOR_F6,
     .layout = &F7_LAYOUT,
     .construct = MakeV4<CTsF6V4Program>},
    {.type = TS_TYPE_N8V4,
     .name = "N8V4",
     .lines = {V4_LINE_N8},
     .leaves = {V4_LINE_AC},
     .layout = &N8_LAYOUT,
     .construct = MakeV4<CTsN8V4Program>},
    {.type = TS_TYPE_ACV4,
     .name = "ACV4",
     .lines = {V4_LINE_AC},
     .dataPresent = CTsSnData::HasAcV4File,
     .layout = &AC_LAYOUT},
};

} // namespace

std::unique_ptr<CTsProgram> SensorFamily::Create(uint8_t multiSensor, uint8_t freqSelector) const
{
    return construct ? construct(multiSensor, freqSelector) : nullptr;
}

bool SensorFamily::RefusesChip(std::string_view chipStatus) const
{
    if (!refusedChip)
        return false;
    const std::string_view refused(refusedChip);
    if (chipStatus.size() != refused.size())
        return false;
    for (size_t i = 0; i < refused.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(chipStatus[i])) !=
            std::toupper(static_cast<unsigned char>(refused[i])))
            return false;
    return true;
}

const SensorFamily* SensorFamily::HandOverOf(uint8_t line) const
{
    return handsOver.Has(line) ? FamilyOfLine(line) : nullptr;
}

std::span<const uint8_t> SensorFamily::BootCommand(uint8_t freqSelector) const
{
    if (!updatesBoot)
        return {};
    const bool freq1 = freqSelector == 1;
    if (frame == FrameKind::V4)
        return freq1 ? std::span<const uint8_t>(V4_BOOT_COMMAND_FREQ1)
                     : std::span<const uint8_t>(V4_BOOT_COMMAND_OTHER);
    return freq1 ? std::span<const uint8_t>(V1V3_BOOT_COMMAND_FREQ1)
                 : std::span<const uint8_t>(V1V3_BOOT_COMMAND_OTHER);
}

std::string SensorFamily::ImageName(int number) const { return CTsSnData::ImageName(type, number); }

std::span<const SensorFamily> SensorFamilies() { return FAMILIES; }

const SensorFamily* FindFamily(int type)
{
    for (const SensorFamily& family : FAMILIES)
        if (family.type == type)
            return &family;
    return nullptr;
}

const SensorFamily* FamilyOfLine(uint8_t line)
{
    for (const SensorFamily& family : FAMILIES)
        if (family.lines.Has(line))
            return &family;
    return nullptr;
}

const char* FamilyName(int type)
{
    const SensorFamily* family = FindFamily(type);
    return family ? family->name : "";
}

int TypeAfterBootUpdate(int type)
{
    const SensorFamily* family = FindFamily(type);
    return family && family->typeAfterBoot ? family->typeAfterBoot : TYPE_AFTER_BOOT_OBJECT;
}

std::unique_ptr<CTsProgram> CreateAfterBootUpdate(uint8_t freqSelector)
{
    const SensorFamily* family = FindFamily(TYPE_AFTER_BOOT_OBJECT);
    return family ? family->Create(1, freqSelector) : nullptr;
}

std::span<const SensorFamily* const> FamilyAttemptOrder()
{
    static const SensorFamily* const order[] = {FindFamily(TS_TYPE_F7V4), FindFamily(TS_TYPE_N8V4),
                                                FindFamily(TS_TYPE_F6V4), FindFamily(TS_TYPE_F7V3),
                                                FindFamily(TS_TYPE_F6V1)};
    return order;
}

const SensorFamily& FamilyOfAttempt(int attempt)
{
    const std::span<const SensorFamily* const> order = FamilyAttemptOrder();
    return *order[static_cast<size_t>(attempt) % order.size()];
}

const V4Records& V4RecordsOfLine(uint8_t line)
{
    const SensorFamily* family = FamilyOfLine(line);
    return family && family->layout ? family->layout->records : F7_RECORDS;
}

const V4Records& V4RecordsOfType(int type)
{
    const SensorFamily* family = FindFamily(type);
    return family && family->layout ? family->layout->records : F7_RECORDS;
}

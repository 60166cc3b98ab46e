#include "FamilyTable.h"

#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsF7V4Program.h"
#include "TsN8V4Program.h"
#include "TsSnData.h"

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
     .construct = MakeV1V3<CTsF6V1Program>},
    {.type = TS_TYPE_F7V3,
     .name = "F7V3",
     .frame = FrameKind::V1V3,
     .updatesBoot = true,
     .construct = MakeV1V3<CTsF7V3Program>},
    {.type = TS_TYPE_F7V4,
     .name = "F7V4",
     .updatesBoot = true,
     .lines = {V4_LINE_F7, V4_LINE_F7E},
     .leaves = {V4_LINE_N8, V4_LINE_AC},
     .layout = &F7_LAYOUT,
     .construct = MakeV4<CTsF7V4Program>},
    {.type = TS_TYPE_F6V4,
     .name = "F6V4",
     .updatesBoot = true,
     .lines = {V4_LINE_F6},
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

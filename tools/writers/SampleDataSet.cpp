#include "SampleDataSet.h"

#include "TsSnData.h"

#include <exception>
#include <map>

namespace {

// A seed of its own for every image, so no two images hold the same bytes.
uint8_t SeedOf(int type, int number) { return static_cast<uint8_t>(type * 37 + number); }

} // namespace

const std::vector<SampleFamily>& SampleFamilies()
{
    static const std::vector<SampleFamily> families = {
        {"F7V4", SN_TYPE_F7V4, SN_TYPE_F7V4, 0x040, 0}, {"N8V4", SN_TYPE_N8V4, SN_TYPE_N8V4, 0x1A3, 0},
        {"F6V4", SN_TYPE_F6V4, SN_TYPE_F6V4, 0x07C, 1}, {"F7V3", SN_TYPE_F7, SN_TYPE_F7V4, 0x1ED, 0},
        {"F6V1", SN_TYPE_F6, SN_TYPE_F6V4, 0x0B2, 1},
    };
    return families;
}

const SampleFamily* FindSampleFamily(const std::string& name)
{
    for (const SampleFamily& f : SampleFamilies())
        if (name == f.name)
            return &f;
    return nullptr;
}

V4ImageSpec SampleProgramImage(int type, int number)
{
    return SampleV4Image(type, SAMPLE_IMAGE_BYTES, SeedOf(type, number));
}

V4ImageSpec SampleV4BootImage(int type, int number)
{
    return SampleV4Image(type, SAMPLE_V4_BOOT_BYTES, SeedOf(type, number));
}

V1ImageSpec SampleV1Boot(int type, int number) { return SampleV1BootImage(SAMPLE_V1_BOOT_BYTES, SeedOf(type, number)); }

ActivationRecord SampleActivationRecord(uint32_t sensorCode)
{
    return FixtureActivationRecord(sensorCode, SAMPLE_TEST_TRIGGER);
}

namespace {

// The containers of the data set by image type, their members in order.
std::map<int, FirmwareContainerWriter> SampleContainers()
{
    std::map<int, FirmwareContainerWriter> containers;
    for (const SampleFamily& f : SampleFamilies()) {
        const int number = static_cast<int>(f.sensorCode);
        containers[f.programType].Add(FirmwareMemberName(f.programType, number),
                                      BuildV4Image(SampleProgramImage(f.programType, number)));
    }
    for (int type : {SN_TYPE_F7V4, SN_TYPE_F6V4})
        for (int number : SAMPLE_V4_BOOT_NUMBERS)
            containers[type].Add(FirmwareMemberName(type, number), BuildV4Image(SampleV4BootImage(type, number)));
    for (int type : {SN_TYPE_F7, SN_TYPE_F6})
        for (int number : SAMPLE_V1_BOOT_NUMBERS)
            containers[type].Add(FirmwareMemberName(type, number), BuildV1Image(SampleV1Boot(type, number)));
    return containers;
}

} // namespace

std::vector<std::string> SampleDataFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : SampleContainers())
        files.push_back(FirmwareContainerName(entry.first));
    files.push_back("Active.tab");
    files.push_back("express.tab");
    return files;
}

bool WriteSampleDataSet(const std::string& folder, std::string& error)
{
    try {
        for (const auto& [type, writer] : SampleContainers())
            writer.WriteTo(folder + "/" + FirmwareContainerName(type));
        std::vector<ActivationRecord> records;
        for (const SampleFamily& f : SampleFamilies())
            records.push_back(SampleActivationRecord(f.sensorCode));
        WriteActiveTabRecords(folder + "/Active.tab", records, true);
        WriteFixtureExpressTab(folder + "/express.tab");
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

#pragma once
// The invented data set the build writes beside brelk, so that every
// operation of the sample vehicles and part numbers has what it reads: a
// firmware container per family, "Active.tab" with the test protocol of each
// sample sensor code, and "express.tab" with the scripts those protocols
// name. Images are made of invented bytes; none is a sensor's firmware.
//
// The sample's sensor codes and what they lead to:
//   code  family  frequency  images
//   040   F7V4    433 (0)    F7V4Bin.bin: F7_040.bin
//   07C   F6V4    315 (1)    F6V4Bin.bin: F6_07C.bin
//   1A3   N8V4    433 (0)    N8V4Bin.bin: N8_1A3.bin
//   1ED   F7V3    433 (0)    F7Bin.bin: F7_F5.bin (boot), then F7V4Bin.bin: F7_1ED.bin
//   0B2   F6V1    315 (1)    F6Bin.bin: F6_F4.bin (boot), then F6V4Bin.bin: F6_0B2.bin
// Every boot image of both frequencies is there (V4: F7_20A/20B, F6_20A/20B;
// V1/V3: F7_F4/F5, F6_F4/F5), so a sensor with an old boot, or a record
// moved to the other frequency, still finds its image.
#include "ActivationTables.h"
#include "FirmwareContainerWriter.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleFamily {
    const char* name;    // "F7V4"
    int type;            // image type of the family the search finds (1, 2, 3, 4, 6)
    int programType;     // image type of its programming image: V1/V3 sensors become V4 ones
    uint32_t sensorCode; // the sample records' sensor code: test protocol and image number
    int frequency;       // frequency selector of its sensor parameters
};

// The five families in the order the programming attempts try them.
const std::vector<SampleFamily>& SampleFamilies();
const SampleFamily* FindSampleFamily(const std::string& name);

// The test trigger every sample protocol sends after its 5A.
constexpr uint8_t SAMPLE_TEST_TRIGGER = 0x31;
// Data bytes of a programming image (from C000) and of a V4 boot image; code
// bytes of a V1/V3 boot image.
constexpr size_t SAMPLE_IMAGE_BYTES = 0x1000;
constexpr size_t SAMPLE_V4_BOOT_BYTES = 0x200;
constexpr size_t SAMPLE_V1_BOOT_BYTES = 480;
// Image numbers of the boot images: V4 by frequency selector 1 and 0, V1/V3 the same.
constexpr int SAMPLE_V4_BOOT_NUMBERS[2] = {0x20B, 0x20A};
constexpr int SAMPLE_V1_BOOT_NUMBERS[2] = {0xF5, 0xF4};

// The images as the data set holds them (the same bytes on every call).
V4ImageSpec SampleProgramImage(int type, int number);
V4ImageSpec SampleV4BootImage(int type, int number);
V1ImageSpec SampleV1Boot(int type, int number);
// The test protocol of a sensor code.
ActivationRecord SampleActivationRecord(uint32_t sensorCode);

// The files the data set writes into a folder (names only).
std::vector<std::string> SampleDataFiles();
// Writes them into folder; false with the reason in error.
bool WriteSampleDataSet(const std::string& folder, std::string& error);

#pragma once
// The sensor test's tables as the writers make them: an "express.tab" with
// identifier, pressure, temperature and battery scripts, and "Active.tab"
// records of protocols that all read one telegram layout.
//
// The telegram is 64 bits: identifier (32), pressure in 2.5 kPa steps (8),
// temperature in degrees, signed (8), flags (8: bit 7 battery low, low
// nibble the state code) and a CRC-8 (poly 07, start 00) over the first 56
// bits.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr uint32_t FIXTURE_SCRIPT_ID = 0x00000101;
constexpr uint32_t FIXTURE_SCRIPT_PRESSURE = 0x00000102;
constexpr uint32_t FIXTURE_SCRIPT_TEMPERATURE = 0x00000103;
constexpr uint32_t FIXTURE_SCRIPT_BATTERY = 0x00000104;
constexpr uint32_t FIXTURE_SCRIPT_STATE_TEXT = 0x00000105; // "0x" text keys, looked up in text.tab

// Bit positions of the telegram fields.
constexpr int FIXTURE_STATE_POS = 52;
constexpr int FIXTURE_STATE_LEN = 4;

// One protocol record of "Active.tab" as bytes.
struct ActivationRecord {
    uint32_t id = 0;
    std::vector<uint8_t> lf;    // LF input form (11 bytes), then the trigger data
    std::vector<uint8_t> rf;    // RF input form
    std::vector<uint8_t> param; // parameter configuration
    std::string syncConfig;     // record element 3; empty: the record ends before it
    std::string syncConfig2;    // record element 4; empty: the record ends before it

    // The record's texts: hexadecimal bytes separated by ", ".
    std::vector<std::string> Texts() const;
};

// Field configuration: n ranges of (bit offset, bit count) and the script.
std::vector<uint8_t> FieldConfig(uint32_t script, const std::vector<std::pair<int, int>>& ranges);
// The four fields of the telegram: ID, pressure, temperature, battery bit.
std::vector<uint8_t> FixtureParamConfig();
// A protocol whose trigger data is 5A and the trigger byte, received with the
// code type given. With states, its record lists the accepted state codes.
ActivationRecord FixtureActivationRecord(uint32_t id, uint8_t trigger, uint8_t codeType = 1,
                                         const std::vector<uint8_t>& states = {});

void WriteFixtureExpressTab(const std::string& path);
void WriteActiveTabRecords(const std::string& path, const std::vector<ActivationRecord>& records,
                           bool scrambled = false);

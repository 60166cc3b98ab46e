#pragma once
// Fixture tables of the sensor test: an "express.tab" with identifier,
// pressure, temperature and battery scripts, "Active.tab" records of a few
// protocols, and the telegram those protocols describe.
//
// The fixture telegram is 64 bits: identifier (32), pressure in 2.5 kPa
// steps (8), temperature in degrees, signed (8), flags (8: bit 7 battery
// low, low nibble the state code) and a CRC-8 (poly 07, start 00) over the
// first 56 bits.
#include "SimActivationSensor.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t FIXTURE_SCRIPT_ID = 0x00000101;
constexpr uint32_t FIXTURE_SCRIPT_PRESSURE = 0x00000102;
constexpr uint32_t FIXTURE_SCRIPT_TEMPERATURE = 0x00000103;
constexpr uint32_t FIXTURE_SCRIPT_BATTERY = 0x00000104;
constexpr uint32_t FIXTURE_SCRIPT_STATE_TEXT = 0x00000105; // "0x" text keys, looked up in text.tab

// Bit positions of the telegram fields.
constexpr int FIXTURE_STATE_POS = 52;
constexpr int FIXTURE_STATE_LEN = 4;

std::vector<uint8_t> FixtureTelegram(uint32_t id, uint8_t pressureSteps, int8_t temperature, bool lowBattery,
                                     uint8_t state = 1);
// The four fields of the telegram: ID, pressure, temperature, battery bit.
std::vector<uint8_t> FixtureParamConfig();
// A protocol whose trigger data is 5A and the trigger byte, received with the
// code type given. With states, its record lists the accepted state codes.
SimActivationProtocol FixtureProtocol(uint32_t id, uint8_t trigger, uint8_t codeType = 1,
                                      const std::vector<uint8_t>& states = {});

// Field configuration: n ranges of (bit offset, bit count) and the script.
std::vector<uint8_t> FieldConfig(uint32_t script, const std::vector<std::pair<int, int>>& ranges);

void WriteFixtureExpressTab(const std::string& path);
void WriteActiveTab(const std::string& path, const std::vector<SimActivationProtocol>& protocols,
                    bool scrambled = false);

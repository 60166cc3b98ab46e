#pragma once
// Fixture tables of the sensor test (their writers are in ActivationTables.h)
// in the simulator's terms: the protocols as the simulated sensors take them,
// and the telegram those protocols describe.
#include "ActivationTables.h"
#include "SimActivationSensor.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> FixtureTelegram(uint32_t id, uint8_t pressureSteps, int8_t temperature, bool lowBattery,
                                     uint8_t state = 1);
// The record of FixtureActivationRecord as a simulated sensor's protocol.
SimActivationProtocol FixtureProtocol(uint32_t id, uint8_t trigger, uint8_t codeType = 1,
                                      const std::vector<uint8_t>& states = {});
SimActivationProtocol ProtocolOfRecord(const ActivationRecord& record);

void WriteActiveTab(const std::string& path, const std::vector<SimActivationProtocol>& protocols,
                    bool scrambled = false);

#include "ActivationFixtures.h"

std::vector<uint8_t> FixtureTelegram(uint32_t id, uint8_t pressureSteps, int8_t temperature, bool lowBattery,
                                     uint8_t state)
{
    std::vector<uint8_t> t;
    for (int shift = 24; shift >= 0; shift -= 8)
        t.push_back(static_cast<uint8_t>(id >> shift));
    t.push_back(pressureSteps);
    t.push_back(static_cast<uint8_t>(temperature));
    t.push_back(static_cast<uint8_t>((lowBattery ? 0x80 : 0x00) | (state & 0x0F)));
    t.push_back(0x00); // check field, filled in by the sensor
    return t;
}

SimActivationProtocol ProtocolOfRecord(const ActivationRecord& record) { return SimActivationProtocol{record}; }

SimActivationProtocol FixtureProtocol(uint32_t id, uint8_t trigger, uint8_t codeType,
                                      const std::vector<uint8_t>& states)
{
    return ProtocolOfRecord(FixtureActivationRecord(id, trigger, codeType, states));
}

void WriteActiveTab(const std::string& path, const std::vector<SimActivationProtocol>& protocols, bool scrambled)
{
    std::vector<ActivationRecord> records;
    for (const SimActivationProtocol& p : protocols)
        records.push_back(ActivationRecord{p.id, p.lf, p.rf, p.param, p.syncConfig, p.syncConfig2});
    WriteActiveTabRecords(path, records, scrambled);
}

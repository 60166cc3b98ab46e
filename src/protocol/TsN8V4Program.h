#pragma once
// The N8 line of the V4 sensors, type 6: its flash is larger and its records
// lie at other addresses, so the identity reads and the three writers are its
// own; search, link and the exchange services are the F7V4 ones.
#include "TsF7V4Program.h"

class CTsN8V4Program : public CTsF7V4Program {
public:
    CTsN8V4Program(uint8_t multiSensor, uint8_t freqSelector);

    bool ReadPsn(CBinaryGroup& records) override;
    void GetPsnText(const SensorIdSet& found, SensorTextMap& texts) override;
    bool WriteSensorFlash(const SensorIdSet& ids, const CTsSnData* image, uint8_t startPercent) override;
    bool WriteSensorFlashCrc(const SensorIdSet& ids, const CTsSnData* image, uint8_t startPercent) override;
    bool WriteSensorConfig(const SensorIdSet& ids, const CBinary& config, uint8_t startPercent,
                           const SensorIdSet* keepAwake = nullptr) override;
};

#pragma once
// The Test Sensor page (10204): Test triggers a fitted sensor and shows its
// identifier, temperature, pressure and battery; Check sensor reads a
// programmable sensor's nine values.
#include "SensorPageBase.h"

class CPageTestSensor : public CSensorPageBase {
public:
    CPageTestSensor();
    // The sensor tab bar in place of the main one.
    int ShowPage(bool rebuild, int restoreTabs) override;

protected:
    void CreateControls() override;
};

#pragma once
// The Copy Sensor page (10206): Test reads the identifier of the sensor to
// copy, Program writes it into a new sensor. The page keeps the value its
// test read and shows it in the identifier format of the moment.
#include "SensorPageBase.h"

class CPageCopySensor : public CSensorPageBase {
public:
    CPageCopySensor();
    int ShowPage(bool rebuild, int restoreTabs) override;

    void SetCopiedId(std::optional<uint32_t> id) override;
    std::optional<uint32_t> GetCopiedId() const override;
    void PrepareForSelection(bool supported) override;

protected:
    void CreateControls() override;
    void ApplyControls(bool enable) override;

private:
    void ShowCopiedId();

    std::optional<uint32_t> m_copiedId;
};

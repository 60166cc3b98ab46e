#pragma once
// The Create Sensor page (10205): an identifier typed or generated, in
// hexadecimal or decimal as its check box says, programmed into a new sensor.
#include "MyCheckBox.h"
#include "SensorPageBase.h"

class CPageCreateSensor : public CSensorPageBase {
public:
    CPageCreateSensor();
    int ShowPage(bool rebuild, int restoreTabs) override;

    bool IsHexMode() const override;
    void SetIdDigits(const IdDigits& digits) override;
    const IdDigits& GetIdDigits() const { return m_digits; }
    // The check box clicked: the identifier in the other base, the mode,
    // the length limit and [Setup] IDFormat follow; a value the sensor
    // cannot hold is refused with the range and nothing changes.
    void OnHexCheck();
    CMyCheckBox* GetHexCheck() const { return m_pHexCheck.get(); }

protected:
    void CreateControls() override;
    void ApplyControls(bool enable) override;
    void ReloadCaptions() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void SetMode(bool hex);

    std::unique_ptr<CMyCheckBox> m_pHexCheck;
    IdDigits m_digits; // 8 and 10 until a sensor gives its own
    bool m_bHex = false;
};

#include "PageTestSensor.h"

CPageTestSensor::CPageTestSensor() : CSensorPageBase(kPageTypeTest)
{
    m_firstKey = L"BTN_TEST";
    m_secondKey = L"CHECK_SENSOR";
}

void CPageTestSensor::CreateControls()
{
    CreateButtons();
    CSensorPageBase::CreateControls();
}

#include "PageTestSensor.h"

CPageTestSensor::CPageTestSensor() : CSensorPageBase(kPageTypeTest)
{
    m_firstKey = L"BTN_TEST";
    m_secondKey = L"CHECK_SENSOR";
}

void CPageTestSensor::CreateControls()
{
    m_pFirst = MakeButton(m_firstKey, m_layout.firstButton, m_layout.firstButtonId);
    m_pSecond = MakeButton(m_secondKey, m_layout.secondButton, m_layout.secondButtonId);
    m_pPrint = MakeButton(L"PRINT", m_layout.print, kIdPrint);
    m_pStop = MakeButton(L"Cancel", m_layout.stop, kIdStop);
    CSensorPageBase::CreateControls();
}

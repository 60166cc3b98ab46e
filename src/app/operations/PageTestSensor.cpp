#include "PageTestSensor.h"

#include "TopBar.h"

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

int CPageTestSensor::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        m_pTopPane->ShowMenuTabs(ITopBar::kMainTabs, false, 0);
        m_pTopPane->ShowMenuTabs(ITopBar::kSensorTabs, true, 0);
    }
    return CSensorPageBase::ShowPage(rebuild, restoreTabs);
}

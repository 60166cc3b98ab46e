#include "PageTestSensor.h"

#include "TopPaneControls.h"

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
        m_pTopPane->ShowMenuTabs(ITopPaneControls::kMainTabs, false, 0);
        m_pTopPane->ShowMenuTabs(ITopPaneControls::kSensorTabs, true, 0);
    }
    return CSensorPageBase::ShowPage(rebuild, restoreTabs);
}

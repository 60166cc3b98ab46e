#include "PageCopySensor.h"

#include "Ini.h"
#include "PageHost.h"
#include "SensorReadout.h"
#include "UiThread.h"

CPageCopySensor::CPageCopySensor() : CSensorPageBase(kPageTypeCopy)
{
    m_firstKey = L"BTN_TEST";
    m_secondKey = L"BTN_PROGRAM";
}

void CPageCopySensor::CreateControls()
{
    CreateEdit(true);
    CreateButtons();
    CSensorPageBase::CreateControls();
}

void CPageCopySensor::ApplyControls(bool enable)
{
    CSensorPageBase::ApplyControls(enable);
    // An unprogrammable sensor can be tested, not copied onto.
    if (m_pSecond && !IsProgrammable()) {
        m_pSecond->SetState(CCustButton::kStateDisabled);
        m_pSecond->EnableWindow(false);
    }
}

int CPageCopySensor::ShowPage(bool rebuild, int restoreTabs)
{
    ShowCopiedId();
    return CSensorPageBase::ShowPage(rebuild, restoreTabs);
}

void CPageCopySensor::ShowCopiedId()
{
    IPageHost* host = Host();
    if (!m_pEdit || !host)
        return;
    m_pEdit->SetWindowText(m_copiedId
                               ? FormatIdText(*m_copiedId, ReadDisplayUnits(host->GetIni()).HexIds(), SensorRecord())
                               : std::wstring());
}

void CPageCopySensor::SetCopiedId(std::optional<uint32_t> id)
{
    RunOnUiThread([&] {
        m_copiedId = id;
        ShowCopiedId();
    });
}

std::optional<uint32_t> CPageCopySensor::GetCopiedId() const
{
    return CallOnUiThread([&] { return m_copiedId; });
}

void CPageCopySensor::PrepareForSelection(bool supported)
{
    RunOnUiThread([&] {
        m_copiedId.reset();
        CSensorPageBase::PrepareForSelection(supported);
    });
}

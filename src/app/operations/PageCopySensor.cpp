#include "PageCopySensor.h"

#include "BRELK2Dlg.h"
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
    CBRELK2Dlg* dlg = Dialog();
    if (!m_pEdit || !dlg)
        return;
    m_pEdit->SetWindowText(m_copiedId ? dlg->FormatIdText(*m_copiedId, dlg->IsHexIdFormat()) : std::wstring());
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

#include "PageCreateSensor.h"

#include "Ini.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "PageHost.h"
#include "SensorReadout.h"
#include "UiThread.h"

namespace {

constexpr COLORREF kCheckFace = 0xEEECED;
constexpr float kCheckPoints = 10;

} // namespace

CPageCreateSensor::CPageCreateSensor() : CSensorPageBase(kPageTypeCreate)
{
    m_firstKey = L"BTN_GENID";
    m_secondKey = L"BTN_PROGRAM";
}

void CPageCreateSensor::CreateControls()
{
    CreateEdit(false);
    m_pHexCheck = std::make_unique<CMyCheckBox>();
    m_pHexCheck->Create(this, m_layout.hexCheck, kIdHexCheck);
    m_pHexCheck->SetWindowText(GetLanguageManager().GetText(L"BTN_HEX_CHECK"));
    m_pHexCheck->SetBkColor(kCheckFace);
    m_pHexCheck->SetFont(Font(L"Arial", kCheckPoints));
    m_childControls.push_back(m_pHexCheck.get());
    CreateButtons();
    CSensorPageBase::CreateControls();
    SetMode(false);
}

void CPageCreateSensor::SetMode(bool hex)
{
    m_bHex = hex;
    if (m_pHexCheck)
        m_pHexCheck->SetCheck(hex ? BST_CHECKED : BST_UNCHECKED);
    if (m_pEdit) {
        m_pEdit->SetInputMode(hex ? CMyEditCtrl::kModeHex : CMyEditCtrl::kModeDecimal);
        m_pEdit->SetLimitText(hex ? m_digits.hex : m_digits.dec);
    }
}

bool CPageCreateSensor::IsHexMode() const
{
    return CallOnUiThread([&] { return m_bHex; });
}

void CPageCreateSensor::SetIdDigits(const IdDigits& digits)
{
    RunOnUiThread([&] {
        m_digits = digits;
        if (m_pEdit)
            m_pEdit->SetLimitText(m_bHex ? m_digits.hex : m_digits.dec);
    });
}

void CPageCreateSensor::ApplyControls(bool enable)
{
    CSensorPageBase::ApplyControls(enable);
    const bool programmable = IsProgrammable();
    const bool allowed = enable && m_bSupported && programmable;
    // Generate and Program need a sensor this program writes; so do the
    // identifier and its base. Print and Stop are shown with it.
    if (m_pFirst) {
        m_pFirst->SetState(allowed ? CCustButton::kStateNormal : CCustButton::kStateDisabled);
        m_pFirst->EnableWindow(allowed);
    }
    if (m_pSecond) {
        m_pSecond->SetState(allowed ? CCustButton::kStateNormal : CCustButton::kStateDisabled);
        m_pSecond->EnableWindow(allowed);
    }
    if (m_pEdit) {
        m_pEdit->SetReadOnly(!allowed);
        m_pEdit->EnableWindow(m_bSupported && programmable);
    }
    if (m_pHexCheck)
        m_pHexCheck->EnableWindow(allowed);
    if (m_pPrint)
        m_pPrint->ShowWindow(m_bSupported && programmable ? SW_SHOW : SW_HIDE);
    if (m_pStop)
        m_pStop->ShowWindow(programmable ? SW_SHOW : SW_HIDE);
}

void CPageCreateSensor::ReloadCaptions()
{
    CSensorPageBase::ReloadCaptions();
    if (m_pHexCheck)
        m_pHexCheck->SetWindowText(GetLanguageManager().GetText(L"BTN_HEX_CHECK"));
}

int CPageCreateSensor::ShowPage(bool rebuild, int restoreTabs)
{
    if (IPageHost* host = Host()) {
        const bool hex = ReadDisplayUnits(host->GetIni()).HexIds();
        const bool changed = hex != m_bHex;
        SetMode(hex);
        // The base was changed on another page: the identifier typed is shown
        // in it, as the check box would have turned it (empty when it cannot be).
        if (changed && m_pEdit) {
            m_pEdit->SetWindowText(ConvertIdBase(m_pEdit->GetWindowText(), hex, SensorRecord()).value_or(L""));
        }
    }
    return CSensorPageBase::ShowPage(rebuild, restoreTabs);
}

LRESULT CPageCreateSensor::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && !wParam.IsTyped() && wParam.Int() == kIdHexCheck && !lParam.IsTyped() &&
        lParam.Int() == BN_CLICKED) {
        OnHexCheck();
        return 0;
    }
    return CSensorPageBase::OnMessage(msg, wParam, lParam);
}

void CPageCreateSensor::OnHexCheck()
{
    IPageHost* host = Host();
    if (!host || !m_pHexCheck || !m_pEdit)
        return;
    const bool toHex = m_pHexCheck->GetCheck() == BST_CHECKED;
    // The sensor as it is now, not as the last painting saw it.
    const CSensorParam* record = SensorRecord();
    const std::optional<std::wstring> text = ConvertIdBase(m_pEdit->GetWindowText(), toHex, record);
    if (!text) {
        SetMode(!toHex);
        MessageBox(GetMainWindow(), IdRangeText(MaxIdOf(record)), GetLanguageManager().GetText(L"APP_TITLE"), MB_OK);
        return;
    }
    SetMode(toHex);
    host->GetIni().WriteString(toHex ? L"H" : L"D", L"Setup", L"IDFormat");
    m_pEdit->SetWindowText(*text);
}

#include "BrelkUpgradeDlg.h"

#include "Color.h"
#include "Font.h"
#include "Graphics.h"
#include "UiThread.h"

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 120;
constexpr COLORREF kFace = 0xF0F0F0;
constexpr COLORREF kBorder = 0x7F7D7C;
const Color kInk(0xFF4C4C4C);
const Color kWarningInk(0xFFC0392B);
const CRect kStatusRect(20, 24, kWidth - 20, 56);
const RectF kWarningRect(20, 70, kWidth - 40, 30);
constexpr wchar_t kWarning[] = L"Do not unplug the Brelk until the upgrade has finished.";

} // namespace

// The status text: drawn over the window's face, bold Arial of height 20.
class CBrelkUpgradeDlg::StatusText : public Wnd {
protected:
    void OnPaint(Graphics& g) override
    {
        g.DrawString(GetWindowText(), Font::Gdi(L"Arial", 20, FW_BOLD), kInk, RectF(GetClientRect()),
                     StringFormat(StringAlignmentNear, StringAlignmentNear));
    }
};

CBrelkUpgradeDlg::CBrelkUpgradeDlg() = default;

CBrelkUpgradeDlg::~CBrelkUpgradeDlg() = default;

bool CBrelkUpgradeDlg::CreateOver(Wnd* mainWindow)
{
    return CallOnUiThread([&] {
        CRect area(0, 0, 1024, 768);
        if (mainWindow && mainWindow->IsCreated())
            area = mainWindow->GetTopLevel()->GetWindowRect();
        const int x = area.left + (area.Width() - kWidth) / 2;
        const int y = area.top + (area.Height() - kHeight) / 2;
        return CreateImpl(nullptr, mainWindow, CRect(x, y, x + kWidth, y + kHeight), 0, WS_POPUP, true);
    });
}

int CBrelkUpgradeDlg::OnCreate()
{
    m_pStatus = std::make_unique<StatusText>();
    m_pStatus->Create(this, kStatusRect, kStatusTextId);
    return 0;
}

void CBrelkUpgradeDlg::OnDestroy()
{
    if (m_pStatus)
        m_pStatus->DestroyWindow();
}

void CBrelkUpgradeDlg::SetStatusText(const std::wstring& text)
{
    RunOnUiThread([&] {
        if (m_pStatus) {
            m_pStatus->SetWindowText(text);
            m_pStatus->Invalidate();
            Invalidate();
        }
    });
}

std::wstring CBrelkUpgradeDlg::GetStatusText() const
{
    return CallOnUiThread([&] { return m_pStatus ? m_pStatus->GetWindowText() : std::wstring(); });
}

bool CBrelkUpgradeDlg::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kFace);
    return true;
}

void CBrelkUpgradeDlg::OnPaint(Graphics& g)
{
    const CRect r = GetClientRect();
    const Color border = Color::FromCOLORREF(kBorder);
    const float right = float(r.right - 1), bottom = float(r.bottom - 1);
    g.DrawLine(border, 1, 0, 0, right, 0);
    g.DrawLine(border, 1, 0, bottom, right, bottom);
    g.DrawLine(border, 1, 0, 0, 0, bottom);
    g.DrawLine(border, 1, right, 0, right, bottom);
    g.DrawString(kWarning, Font(L"Arial", 10), kWarningInk, kWarningRect,
                 StringFormat(StringAlignmentNear, StringAlignmentNear));
}

bool CBrelkUpgradeDlg::PreTranslateKeyDown(UINT vk) { return vk == VK_RETURN || vk == VK_ESCAPE; }

void CBrelkUpgradeDlg::OnClose()
{
    if (m_refuseClose)
        m_refuseClose();
}

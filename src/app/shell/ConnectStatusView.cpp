#include "ConnectStatusView.h"

#include "Font.h"
#include "Image.h"
#include "Language.h"
#include "UiThread.h"

namespace {

constexpr int kConnectedIcon = 139;
constexpr int kDisconnectedIcon = 140;

} // namespace

CConnectStatusView::CConnectStatusView() { RefreshLanguage(); }

void CConnectStatusView::SetState(int state)
{
    RunOnUiThread([&] { m_nState = state; });
}

int CConnectStatusView::GetState() const
{
    return CallOnUiThread([&] { return m_nState; });
}

void CConnectStatusView::RefreshLanguage()
{
    RunOnUiThread([&] {
        m_strDisconnected = GetLanguageManager().GetText(L"DISCONNECTED");
        m_strConnected = GetLanguageManager().GetText(L"CONNECTED");
        m_strNotReady = GetLanguageManager().GetText(L"BRELK_NOT_READY");
    });
}

void CConnectStatusView::OnPaint(Graphics& g)
{
    int iconId = 0;
    const std::wstring* text = nullptr;
    if (m_nState == kStateConnected) {
        iconId = kConnectedIcon;
        text = &m_strConnected;
    } else if (m_nState == kStateDisconnected) {
        iconId = kDisconnectedIcon;
        text = &m_strDisconnected;
    } else if (m_nState == kStateNotReady) {
        // Not usable yet: the unplugged look, with its own words.
        iconId = kDisconnectedIcon;
        text = &m_strNotReady;
    } else {
        return;
    }
    // The icon is loaded for each drawing: the view is drawn seldom.
    const std::unique_ptr<Image> icon = LoadPngResource(iconId);
    g.DrawImage(icon.get(), m_iconRect);
    g.DrawString(*text, Font(L"Arial", 10, FontStyleBold), Color(0xFF4C4C4C), PointF(m_textRect.X, m_textRect.Y));
}

void CConnectStatusView::OnLButtonDown(UINT, CPoint)
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

#include "DlgNet.h"

namespace {

// The size of the window that is never shown.
constexpr int kHiddenWidth = 316;
constexpr int kHiddenHeight = 180;

} // namespace

bool CDlgNet::CreateHidden() { return Create(nullptr, CRect(0, 0, kHiddenWidth, kHiddenHeight), 0, WS_POPUP); }

LRESULT CDlgNet::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NET_UNUSED: return OnMsgUnused(wParam, lParam);
    case WM_NET_RECV_DATA: return OnRecvData(wParam, lParam);
    case WM_NET_STATE: return OnNetState(wParam, lParam);
    default: return Wnd::OnMessage(msg, wParam, lParam);
    }
}

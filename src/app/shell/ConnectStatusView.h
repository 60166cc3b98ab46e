#pragma once
// The Brelk's connection state in the top pane: a plug icon and "CONNECTED",
// "DISCONNECTED" or "BRELK_NOT_READY" (a Brelk there that is not at the
// client's version: in its loader, being upgraded, or answering none) beside
// it, or nothing. The window can be dragged by it.
#include "Graphics.h"
#include "Wnd.h"

#include <string>

class CConnectStatusView : public Wnd {
public:
    static constexpr int kStateNone = 0;
    static constexpr int kStateConnected = 1;
    static constexpr int kStateDisconnected = 2;
    static constexpr int kStateNotReady = 3;

    CConnectStatusView();

    void SetState(int state);
    int GetState() const;
    // Reloads the texts in the current language.
    void RefreshLanguage();

protected:
    void OnPaint(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;

private:
    int m_nState = kStateNone;
    RectF m_iconRect{0, 0, 43, 34};
    RectF m_textRect{45, 15, 200, 34};
    std::wstring m_strDisconnected;
    std::wstring m_strConnected;
    std::wstring m_strNotReady;
};

#pragma once
// A small layout book for a window that places others: the windows its owner
// registers with their rectangles, and one main window with its rectangle.
// Resize grows the main window; ApplyLayout puts everything back in place.
#include "Rect.h"

#include <vector>

class Wnd;

struct _tagCtrlPosInfo {
    Wnd* pWnd = nullptr;
    CRect rect;
};

class CBaseWndLayoutManage {
public:
    CBaseWndLayoutManage();
    virtual ~CBaseWndLayoutManage();

    // Moves the main window to its rectangle grown by cx to the right and cy down.
    virtual void Resize(int cx, int cy);
    // Moves every registered window, then the main window, to its rectangle.
    virtual void ApplyLayout();

    void AddCtrl(Wnd* wnd, const CRect& rect);
    void SetMainWnd(Wnd* wnd, const CRect& rect);

protected:
    std::vector<_tagCtrlPosInfo> m_ctrls;
    Wnd* m_pMainWnd = nullptr;
    CRect m_rcMainWnd;
};

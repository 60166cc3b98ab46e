#pragma once
// A window of ours, the stand-in for the class library's CWnd: backed by a Qt
// widget, addressed by control id within its parent, placed by a rectangle in
// its parent's coordinates, talking through messages and virtual hooks.
//
// Every public method may be called from any thread: off the UI thread it runs
// on the UI thread while the caller waits, the way a cross-thread SendMessage
// waits on Windows. PostMessage never waits. Hooks (On...) always run on the UI
// thread.
//
// Children are drawn over their parent with nothing filled first, so whatever
// the parent painted shows through where a child paints nothing.
#include "Graphics.h"
#include "MsgParam.h"
#include "Rect.h"
#include "WinDefs.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Image;
class QObject;
class QWidget;

class Wnd {
public:
    Wnd();
    virtual ~Wnd();
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;

    // Creates the window. With a parent it is a child at rect (the parent's
    // client coordinates; content coordinates when the parent scrolls) with
    // control id `id`, which must be unique among the parent's children (0 may
    // repeat). Without a parent it is a top-level window at rect on the screen;
    // WS_POPUP makes it frameless. WS_VISIBLE shows it, WS_DISABLED disables it.
    // OnCreate runs before the window is shown; -1 from it fails the creation.
    bool Create(Wnd* parent, const CRect& rect, int id, DWORD style = WS_CHILD | WS_VISIBLE);
    // OnDestroy first, then the windows of the children that are left, then
    // this window. The object stays and may be created again.
    void DestroyWindow();
    bool IsCreated() const { return m_hwnd.load() != 0; }
    HWND GetSafeHwnd() const { return m_hwnd.load(); }
    // The live window of a handle, or nullptr. UI thread.
    static Wnd* FromHandle(HWND hwnd);

    int GetDlgCtrlID() const;
    Wnd* GetParent() const;
    // The direct child with the id, or nullptr.
    Wnd* GetDlgItem(int id) const;
    // The top-level window this one belongs to (itself when top-level).
    Wnd* GetTopLevel() const;

    CRect GetClientRect() const; // (0, 0, width, height)
    CRect GetWindowRect() const; // in the parent's coordinates (the screen for a top-level window)
    void MoveWindow(const CRect& rect, bool repaint = true);
    void MoveWindow(int x, int y, int width, int height, bool repaint = true);

    void ShowWindow(int cmd); // SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE, SW_RESTORE
    // True when this window and all its parents are shown.
    bool IsWindowVisible() const;
    bool IsIconic() const;
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    void SetFocus();
    // The window of ours that has the keyboard focus, or nullptr.
    static Wnd* GetFocus();

    void SetWindowText(const std::wstring& text);
    std::wstring GetWindowText() const;
    void SetIcon(const Image* icon);

    // Repaints later (Invalidate) or now (UpdateWindow, which paints what is invalid).
    void Invalidate(bool erase = true);
    void InvalidateRect(const CRect& rect, bool erase = true);
    void UpdateWindow();

    // The message goes to OnMessage (WM_TIMER to OnTimer). SendMessage returns
    // OnMessage's result (0 when the window does not exist); PostMessage queues it.
    LRESULT SendMessage(UINT msg, WPARAM wParam = {}, LPARAM lParam = {});
    bool PostMessage(UINT msg, WPARAM wParam = {}, LPARAM lParam = {});

    // Timers by id: WM_TIMER to OnTimer every `ms`; the same id restarts it.
    bool SetTimer(UINT_PTR id, UINT ms);
    bool KillTimer(UINT_PTR id);
    // The interval of a running timer, 0 when it does not run (tests look).
    UINT GetTimerInterval(UINT_PTR id) const;

    // While a window has the capture, every mouse move and button goes to it.
    void SetCapture();
    static void ReleaseCapture();
    static Wnd* GetCapture();
    // Asks for one OnMouseLeave when the mouse leaves (TME_LEAVE) and one
    // OnMouseHover when it rests hoverMs inside (TME_HOVER), as TrackMouseEvent
    // does; each is delivered once per request. A leave also comes when a move
    // with the button held goes outside the window without capture.
    bool TrackMouseEvent(UINT flags, UINT hoverMs = HOVER_DEFAULT);

    // A window region of a rounded rectangle (corner ellipse ellipseW x ellipseH):
    // nothing outside it is drawn or gets the mouse.
    void SetWindowRgnRoundRect(const CRect& rect, int ellipseW, int ellipseH);
    void ClearWindowRgn();

    // Scrolling content (a scroll view): children are placed and OnPaint
    // draws in content coordinates; the position is clamped to the content.
    void SetScrollSizes(CSize total);
    CSize GetTotalSize() const;
    void ScrollToPosition(CPoint position);
    CPoint GetScrollPosition() const;

    // The layer's own access to the widget (tests grab it).
    QWidget* Widget() const { return m_widget; }

protected:
    // Hooks, all on the UI thread.
    virtual int OnCreate() { return 0; }
    virtual void OnDestroy() {}
    // Messages; the base passes them to DefWindowProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The default handling: WM_NCLBUTTONDOWN with HTCAPTION drags the top-level
    // window; everything else gives 0.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Background first (return true when erased), then the content. OnPaint's
    // coordinates are content coordinates for a scrolling window.
    virtual bool OnEraseBkgnd(Graphics& g);
    virtual void OnPaint(Graphics& g);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnSize(int cx, int cy);
    virtual void OnShowWindow(bool show);
    // Mouse, in client coordinates; flags are MK_*.
    virtual void OnMouseMove(UINT flags, CPoint point);
    virtual void OnLButtonDown(UINT flags, CPoint point);
    virtual void OnLButtonUp(UINT flags, CPoint point);
    virtual void OnRButtonDown(UINT flags, CPoint point);
    virtual void OnRButtonUp(UINT flags, CPoint point);
    // true when handled; otherwise the parent gets the wheel. delta: +120 a notch away from the user.
    virtual bool OnMouseWheel(UINT flags, short delta, CPoint point);
    virtual void OnMouseLeave();
    virtual void OnMouseHover(UINT flags, CPoint point);
    // Keys: the window with the focus and then each parent up to the top-level
    // get PreTranslateKeyDown (virtual key) and PreTranslateChar (the character
    // a key types: Backspace 8, Enter 13, Esc 27 included); true swallows it.
    // What is not swallowed reaches OnKeyDown and OnChar of the focus window.
    virtual bool PreTranslateKeyDown(UINT vk);
    virtual bool PreTranslateChar(wchar_t ch);
    virtual void OnKeyDown(UINT vk);
    virtual void OnChar(wchar_t ch);
    // A request to close a top-level window (the window manager's close button,
    // Alt+F4); the base destroys the window.
    virtual void OnClose();

    // The widget behind the window; controls make their Qt widget here.
    virtual QWidget* CreateWidget(QWidget* parent);
    // Window text of controls whose widget holds it.
    virtual void ApplyWindowText(const std::wstring& text);
    virtual std::wstring ReadWindowText() const;

    // Makes the window; Dialog uses it with an owner for its top-level window.
    bool CreateImpl(Wnd* parent, Wnd* owner, const CRect& rect, int id, DWORD style, bool dialog);
    void NotifyParent(int code);

private:
    friend class WndRouter;
    friend class WndWidget;
    friend class WndFilter;
    friend LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM);
    friend bool PostMessage(HWND, UINT, WPARAM, LPARAM);

    LRESULT WindowProc(UINT msg, const WPARAM& wParam, const LPARAM& lParam);
    // The steps of CreateImpl: the checks before a widget is made, the new
    // widget taken as this window's, then OnCreate, size and visibility.
    bool CanCreate(Wnd* parent, int id) const;
    void AttachWidget(QWidget* w, Wnd* parent, const CRect& rect, int id, DWORD style, bool dialog);
    bool FinishCreate(const CRect& rect, DWORD style);
    void DestroyImpl(bool callHook);
    void PlaceWidget();
    void PlaceChildren();
    bool KeyDownWalk(UINT vk);
    bool CharWalk(wchar_t ch);

    QWidget* m_widget = nullptr;
    std::unique_ptr<QObject> m_filter;
    Wnd* m_parent = nullptr;
    std::vector<Wnd*> m_children;
    std::atomic<HWND> m_hwnd{0};
    int m_id = 0;
    CRect m_rect;
    std::wstring m_text;
    struct Timer {
        int qtId = 0;
        UINT ms = 0;
    };
    std::map<UINT_PTR, Timer> m_timers; // by our id
    UINT m_track = 0;
    UINT m_hoverMs = 400;
    CPoint m_scroll;
    CSize m_total;
};

// Messages by handle, safe from any thread and for windows that may be gone.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = {}, LPARAM lParam = {});
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam = {}, LPARAM lParam = {});
// Ends every running modal loop (Dialog::DoModal returns -1), as WM_QUIT does.
void PostQuitMessage(int exitCode);

// The program's main window, the one its buttons report to (the class
// library's main-window pointer). It may be set before the window is created;
// it reads nullptr once that object is gone. Any thread.
void SetMainWindow(Wnd* wnd);
Wnd* GetMainWindow();

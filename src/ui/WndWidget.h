#pragma once
// The layer's own plumbing between a Wnd and its Qt widget: the widget of an
// owner-drawn window, the event filter every window's widget carries, and the
// mouse routing that gives Qt's events the Windows rules (a press does not
// keep the mouse without capture; leave and hover come when asked for).
#include "Wnd.h"

#include <QObject>
#include <QPoint>
#include <QWidget>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

class WndWidget : public QWidget {
public:
    explicit WndWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class WndFilter : public QObject {
public:
    explicit WndFilter(Wnd* wnd, bool ownerDrawn) : m_wnd(wnd), m_ownerDrawn(ownerDrawn) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Wnd* m_wnd;
    bool m_ownerDrawn;
};

class WndRouter {
public:
    static Wnd* FromWidget(const QWidget* widget);
    static void Attach(Wnd* wnd, QWidget* widget);
    static void Detach(Wnd* wnd);
    // Mouse events of owner-drawn windows; true when consumed.
    static bool Mouse(Wnd* receiver, QMouseEvent* event);
    static bool Wheel(Wnd* receiver, QWheelEvent* event);
    static void Leave(Wnd* receiver);
    static void BeginDrag(Wnd* topLevel);
    static void DeliverLeave(Wnd* wnd);
    static void StartHover(Wnd* wnd);
    // Key routing shared by owner-drawn windows and controls: the walks, then
    // `deflt` (the widget's own handling), then OnKeyDown and OnChar. A control
    // passes its character filter, which may refuse the character.
    static void Key(Wnd* focus, QKeyEvent* event, const std::function<void()>& deflt,
                    const std::function<bool(wchar_t)>& accept = {});
    // Counts hook calls in progress, so that a window destroyed from inside one
    // of its own handlers is deleted after the handler returns.
    struct Dispatch {
        Dispatch();
        ~Dispatch();
    };
    static bool InDispatch();
    static UINT KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
    static UINT VirtualKey(const QKeyEvent* event);
    static wchar_t TypedChar(const QKeyEvent* event);
};

#include "Wnd.h"

#include "DebugTrace.h"
#include "Image.h"
#include "QtBridge.h"
#include "UiThread.h"
#include "WndWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace {

const char* const kWndProperty = "brelk.wnd";

// Live windows by handle; handles are never reused.
std::mutex g_handleMutex;
std::unordered_map<HWND, Wnd*> g_handles;
std::atomic<HWND> g_nextHandle{1};
std::atomic<Wnd*> g_mainWnd{nullptr};

struct MouseState {
    Wnd* hot = nullptr; // the window that got the last move
    Wnd* capture = nullptr;
    QPoint lastGlobal;
    UINT lastFlags = 0;
    // A window dragged by hand where the platform cannot move it for us.
    QPointer<QWidget> dragWindow;
    QPoint dragStartGlobal;
    QPoint dragStartPos;
    QTimer* hoverTimer = nullptr;
};
MouseState g_mouse;
int g_dispatchDepth = 0;

Wnd* LookUp(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(g_handleMutex);
    auto it = g_handles.find(hwnd);
    return it == g_handles.end() ? nullptr : it->second;
}

CPoint ToClient(Wnd* wnd, const QPoint& global)
{
    QPoint p = wnd->Widget()->mapFromGlobal(global);
    return CPoint(p.x(), p.y());
}

// The enabled window of ours under a screen point, in the same top-level window.
Wnd* WndAt(QWidget* anyInWindow, const QPoint& global)
{
    QWidget* top = anyInWindow->window();
    QPoint local = top->mapFromGlobal(global);
    if (!top->rect().contains(local))
        return nullptr;
    if (!top->mask().isEmpty() && !top->mask().contains(local))
        return nullptr;
    QWidget* w = top->childAt(local);
    if (!w)
        w = top;
    for (; w; w = w->parentWidget()) {
        if (Wnd* wnd = WndRouter::FromWidget(w))
            return w->isEnabled() ? wnd : nullptr;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

} // namespace

// ---- router -----------------------------------------------------------------

WndRouter::Dispatch::Dispatch() { ++g_dispatchDepth; }
WndRouter::Dispatch::~Dispatch() { --g_dispatchDepth; }
bool WndRouter::InDispatch() { return g_dispatchDepth > 0; }

Wnd* WndRouter::FromWidget(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    QVariant v = widget->property(kWndProperty);
    return v.isValid() ? static_cast<Wnd*>(v.value<void*>()) : nullptr;
}

void WndRouter::Attach(Wnd* wnd, QWidget* widget)
{
    widget->setProperty(kWndProperty, QVariant::fromValue(static_cast<void*>(wnd)));
}

void WndRouter::Detach(Wnd* wnd)
{
    if (g_mouse.hot == wnd)
        g_mouse.hot = nullptr;
    if (g_mouse.capture == wnd)
        g_mouse.capture = nullptr;
    if (wnd->m_widget)
        wnd->m_widget->setProperty(kWndProperty, QVariant());
}

UINT WndRouter::KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    UINT f = 0;
    if (buttons & Qt::LeftButton)
        f |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        f |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        f |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier)
        f |= MK_SHIFT;
    if (mods & Qt::ControlModifier)
        f |= MK_CONTROL;
    return f;
}

void WndRouter::DeliverLeave(Wnd* wnd)
{
    if (!wnd || !(wnd->m_track & TME_LEAVE))
        return;
    wnd->m_track = 0;
    WndRouter::Dispatch d;
    wnd->OnMouseLeave();
}

void WndRouter::Leave(Wnd* receiver)
{
    if (receiver && g_mouse.hot == receiver && !g_mouse.capture) {
        g_mouse.hot = nullptr;
        DeliverLeave(receiver);
    }
}

void WndRouter::StartHover(Wnd* wnd)
{
    if (!g_mouse.hoverTimer) {
        g_mouse.hoverTimer = new QTimer(qApp);
        g_mouse.hoverTimer->setSingleShot(true);
        QObject::connect(g_mouse.hoverTimer, &QTimer::timeout, [] {
            Wnd* hot = g_mouse.hot;
            if (!hot || !hot->Widget() || !(hot->m_track & TME_HOVER))
                return;
            hot->m_track &= ~TME_HOVER;
            WndRouter::Dispatch d;
            hot->OnMouseHover(g_mouse.lastFlags, ToClient(hot, g_mouse.lastGlobal));
        });
    }
    g_mouse.hoverTimer->start(int(wnd->m_hoverMs));
}

bool WndRouter::Mouse(Wnd* receiver, QMouseEvent* ev)
{
    QPoint global = ev->globalPosition().toPoint();
    UINT flags = KeyFlags(ev->buttons(), ev->modifiers());
    g_mouse.lastGlobal = global;
    g_mouse.lastFlags = flags;

    if (g_mouse.dragWindow) {
        if (ev->type() == QEvent::MouseMove && (ev->buttons() & Qt::LeftButton)) {
            g_mouse.dragWindow->move(g_mouse.dragStartPos + (global - g_mouse.dragStartGlobal));
            return true;
        }
        if (ev->type() == QEvent::MouseButtonRelease || !(ev->buttons() & Qt::LeftButton)) {
            g_mouse.dragWindow = nullptr;
            return true;
        }
    }

    Wnd* target = g_mouse.capture ? g_mouse.capture : WndAt(receiver->m_widget, global);
    if (ev->type() == QEvent::MouseMove) {
        if (target != g_mouse.hot) {
            Wnd* old = g_mouse.hot;
            g_mouse.hot = target;
            DeliverLeave(old);
        }
        if (!target || !target->m_widget)
            return true;
        if (target->m_track & TME_HOVER)
            StartHover(target);
        Dispatch d;
        target->OnMouseMove(flags, ToClient(target, global));
        return true;
    }
    if (!target || !target->m_widget)
        return true;
    CPoint pt = ToClient(target, global);
    Dispatch d;
    bool press = ev->type() == QEvent::MouseButtonPress || ev->type() == QEvent::MouseButtonDblClick;
    if (ev->button() == Qt::LeftButton) {
        if (press)
            target->OnLButtonDown(flags, pt);
        else if (ev->type() == QEvent::MouseButtonRelease)
            target->OnLButtonUp(flags, pt);
    } else if (ev->button() == Qt::RightButton) {
        if (press)
            target->OnRButtonDown(flags, pt);
        else if (ev->type() == QEvent::MouseButtonRelease)
            target->OnRButtonUp(flags, pt);
    }
    return true;
}

bool WndRouter::Wheel(Wnd* receiver, QWheelEvent* ev)
{
    QPoint global = ev->globalPosition().toPoint();
    UINT flags = KeyFlags(ev->buttons(), ev->modifiers());
    int delta = ev->angleDelta().y();
    if (delta == 0)
        return true;
    short d16 = short(std::clamp(delta, -32768, 32767));
    Dispatch d;
    for (Wnd* w = receiver; w && w->m_widget; w = w->m_parent) {
        if (w->OnMouseWheel(flags, d16, ToClient(w, global)))
            break;
    }
    return true;
}

void WndRouter::BeginDrag(Wnd* topLevel)
{
    QWidget* win = topLevel->m_widget;
    if (!win)
        return;
    if (QWindow* handle = win->windowHandle(); handle && handle->startSystemMove())
        return;
    // The platform cannot move it (no window manager, offscreen): follow the mouse ourselves.
    g_mouse.dragWindow = win;
    g_mouse.dragStartGlobal = g_mouse.lastGlobal;
    g_mouse.dragStartPos = win->pos();
}

UINT WndRouter::VirtualKey(const QKeyEvent* ev)
{
    int k = ev->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return UINT(k);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return VK_F1 + UINT(k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
    }
}

wchar_t WndRouter::TypedChar(const QKeyEvent* ev)
{
    switch (ev->key()) {
    case Qt::Key_Backspace: return L'\b';
    case Qt::Key_Return:
    case Qt::Key_Enter: return L'\r';
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return L'\t';
    default: break;
    }
    QString t = ev->text();
    if (t.isEmpty() || (ev->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return 0;
    QChar c = t.at(0);
    if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate())
        return 0;
    return wchar_t(c.unicode());
}

void WndRouter::Key(Wnd* focus, QKeyEvent* ev, const std::function<void()>& deflt,
                    const std::function<bool(wchar_t)>& accept)
{
    Dispatch d;
    QPointer<QWidget> alive = focus->m_widget;
    UINT vk = VirtualKey(ev);
    if (vk && focus->KeyDownWalk(vk))
        return;
    if (!alive)
        return;
    wchar_t ch = TypedChar(ev);
    if (ch && focus->CharWalk(ch))
        return;
    if (!alive)
        return;
    if (ch && accept && !accept(ch))
        return;
    if (deflt)
        deflt();
    if (!alive || !focus->m_widget)
        return;
    if (vk)
        focus->OnKeyDown(vk);
    if (ch && alive && focus->m_widget)
        focus->OnChar(ch);
}

// ---- widget and filter --------------------------------------------------------

WndWidget::WndWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
}

void WndWidget::paintEvent(QPaintEvent*)
{
    Wnd* wnd = WndRouter::FromWidget(this);
    if (!wnd)
        return;
    QPainter painter(this);
    Graphics g(painter, 96, false);
    WndRouter::Dispatch d;
    wnd->OnEraseBkgnd(g);
    painter.translate(-wnd->m_scroll.x, -wnd->m_scroll.y);
    wnd->OnPaint(g);
}

void WndWidget::keyPressEvent(QKeyEvent* ev)
{
    Wnd* wnd = WndRouter::FromWidget(this);
    if (!wnd) {
        QWidget::keyPressEvent(ev);
        return;
    }
    WndRouter::Key(wnd, ev, nullptr);
}

bool WndFilter::eventFilter(QObject* watched, QEvent* ev)
{
    if (watched != m_wnd->m_widget)
        return false;
    switch (ev->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (m_ownerDrawn)
            return WndRouter::Mouse(m_wnd, static_cast<QMouseEvent*>(ev));
        if (ev->type() == QEvent::MouseMove) {
            // A control keeps Qt's own mouse handling; the hot window still changes.
            if (g_mouse.hot != m_wnd && !g_mouse.capture) {
                Wnd* old = g_mouse.hot;
                g_mouse.hot = m_wnd;
                WndRouter::DeliverLeave(old);
            }
        }
        return false;
    case QEvent::Wheel:
        if (m_ownerDrawn)
            return WndRouter::Wheel(m_wnd, static_cast<QWheelEvent*>(ev));
        return false;
    case QEvent::Leave: WndRouter::Leave(m_wnd); return false;
    case QEvent::Timer: {
        int qtId = static_cast<QTimerEvent*>(ev)->timerId();
        for (const auto& [id, t] : m_wnd->m_timers) {
            if (t.qtId == qtId) {
                m_wnd->SendMessage(WM_TIMER, WPARAM(id), 0);
                return true;
            }
        }
        return false;
    }
    case QEvent::Close:
        if (m_wnd->m_widget->isWindow()) {
            ev->ignore();
            WndRouter::Dispatch d;
            m_wnd->OnClose();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        // Controls without a key hook of their own (combo and check boxes) still walk the tree.
        if (!m_ownerDrawn && !m_wnd->m_widget->property("brelk.keys").toBool()) {
            auto* ke = static_cast<QKeyEvent*>(ev);
            WndRouter::Dispatch d;
            UINT vk = WndRouter::VirtualKey(ke);
            if (vk && m_wnd->KeyDownWalk(vk))
                return true;
            wchar_t ch = WndRouter::TypedChar(ke);
            if (ch && m_wnd->CharWalk(ch))
                return true;
        }
        return false;
    default: return false;
    }
}

// ---- Wnd ----------------------------------------------------------------------

Wnd::Wnd() = default;

Wnd::~Wnd()
{
    Wnd* self = this;
    g_mainWnd.compare_exchange_strong(self, nullptr);
    // The derived parts are gone: no OnDestroy from here.
    RunOnUiThread([this] { DestroyImpl(false); });
}

Wnd* Wnd::FromHandle(HWND hwnd) { return hwnd ? LookUp(hwnd) : nullptr; }

QWidget* Wnd::CreateWidget(QWidget* parent) { return new WndWidget(parent); }

bool Wnd::Create(Wnd* parent, const CRect& rect, int id, DWORD style)
{
    return CreateImpl(parent, nullptr, rect, id, style, false);
}

bool Wnd::CanCreate(Wnd* parent, int id) const
{
    if (m_widget) {
        DebugTrace("Wnd::Create: window %d exists already\n", m_id);
        return false;
    }
    if (parent && !parent->m_widget) {
        DebugTrace("Wnd::Create: parent of %d has no window\n", id);
        return false;
    }
    if (parent && id != 0 && parent->GetDlgItem(id)) {
        DebugTrace("Wnd::Create: id %d is taken in its parent\n", id);
        return false;
    }
    return true;
}

void Wnd::AttachWidget(QWidget* w, Wnd* parent, const CRect& rect, int id, DWORD style, bool dialog)
{
    m_widget = w;
    m_parent = parent;
    m_id = id;
    m_rect = rect;
    m_track = 0;
    m_scroll = {};
    m_total = {};
    if (!parent) {
        Qt::WindowFlags flags = dialog ? Qt::Dialog : Qt::Window;
        if (style & WS_POPUP)
            flags |= Qt::FramelessWindowHint;
        w->setWindowFlags(flags);
        if (!m_text.empty())
            w->setWindowTitle(QString::fromStdWString(m_text));
    }
    WndRouter::Attach(this, w);
    bool ownerDrawn = dynamic_cast<WndWidget*>(w) != nullptr;
    m_filter = std::make_unique<WndFilter>(this, ownerDrawn);
    w->installEventFilter(m_filter.get());
    if (parent)
        parent->m_children.push_back(this);
    HWND h = g_nextHandle.fetch_add(1);
    {
        std::lock_guard<std::mutex> lock(g_handleMutex);
        g_handles[h] = this;
    }
    m_hwnd.store(h);
    PlaceWidget();
    if (!m_text.empty())
        ApplyWindowText(m_text);
}

bool Wnd::FinishCreate(const CRect& rect, DWORD style)
{
    WndRouter::Dispatch d;
    if (OnCreate() == -1) {
        DestroyImpl(true);
        return false;
    }
    if (!m_widget)
        return false;
    OnSize(rect.Width(), rect.Height());
    if (style & WS_DISABLED)
        m_widget->setEnabled(false);
    if ((style & WS_VISIBLE) && m_widget) {
        m_widget->show();
        OnShowWindow(true);
    } else if (m_widget) {
        // Hidden until shown, even when the parent comes up: Qt would show it with the parent.
        m_widget->hide();
    }
    return m_widget != nullptr;
}

bool Wnd::CreateImpl(Wnd* parent, Wnd* owner, const CRect& rect, int id, DWORD style, bool dialog)
{
    return CallOnUiThread([&]() -> bool {
        if (!CanCreate(parent, id))
            return false;
        QWidget* parentWidget = parent ? parent->m_widget : (owner ? owner->m_widget : nullptr);
        QWidget* w = CreateWidget(parentWidget);
        if (!w)
            return false;
        AttachWidget(w, parent, rect, id, style, dialog);
        return FinishCreate(rect, style);
    });
}

void Wnd::DestroyWindow()
{
    RunOnUiThread([this] { DestroyImpl(true); });
}

void Wnd::DestroyImpl(bool callHook)
{
    if (!m_widget)
        return;
    if (callHook) {
        WndRouter::Dispatch d;
        OnDestroy();
        if (!m_widget)
            return;
    }
    std::vector<Wnd*> children = m_children;
    for (Wnd* child : children)
        child->DestroyImpl(true);
    m_children.clear();
    for (const auto& [id, t] : m_timers)
        m_widget->killTimer(t.qtId);
    m_timers.clear();
    HWND h = m_hwnd.exchange(0);
    {
        std::lock_guard<std::mutex> lock(g_handleMutex);
        g_handles.erase(h);
    }
    WndRouter::Detach(this);
    QWidget* w = m_widget;
    m_widget = nullptr;
    w->removeEventFilter(m_filter.get());
    if (m_parent) {
        auto& sib = m_parent->m_children;
        sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
        m_parent = nullptr;
    }
    w->hide();
    // Deleting a widget inside one of its own event handlers would pull the
    // floor from under Qt; then it goes when the handler has returned.
    if (WndRouter::InDispatch()) {
        w->deleteLater();
        m_filter.release()->deleteLater();
    } else {
        delete w;
        m_filter.reset();
    }
}

int Wnd::GetDlgCtrlID() const { return m_id; }

Wnd* Wnd::GetParent() const { return m_parent; }

Wnd* Wnd::GetDlgItem(int id) const
{
    return CallOnUiThread([&]() -> Wnd* {
        for (Wnd* c : m_children)
            if (c->m_id == id)
                return c;
        return nullptr;
    });
}

Wnd* Wnd::GetTopLevel() const
{
    const Wnd* w = this;
    while (w->m_parent)
        w = w->m_parent;
    return const_cast<Wnd*>(w);
}

CRect Wnd::GetClientRect() const
{
    return CallOnUiThread([&] {
        if (!m_widget)
            return CRect();
        return CRect(0, 0, m_widget->width(), m_widget->height());
    });
}

CRect Wnd::GetWindowRect() const
{
    return CallOnUiThread([&] {
        if (m_widget && !m_parent)
            return FromQRect(m_widget->geometry());
        return m_rect;
    });
}

void Wnd::PlaceWidget()
{
    if (!m_widget)
        return;
    CRect r = m_rect;
    if (m_parent)
        r.OffsetRect(-m_parent->m_scroll.x, -m_parent->m_scroll.y);
    m_widget->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

void Wnd::PlaceChildren()
{
    for (Wnd* c : m_children)
        c->PlaceWidget();
}

void Wnd::MoveWindow(const CRect& rect, bool repaint)
{
    RunOnUiThread([&] {
        if (!m_widget) {
            m_rect = rect;
            return;
        }
        bool resized = rect.Width() != m_rect.Width() || rect.Height() != m_rect.Height();
        m_rect = rect;
        PlaceWidget();
        if (resized) {
            WndRouter::Dispatch d;
            OnSize(rect.Width(), rect.Height());
        }
        if (repaint && m_widget)
            m_widget->update();
    });
}

void Wnd::MoveWindow(int x, int y, int width, int height, bool repaint)
{
    MoveWindow(CRect(x, y, x + width, y + height), repaint);
}

void Wnd::ShowWindow(int cmd)
{
    RunOnUiThread([&] {
        if (!m_widget)
            return;
        bool wasShown = !m_widget->isHidden();
        switch (cmd) {
        case SW_HIDE: m_widget->hide(); break;
        case SW_MINIMIZE:
            if (m_widget->isWindow())
                m_widget->showMinimized();
            break;
        case SW_RESTORE:
            if (m_widget->isWindow())
                m_widget->showNormal();
            else
                m_widget->show();
            break;
        default: m_widget->show(); break;
        }
        if (m_widget && wasShown != !m_widget->isHidden()) {
            WndRouter::Dispatch d;
            OnShowWindow(!m_widget->isHidden());
        }
    });
}

bool Wnd::IsWindowVisible() const
{
    return CallOnUiThread([&] { return m_widget && m_widget->isVisible(); });
}

bool Wnd::IsIconic() const
{
    return CallOnUiThread([&] { return m_widget && m_widget->isWindow() && m_widget->isMinimized(); });
}

void Wnd::EnableWindow(bool enable)
{
    RunOnUiThread([&] {
        if (m_widget)
            m_widget->setEnabled(enable);
    });
}

bool Wnd::IsWindowEnabled() const
{
    return CallOnUiThread([&] { return m_widget && m_widget->isEnabled(); });
}

void Wnd::SetFocus()
{
    RunOnUiThread([&] {
        if (m_widget)
            m_widget->setFocus(Qt::OtherFocusReason);
    });
}

Wnd* Wnd::GetFocus()
{
    return CallOnUiThread([]() -> Wnd* {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (Wnd* wnd = WndRouter::FromWidget(w))
                return wnd;
        return nullptr;
    });
}

void Wnd::SetWindowText(const std::wstring& text)
{
    RunOnUiThread([&] {
        m_text = text;
        if (!m_widget)
            return;
        if (m_widget->isWindow())
            m_widget->setWindowTitle(QString::fromStdWString(text));
        ApplyWindowText(text);
    });
}

std::wstring Wnd::GetWindowText() const
{
    return CallOnUiThread([&] { return m_widget ? ReadWindowText() : m_text; });
}

void Wnd::ApplyWindowText(const std::wstring&)
{
    if (m_widget)
        m_widget->update();
}

std::wstring Wnd::ReadWindowText() const { return m_text; }

void Wnd::SetIcon(const Image* icon)
{
    RunOnUiThread([&] {
        if (m_widget && icon && !icon->IsNull())
            m_widget->setWindowIcon(QIcon(QPixmap::fromImage(icon->Data())));
    });
}

void Wnd::Invalidate(bool)
{
    RunOnUiThread([&] {
        if (m_widget)
            m_widget->update();
    });
}

void Wnd::InvalidateRect(const CRect& rect, bool)
{
    RunOnUiThread([&] {
        if (m_widget)
            m_widget->update(ToQRect(rect));
    });
}

void Wnd::UpdateWindow()
{
    RunOnUiThread([&] {
        if (m_widget && m_widget->isVisible())
            m_widget->repaint();
    });
}

LRESULT Wnd::WindowProc(UINT msg, const WPARAM& wParam, const LPARAM& lParam)
{
    WndRouter::Dispatch d;
    if (msg == WM_TIMER) {
        OnTimer(UINT_PTR(wParam.Value()));
        return 0;
    }
    return OnMessage(msg, wParam, lParam);
}

LRESULT Wnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessage(GetSafeHwnd(), msg, std::move(wParam), std::move(lParam));
}

bool Wnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessage(GetSafeHwnd(), msg, std::move(wParam), std::move(lParam));
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return 0;
    return CallOnUiThread([&]() -> LRESULT {
        Wnd* wnd = LookUp(hwnd);
        return wnd ? wnd->WindowProc(msg, wParam, lParam) : 0;
    });
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd || !LookUp(hwnd))
        return false;
    PostToUiThread([hwnd, msg, wParam, lParam] {
        if (Wnd* wnd = LookUp(hwnd))
            wnd->WindowProc(msg, wParam, lParam);
    });
    return true;
}

void SetMainWindow(Wnd* wnd) { g_mainWnd.store(wnd); }

Wnd* GetMainWindow() { return g_mainWnd.load(); }

LRESULT Wnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProc(msg, wParam, lParam); }

LRESULT Wnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_NCLBUTTONDOWN && wParam.Value() == HTCAPTION && m_widget && !m_parent)
        WndRouter::BeginDrag(this);
    if (msg == WM_CLOSE && m_widget && !m_parent)
        OnClose();
    return 0;
}

bool Wnd::SetTimer(UINT_PTR id, UINT ms)
{
    return CallOnUiThread([&] {
        if (!m_widget)
            return false;
        KillTimer(id);
        int q = m_widget->startTimer(int(std::max<UINT>(ms, 1)));
        if (q == 0)
            return false;
        m_timers[id] = Timer{q, ms};
        return true;
    });
}

bool Wnd::KillTimer(UINT_PTR id)
{
    return CallOnUiThread([&] {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            return false;
        if (m_widget)
            m_widget->killTimer(it->second.qtId);
        m_timers.erase(it);
        return true;
    });
}

UINT Wnd::GetTimerInterval(UINT_PTR id) const
{
    return CallOnUiThread([&]() -> UINT {
        auto it = m_timers.find(id);
        return it == m_timers.end() ? 0 : it->second.ms;
    });
}

void Wnd::SetCapture()
{
    RunOnUiThread([&] {
        if (m_widget)
            g_mouse.capture = this;
    });
}

void Wnd::ReleaseCapture()
{
    RunOnUiThread([] { g_mouse.capture = nullptr; });
}

Wnd* Wnd::GetCapture()
{
    return CallOnUiThread([] { return g_mouse.capture; });
}

bool Wnd::TrackMouseEvent(UINT flags, UINT hoverMs)
{
    return CallOnUiThread([&] {
        if (!m_widget)
            return false;
        m_track |= flags & (TME_LEAVE | TME_HOVER);
        m_hoverMs = hoverMs == HOVER_DEFAULT ? 400 : std::max<UINT>(hoverMs, 1);
        if ((flags & TME_HOVER) && g_mouse.hot == this)
            WndRouter::StartHover(this);
        return true;
    });
}

void Wnd::SetWindowRgnRoundRect(const CRect& rect, int ellipseW, int ellipseH)
{
    RunOnUiThread([&] {
        if (!m_widget)
            return;
        QPainterPath path;
        path.addRoundedRect(QRectF(ToQRect(rect)), ellipseW / 2.0, ellipseH / 2.0);
        m_widget->setMask(QRegion(path.toFillPolygon().toPolygon()));
    });
}

void Wnd::ClearWindowRgn()
{
    RunOnUiThread([&] {
        if (m_widget)
            m_widget->clearMask();
    });
}

void Wnd::SetScrollSizes(CSize total)
{
    RunOnUiThread([&] {
        m_total = total;
        ScrollToPosition(m_scroll);
    });
}

CSize Wnd::GetTotalSize() const
{
    return CallOnUiThread([&] { return m_total; });
}

void Wnd::ScrollToPosition(CPoint position)
{
    RunOnUiThread([&] {
        CRect client = GetClientRect();
        CPoint p(std::clamp(position.x, 0, std::max(0, m_total.cx - client.Width())),
                 std::clamp(position.y, 0, std::max(0, m_total.cy - client.Height())));
        if (p == m_scroll)
            return;
        m_scroll = p;
        PlaceChildren();
        if (m_widget)
            m_widget->update();
    });
}

CPoint Wnd::GetScrollPosition() const
{
    return CallOnUiThread([&] { return m_scroll; });
}

void Wnd::NotifyParent(int code)
{
    if (m_parent)
        m_parent->SendMessage(WM_COMMAND, m_id, code);
}

bool Wnd::KeyDownWalk(UINT vk)
{
    for (Wnd* w = this; w && w->m_widget; w = w->m_parent)
        if (w->PreTranslateKeyDown(vk))
            return true;
    return false;
}

bool Wnd::CharWalk(wchar_t ch)
{
    for (Wnd* w = this; w && w->m_widget; w = w->m_parent)
        if (w->PreTranslateChar(ch))
            return true;
    return false;
}

bool Wnd::OnEraseBkgnd(Graphics&) { return false; }
void Wnd::OnPaint(Graphics&) {}
void Wnd::OnTimer(UINT_PTR) {}
void Wnd::OnSize(int, int) {}
void Wnd::OnShowWindow(bool) {}
void Wnd::OnMouseMove(UINT, CPoint) {}
void Wnd::OnLButtonDown(UINT, CPoint) {}
void Wnd::OnLButtonUp(UINT, CPoint) {}
void Wnd::OnRButtonDown(UINT, CPoint) {}
void Wnd::OnRButtonUp(UINT, CPoint) {}
bool Wnd::OnMouseWheel(UINT, short, CPoint) { return false; }
void Wnd::OnMouseLeave() {}
void Wnd::OnMouseHover(UINT, CPoint) {}
bool Wnd::PreTranslateKeyDown(UINT) { return false; }
bool Wnd::PreTranslateChar(wchar_t) { return false; }
void Wnd::OnKeyDown(UINT) {}
void Wnd::OnChar(wchar_t) {}
void Wnd::OnClose() { DestroyImpl(true); }

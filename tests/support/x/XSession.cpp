#include "XSession.h"

#include "UiTestSupport.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr int kServerStartMs = 15000;
// A pause after each input event, so the program takes one at a time as from a hand.
constexpr int kInputPauseMs = 15;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Xlib reports a failed request through this; a window that went away while
// we looked at it is no fault of the test.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

XSession::~XSession()
{
    if (m_display)
        XCloseDisplay(m_display);
    m_server.Stop(1000);
}

bool XSession::Start(int width, int height, const std::string& logFile)
{
    if (::access(kXvfb, X_OK) != 0) {
        m_error = std::string(kXvfb) + " is not installed (Debian's xvfb; scripts/setup installs it)";
        return false;
    }
    // Xvfb picks a free display itself and writes its number to the pipe once it takes clients.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);
    TestProcess::Options options;
    options.args = {"-displayfd",
                    std::to_string(pipeFds[1]),
                    "-screen",
                    "0",
                    std::to_string(width) + "x" + std::to_string(height) + "x24",
                    "-nolisten",
                    "tcp",
                    "-noreset"};
    options.stderrFile = logFile;
    options.passFd = pipeFds[1];
    const bool started = m_server.Start(kXvfb, options);
    ::close(pipeFds[1]);
    std::string number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServerStartMs);
    while (started && std::chrono::steady_clock::now() < end) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(pipeFds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            break;
        number += c;
    }
    ::close(pipeFds[0]);
    if (!started || number.empty()) {
        m_error = "Xvfb did not start (its messages are in " + logFile + ")";
        m_server.Stop(500);
        return false;
    }
    m_displayName = ":" + number;
    XSetErrorHandler(IgnoreErrors);
    m_display = XOpenDisplay(m_displayName.c_str());
    if (!m_display) {
        m_error = "no connection to the X server on " + m_displayName;
        return false;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        m_error = "the X server has no XTest extension";
        return false;
    }
    return true;
}

std::vector<XSession::Window> XSession::WindowsOf(pid_t pid)
{
    std::vector<Window> found;
    if (!m_display)
        return found;
    const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", True);
    ::Window root = DefaultRootWindow(m_display), parent = 0, *children = nullptr;
    unsigned count = 0;
    if (pidAtom == None || !XQueryTree(m_display, root, &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(m_display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &value) != Success)
            continue;
        const bool ours = value && items == 1 && format == 32 &&
                          *reinterpret_cast<unsigned long*>(value) == static_cast<unsigned long>(pid);
        if (value)
            XFree(value);
        XWindowAttributes attributes;
        if (!ours || !XGetWindowAttributes(m_display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(m_display, children[i], root, 0, 0, &x, &y, &child);
        found.push_back({children[i], CRect(x, y, x + attributes.width, y + attributes.height)});
    }
    if (children)
        XFree(children);
    return found;
}

void XSession::Flush()
{
    XSync(m_display, False);
    Pause(kInputPauseMs);
}

void XSession::MoveTo(CPoint point)
{
    if (!m_display)
        return;
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), point.x, point.y, CurrentTime);
    Flush();
}

void XSession::Press(CPoint point)
{
    MoveTo(point);
    if (!m_display)
        return;
    XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
    Flush();
}

void XSession::Release(CPoint point)
{
    MoveTo(point);
    if (!m_display)
        return;
    XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
    Flush();
}

void XSession::Click(CPoint point)
{
    Press(point);
    Release(point);
}

void XSession::Key(const std::string& keysymName)
{
    if (!m_display)
        return;
    const KeySym sym = XStringToKeysym(keysymName.c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(m_display, sym);
    if (!code)
        return;
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    Flush();
}

void XSession::KeyOfChar(char c)
{
    char name[2] = {c, 0};
    KeySym sym = XStringToKeysym(name);
    if (sym == NoSymbol) {
        static const std::pair<char, const char*> kNames[] = {
            {' ', "space"}, {'.', "period"},     {',', "comma"},     {'-', "minus"},
            {'/', "slash"}, {'_', "underscore"}, {':', "colon"},     {'=', "equal"},
            {'+', "plus"},  {'(', "parenleft"},  {')', "parenright"}};
        for (const auto& [ch, keysym] : kNames)
            if (ch == c)
                sym = XStringToKeysym(keysym);
    }
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(m_display, sym);
    if (!code)
        return;
    // Shift where the key's first symbol is not the character (capitals and
    // the upper row of punctuation).
    const bool shift = XkbKeycodeToKeysym(m_display, code, 0, 0) != sym;
    const KeyCode shiftCode = XKeysymToKeycode(m_display, XStringToKeysym("Shift_L"));
    if (shift)
        XTestFakeKeyEvent(m_display, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(m_display, shiftCode, False, CurrentTime);
    Flush();
}

void XSession::Type(const std::string& text)
{
    if (!m_display)
        return;
    for (char c : text)
        KeyOfChar(c);
}

std::unique_ptr<Image> XSession::Grab(const CRect& rect)
{
    if (!m_display || rect.Width() <= 0 || rect.Height() <= 0)
        return nullptr;
    XImage* shot =
        XGetImage(m_display, DefaultRootWindow(m_display), rect.left, rect.top, static_cast<unsigned>(rect.Width()),
                  static_cast<unsigned>(rect.Height()), AllPlanes, ZPixmap);
    if (!shot)
        return nullptr;
    std::vector<uint32_t> pixels(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()));
    for (int y = 0; y < rect.Height(); ++y)
        for (int x = 0; x < rect.Width(); ++x)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(rect.Width()) + static_cast<size_t>(x)] =
                0xFF000000u | (static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0x00FFFFFFu);
    XDestroyImage(shot);
    return ImageFromPixels(rect.Width(), rect.Height(), pixels);
}

#pragma once
// An X server of the test's own (Xvfb on a display no one else uses) and a
// connection to it that makes real input through the XTest extension, finds
// the windows of a process and grabs what the screen shows.
#include "Image.h"
#include "Rect.h"
#include "TestProcess.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

class XSession {
public:
    XSession() = default;
    // Closes the connection and ends the server.
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts Xvfb with one screen of that size and connects to it; false with
    // the reason in Error() when there is no X server to be had here.
    bool Start(int width, int height, const std::string& logFile);
    const std::string& Error() const { return m_error; }
    // ":N", for the DISPLAY of the programs shown on it.
    const std::string& DisplayName() const { return m_displayName; }

    // A window on the screen: its id and rectangle in screen coordinates.
    struct Window {
        unsigned long id = 0;
        CRect rect;
    };
    // The mapped top-level windows of a process (by their _NET_WM_PID), in stacking order, bottom first.
    std::vector<Window> WindowsOf(pid_t pid);

    // Input, at points of the screen.
    void MoveTo(CPoint point);
    void Click(CPoint point);
    void Press(CPoint point);
    void Release(CPoint point);
    // A key by its X keysym name ("F2", "Return", "Down", "BackSpace", "a").
    void Key(const std::string& keysymName);
    // Types the text, character by character (letters, digits, blanks and
    // the punctuation of a US keyboard).
    void Type(const std::string& text);

    // What the screen shows in the rectangle (screen coordinates).
    std::unique_ptr<Image> Grab(const CRect& rect);

private:
    void KeyOfChar(char c);
    void Flush();

    TestProcess m_server;
    _XDisplay* m_display = nullptr;
    std::string m_displayName;
    std::string m_error;
};

#pragma once
// The application object of the windowing layer: one per process, made by the
// thread that then is the UI thread, before any window. It sets up Qt, the
// font faces ("Arial" as Liberation Sans) and the embedded images.
#include "Rect.h"

#include <memory>

class QApplication;

class UiApp {
public:
    UiApp(int& argc, char** argv);
    ~UiApp();
    UiApp(const UiApp&) = delete;
    UiApp& operator=(const UiApp&) = delete;

    // False when there is nowhere to show a window (no display and no
    // QT_QPA_PLATFORM): the program should say so instead of starting.
    static bool DisplayAvailable();
    // The primary screen and its work area (without panels), in pixels.
    static CSize GetScreenSize();
    static CRect GetWorkArea();

private:
    std::unique_ptr<QApplication> m_app;
};

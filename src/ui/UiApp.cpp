#include "UiApp.h"

#include "Image.h"

#include <QApplication>
#include <QFont>
#include <QScreen>

#include <cstdlib>

UiApp::UiApp(int& argc, char** argv) : m_app(std::make_unique<QApplication>(argc, argv))
{
    // Our own windows decide when the program ends, not the last window closed.
    QApplication::setQuitOnLastWindowClosed(false);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    // Registers the image resources before anything asks for one.
    (void)LoadPngResource(0);
}

UiApp::~UiApp() = default;

bool UiApp::DisplayAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v)
            return true;
    }
    return false;
}

CSize UiApp::GetScreenSize()
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return CSize(1024, 768);
    return CSize(s->geometry().width(), s->geometry().height());
}

CRect UiApp::GetWorkArea()
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return CRect(0, 0, 1024, 768);
    QRect r = s->availableGeometry();
    return CRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
}

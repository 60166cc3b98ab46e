// brelk: the client. One instance at a time; the main window runs until it is closed.
#include "BRELK2App.h"
#include "UiApp.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // The instance comes first: a second start ends at once and quietly,
    // whatever it was started from.
    if (!theApp.AcquireSingleInstance())
        return 0;
    if (!UiApp::DisplayAvailable()) {
        std::fprintf(stderr, "brelk: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
                             "set). Start it from a desktop session, or with QT_QPA_PLATFORM=offscreen to run it "
                             "without one.\n");
        theApp.ExitInstance();
        return 1;
    }
    theApp.InitInstance(argc, argv);
    return theApp.ExitInstance();
}

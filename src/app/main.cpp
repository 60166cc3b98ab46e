// brelk: until the main window stands, the client looks up the Brelk's port,
// asks for its firmware version and prints both.
#include "BrelkCommands.h"
#include "CodePage.h"
#include "SearchUsbPort.h"
#include "SerialPort.h"

#include <cstdio>

int main()
{
    int port = FindDeviceComPort();
    if (port == 0) {
        std::printf("No Brelk found.\n");
        return 1;
    }
    std::printf("Brelk port: COM%d\n", port);
    if (!SerialOpen(port)) {
        std::printf("COM%d cannot be opened.\n", port);
        return 1;
    }
    std::wstring version = GetBrelkVersion(SerialErrorTarget());
    SerialClose();
    if (version.empty()) {
        std::printf("The Brelk did not report its version.\n");
        return 1;
    }
    std::printf("Brelk version: %s\n", WideToUtf8(version).c_str());
    return 0;
}

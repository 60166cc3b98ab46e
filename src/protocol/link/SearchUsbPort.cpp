#include "SearchUsbPort.h"

#include "DeviceMap.h"
#include "SerialPort.h"

#include <cstdio>
#include <cstdlib>

int CSearchUsbPort::SearchPorts()
{
    m_ports.clear();
    auto map = DeviceMap::Read();
    if (!map)
        return 0;
    for (int i = 0; i <= 199; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\Device\\USBSER%03d", i);
        for (const DeviceMapEntry& e : *map) {
            if (e.valueName != name)
                continue;
            // The value is read into a 20-byte buffer: longer data is not taken.
            if (e.portName.size() + 1 > 20)
                break;
            const char* digits = e.portName.size() > 3 ? e.portName.c_str() + 3 : "";
            m_ports.push_back(std::atoi(digits));
            break;
        }
    }
    return static_cast<int>(m_ports.size());
}

CSearchUsbPort& GetSearchUsbPort()
{
    static CSearchUsbPort instance;
    return instance;
}

int FindDeviceComPort()
{
    CSearchUsbPort& search = GetSearchUsbPort();
    int port = search.SearchPorts() > 0 ? search.Ports().front() : 0;
    g_nBrelkPort = port;
    return port;
}

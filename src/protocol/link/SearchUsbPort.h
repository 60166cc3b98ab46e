#pragma once
// Lists the COM numbers of the USB serial ports in the serial-port device map.
#include <vector>

class CSearchUsbPort {
public:
    virtual ~CSearchUsbPort() = default;
    // Empties the list, reads "\Device\USBSER000" to "\Device\USBSER199" in order
    // and returns how many ports were found (0 when there is no map).
    int SearchPorts();
    const std::vector<int>& Ports() const { return m_ports; }

private:
    std::vector<int> m_ports;
};

// The one process-wide instance.
CSearchUsbPort& GetSearchUsbPort();
// First port of a fresh search, 0 when none; stored in g_nBrelkPort.
int FindDeviceComPort();

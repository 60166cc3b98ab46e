#pragma once
// Tells a window about serial devices coming and going: every report of the
// device monitor (udev's tty subsystem and the links folder unless another
// monitor is given) is posted to the window as WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE or DBT_DEVNODES_CHANGED in wParam.
#include "DeviceMonitor.h"
#include "WinDefs.h"

#include <atomic>
#include <memory>

class Wnd;

class DeviceWatcher {
public:
    explicit DeviceWatcher(std::unique_ptr<IDeviceMonitor> monitor = CreateSerialPortMonitor());
    ~DeviceWatcher();
    DeviceWatcher(const DeviceWatcher&) = delete;
    DeviceWatcher& operator=(const DeviceWatcher&) = delete;

    // False when the monitor cannot run (neither udev nor the links folder):
    // the program then goes on without device notifications.
    bool Start(Wnd* target);
    void Stop();

private:
    std::unique_ptr<IDeviceMonitor> m_monitor;
    std::atomic<HWND> m_target{0};
};

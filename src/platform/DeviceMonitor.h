#pragma once
// Arrival and removal of serial devices, as WM_DEVICECHANGE tells a Windows
// program. The real monitor listens to udev's tty subsystem on a thread of its
// own; the windowing layer turns its reports into window messages.
#include <functional>
#include <memory>
#include <string>

enum class DeviceEventKind { Added, Removed, Changed };

struct DeviceEvent {
    DeviceEventKind kind = DeviceEventKind::Changed;
    std::string devicePath; // "/dev/ttyACM0"; may be empty
};

class IDeviceMonitor {
public:
    virtual ~IDeviceMonitor() = default;
    // Starts reporting; the callback runs on the monitor's own thread. False
    // when the source cannot be watched (no udev, for example).
    virtual bool Start(std::function<void(const DeviceEvent&)> callback) = 0;
    // Stops reporting; no callback runs once this returns. Idempotent.
    virtual void Stop() = 0;
};

// The udev monitor of the tty subsystem.
std::unique_ptr<IDeviceMonitor> CreateUdevTtyMonitor();
// Every serial port the device map lists: the udev monitor of the tty
// subsystem and the watch on the links folder, reporting through one callback.
// It starts when either part starts.
std::unique_ptr<IDeviceMonitor> CreateSerialPortMonitor();

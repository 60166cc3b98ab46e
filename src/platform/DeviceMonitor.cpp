#include "DeviceMonitor.h"

#include "DebugTrace.h"
#include "DeviceMap.h"
#include "FdWatch.h"
#include "LinksFolderMonitor.h"

#include <cstring>
#include <libudev.h>
#include <vector>

namespace {

class UdevTtyMonitor final : public IDeviceMonitor {
public:
    ~UdevTtyMonitor() override { Stop(); }

    bool Start(std::function<void(const DeviceEvent&)> callback) override
    {
        if (m_watch.Running())
            return true;
        m_udev = udev_new();
        if (!m_udev)
            return Fail("udev_new");
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor)
            return Fail("udev_monitor_new_from_netlink");
        if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0)
            return Fail("udev monitor setup");
        m_callback = std::move(callback);
        if (!m_watch.Start(udev_monitor_get_fd(m_monitor), [this] { Receive(); }))
            return Fail("pipe2");
        return true;
    }

    void Stop() override
    {
        m_watch.Stop();
        Cleanup();
    }

private:
    bool Fail(const char* what)
    {
        DebugTrace("device monitor: %s failed\n", what);
        Cleanup();
        return false;
    }

    void Cleanup()
    {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        if (m_udev)
            udev_unref(m_udev);
        m_udev = nullptr;
    }

    void Receive()
    {
        udev_device* dev = udev_monitor_receive_device(m_monitor);
        if (!dev)
            return;
        DeviceEvent ev;
        const char* action = udev_device_get_action(dev);
        if (action && std::strcmp(action, "add") == 0)
            ev.kind = DeviceEventKind::Added;
        else if (action && std::strcmp(action, "remove") == 0)
            ev.kind = DeviceEventKind::Removed;
        if (const char* node = udev_device_get_devnode(dev))
            ev.devicePath = node;
        udev_device_unref(dev);
        m_callback(ev);
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    std::function<void(const DeviceEvent&)> m_callback;
    FdWatch m_watch;
};

// Several sources behind one monitor; each reports on its own thread.
class CombinedMonitor final : public IDeviceMonitor {
public:
    explicit CombinedMonitor(std::vector<std::unique_ptr<IDeviceMonitor>> parts) : m_parts(std::move(parts)) {}
    ~CombinedMonitor() override { Stop(); }

    bool Start(std::function<void(const DeviceEvent&)> callback) override
    {
        bool any = false;
        for (auto& part : m_parts)
            any = part->Start(callback) || any;
        return any;
    }

    void Stop() override
    {
        for (auto& part : m_parts)
            part->Stop();
    }

private:
    std::vector<std::unique_ptr<IDeviceMonitor>> m_parts;
};

} // namespace

std::unique_ptr<IDeviceMonitor> CreateUdevTtyMonitor() { return std::make_unique<UdevTtyMonitor>(); }

std::unique_ptr<IDeviceMonitor> CreateSerialPortMonitor()
{
    std::vector<std::unique_ptr<IDeviceMonitor>> parts;
    parts.push_back(CreateUdevTtyMonitor());
    parts.push_back(CreateLinksFolderMonitor(DeviceMap::LinksFolder()));
    return std::make_unique<CombinedMonitor>(std::move(parts));
}

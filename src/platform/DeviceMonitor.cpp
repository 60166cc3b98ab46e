#include "DeviceMonitor.h"

#include "DebugTrace.h"
#include "DeviceMap.h"
#include "LinksFolderMonitor.h"
#include "WatchedSourceMonitor.h"

#include <cstring>
#include <libudev.h>
#include <vector>

namespace {

class UdevTtyMonitor final : public WatchedSourceMonitor {
public:
    ~UdevTtyMonitor() override { Stop(); }

private:
    int OpenSource(const char*& failed) override
    {
        m_udev = udev_new();
        if (!m_udev) {
            failed = "udev_new";
            return -1;
        }
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor) {
            failed = "udev_monitor_new_from_netlink";
            return -1;
        }
        if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0) {
            failed = "udev monitor setup";
            return -1;
        }
        return udev_monitor_get_fd(m_monitor);
    }

    void CloseSource() override
    {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        if (m_udev)
            udev_unref(m_udev);
        m_udev = nullptr;
    }

    void TraceFailure(const char* what) const override { DebugTrace("device monitor: %s failed\n", what); }

    void Receive() override
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
        Report(ev);
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
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

#include "DeviceMonitor.h"

#include "DebugTrace.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

class UdevTtyMonitor final : public IDeviceMonitor {
public:
    ~UdevTtyMonitor() override { Stop(); }

    bool Start(std::function<void(const DeviceEvent&)> callback) override
    {
        if (m_thread.joinable())
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
        if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
            return Fail("pipe2");
        m_callback = std::move(callback);
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override
    {
        if (m_thread.joinable()) {
            char c = 1;
            // The thread wakes on the pipe and ends; a failed write leaves nothing to undo.
            [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
            m_thread.join();
        }
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
        for (int& fd : m_wake) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        if (m_udev)
            udev_unref(m_udev);
        m_udev = nullptr;
    }

    void Run()
    {
        pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        for (;;) {
            int r = ::poll(fds, 2, -1);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (!(fds[0].revents & POLLIN))
                continue;
            udev_device* dev = udev_monitor_receive_device(m_monitor);
            if (!dev)
                continue;
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
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    int m_wake[2] = {-1, -1};
    std::function<void(const DeviceEvent&)> m_callback;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<IDeviceMonitor> CreateUdevTtyMonitor() { return std::make_unique<UdevTtyMonitor>(); }

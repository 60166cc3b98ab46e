#include "LinksFolderMonitor.h"

#include "DebugTrace.h"
#include "FdWatch.h"
#include "Paths.h"

#include <climits>
#include <strings.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// Room for a burst of events, each with a name.
constexpr size_t kEventBuffer = 16 * (sizeof(inotify_event) + NAME_MAX + 1);

// Only "com..." entries name ports; an editor's or a tool's other files are no device.
bool IsLinkName(const char* name) { return strncasecmp(name, "com", 3) == 0; }

class LinksFolderMonitor final : public IDeviceMonitor {
public:
    explicit LinksFolderMonitor(std::string folder) : m_folder(std::move(folder)) {}
    ~LinksFolderMonitor() override { Stop(); }

    bool Start(std::function<void(const DeviceEvent&)> callback) override
    {
        if (m_watch.Running())
            return true;
        if (!CreateFolders(m_folder))
            return Fail("links folder");
        m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (m_inotify < 0)
            return Fail("inotify_init1");
        if (::inotify_add_watch(m_inotify, m_folder.c_str(), kWatchedEvents) < 0)
            return Fail("inotify_add_watch");
        m_callback = std::move(callback);
        if (!m_watch.Start(m_inotify, [this] { Receive(); }))
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
        DebugTrace("links folder monitor: %s failed (%s)\n", what, m_folder.c_str());
        Cleanup();
        return false;
    }

    void Cleanup()
    {
        if (m_inotify >= 0)
            ::close(m_inotify);
        m_inotify = -1;
    }

    void Receive()
    {
        alignas(inotify_event) char buffer[kEventBuffer];
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        // Each event is followed by its name; the kernel gives whole events only.
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (offset > length || event->len == 0 || !IsLinkName(event->name))
                continue;
            DeviceEvent report;
            report.kind = (event->mask & (IN_CREATE | IN_MOVED_TO)) ? DeviceEventKind::Added : DeviceEventKind::Removed;
            report.devicePath = JoinPath(m_folder, event->name);
            m_callback(report);
        }
    }

    std::string m_folder;
    int m_inotify = -1;
    std::function<void(const DeviceEvent&)> m_callback;
    FdWatch m_watch;
};

} // namespace

std::unique_ptr<IDeviceMonitor> CreateLinksFolderMonitor(const std::string& folder)
{
    return std::make_unique<LinksFolderMonitor>(folder);
}

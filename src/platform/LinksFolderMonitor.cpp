#include "LinksFolderMonitor.h"

#include "DebugTrace.h"
#include "Paths.h"
#include "WatchedSourceMonitor.h"

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

class LinksFolderMonitor final : public WatchedSourceMonitor {
public:
    explicit LinksFolderMonitor(std::string folder) : m_folder(std::move(folder)) {}
    ~LinksFolderMonitor() override { Stop(); }

private:
    int OpenSource(const char*& failed) override
    {
        if (!CreateFolders(m_folder)) {
            failed = "links folder";
            return -1;
        }
        m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (m_inotify < 0) {
            failed = "inotify_init1";
            return -1;
        }
        if (::inotify_add_watch(m_inotify, m_folder.c_str(), kWatchedEvents) < 0) {
            failed = "inotify_add_watch";
            return -1;
        }
        return m_inotify;
    }

    void CloseSource() override
    {
        if (m_inotify >= 0)
            ::close(m_inotify);
        m_inotify = -1;
    }

    void TraceFailure(const char* what) const override
    {
        DebugTrace("links folder monitor: %s failed (%s)\n", what, m_folder.c_str());
    }

    void Receive() override
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
            Report(report);
        }
    }

    std::string m_folder;
    int m_inotify = -1;
};

} // namespace

std::unique_ptr<IDeviceMonitor> CreateLinksFolderMonitor(const std::string& folder)
{
    return std::make_unique<LinksFolderMonitor>(folder);
}

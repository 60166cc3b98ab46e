// The watch on the links folder: a link written is an arrival, a link removed
// a removal, and nothing else in the folder is a device.
#include "LinksFolderMonitor.h"
#include "DeviceMonitor.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

class Reports {
public:
    void Add(const DeviceEvent& event)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(event);
        m_changed.notify_all();
    }
    // The reports once there are `count`, or what came within the time.
    std::vector<DeviceEvent> WaitFor(size_t count, std::chrono::milliseconds within = std::chrono::seconds(2))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, within, [&] { return m_events.size() >= count; });
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<DeviceEvent> m_events;
};

TEST(LinksFolderMonitor, LinksComingAndGoingAreArrivalsAndRemovals)
{
    TempFolder dir;
    const std::string folder = dir.File("ports"); // not there yet: the monitor makes it
    Reports reports;
    auto monitor = CreateLinksFolderMonitor(folder);
    ASSERT_TRUE(monitor->Start([&](const DeviceEvent& e) { reports.Add(e); }));

    dir.Write("ports/notes.txt", "not a port");
    ASSERT_EQ(::symlink("/dev/null", (folder + "/com5").c_str()), 0);
    // Replaced the way `ln -sf` does it: a new name moved over the old.
    ASSERT_EQ(::symlink("/dev/zero", (folder + "/com6.tmp").c_str()), 0);
    ASSERT_EQ(std::rename((folder + "/com6.tmp").c_str(), (folder + "/COM6").c_str()), 0);
    ASSERT_EQ(::unlink((folder + "/com5").c_str()), 0);

    const std::vector<DeviceEvent> seen = reports.WaitFor(5);
    std::vector<std::pair<DeviceEventKind, std::string>> got;
    for (const DeviceEvent& e : seen)
        got.emplace_back(e.kind, e.devicePath);
    const std::vector<std::pair<DeviceEventKind, std::string>> expected = {
        {DeviceEventKind::Added, folder + "/com5"},       {DeviceEventKind::Added, folder + "/com6.tmp"},
        {DeviceEventKind::Removed, folder + "/com6.tmp"}, {DeviceEventKind::Added, folder + "/COM6"},
        {DeviceEventKind::Removed, folder + "/com5"},
    };
    EXPECT_EQ(got, expected);

    monitor->Stop();
    ASSERT_EQ(::unlink((folder + "/COM6").c_str()), 0);
    // Stopped: nothing more comes.
    EXPECT_EQ(reports.WaitFor(6, std::chrono::milliseconds(200)).size(), 5u);
}

TEST(LinksFolderMonitor, AFolderThatCannotBeMadeIsNoWatch)
{
    TempFolder dir;
    dir.Write("file", "x");
    auto monitor = CreateLinksFolderMonitor(dir.File("file/ports"));
    EXPECT_FALSE(monitor->Start([](const DeviceEvent&) {}));
    monitor->Stop();
}

} // namespace

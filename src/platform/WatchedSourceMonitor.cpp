#include "WatchedSourceMonitor.h"

bool WatchedSourceMonitor::Start(std::function<void(const DeviceEvent&)> callback)
{
    if (m_watch.Running())
        return true;
    const char* failed = "open";
    const int fd = OpenSource(failed);
    if (fd < 0)
        return Fail(failed);
    m_callback = std::move(callback);
    if (!m_watch.Start(fd, [this] { Receive(); }))
        return Fail("pipe2");
    return true;
}

void WatchedSourceMonitor::Stop()
{
    m_watch.Stop();
    CloseSource();
}

bool WatchedSourceMonitor::Fail(const char* what)
{
    TraceFailure(what);
    CloseSource();
    return false;
}

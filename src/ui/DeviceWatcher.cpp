#include "DeviceWatcher.h"

#include "Wnd.h"

DeviceWatcher::DeviceWatcher(std::unique_ptr<IDeviceMonitor> monitor) : m_monitor(std::move(monitor)) {}

DeviceWatcher::~DeviceWatcher() { Stop(); }

bool DeviceWatcher::Start(Wnd* target)
{
    if (!m_monitor || !target)
        return false;
    m_target.store(target->GetSafeHwnd());
    // The handle, not the window: a report that comes after the window went is dropped.
    return m_monitor->Start([this](const DeviceEvent& ev) {
        UINT kind = DBT_DEVNODES_CHANGED;
        if (ev.kind == DeviceEventKind::Added)
            kind = DBT_DEVICEARRIVAL;
        else if (ev.kind == DeviceEventKind::Removed)
            kind = DBT_DEVICEREMOVECOMPLETE;
        PostMessage(m_target.load(), WM_DEVICECHANGE, kind, 0);
    });
}

void DeviceWatcher::Stop()
{
    if (m_monitor)
        m_monitor->Stop();
    m_target.store(0);
}

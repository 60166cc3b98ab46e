#pragma once
// The skeleton the device monitors share: a source opened into one descriptor,
// watched on a thread of its own, closed again when the watch stops or when
// opening fails half-way.
#include "DeviceMonitor.h"
#include "FdWatch.h"

#include <functional>

class WatchedSourceMonitor : public IDeviceMonitor {
public:
    bool Start(std::function<void(const DeviceEvent&)> callback) final;
    void Stop() final;

protected:
    // A derived monitor's destructor calls Stop: the source is its own.
    ~WatchedSourceMonitor() override = default;

    // The descriptor to watch, or -1 with `failed` naming the step that failed.
    virtual int OpenSource(const char*& failed) = 0;
    // Closes what OpenSource opened, also after a partial open. Idempotent.
    virtual void CloseSource() = 0;
    // Reads what the descriptor holds and reports it; runs on the watch thread.
    virtual void Receive() = 0;
    virtual void TraceFailure(const char* what) const = 0;

    void Report(const DeviceEvent& event) const { m_callback(event); }

private:
    bool Fail(const char* what);

    std::function<void(const DeviceEvent&)> m_callback;
    FdWatch m_watch;
};

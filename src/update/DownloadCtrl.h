#pragma once
// One HTTP download on a worker thread: the file is written to the target's
// name + ".tmp", a partial ".tmp" left by an earlier run is resumed with a
// range request, and the ".tmp" takes the target's name once it holds the
// whole file. Progress goes to a CDownloadCtrlNotify in percent.
#include "DiskSpace.h"
#include "DownloadCtrlNotify.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CDownloadCtrl {
public:
    CDownloadCtrl();
    // Cancels a running transfer and waits for its worker; nothing is reported
    // after that. Not to be called from the job's own notify callbacks.
    ~CDownloadCtrl();
    CDownloadCtrl(const CDownloadCtrl&) = delete;
    CDownloadCtrl& operator=(const CDownloadCtrl&) = delete;

    // Starts the worker: 1 when started, 0 while another transfer of this job runs.
    int StartDownload(const std::string& url, const std::string& localPath, bool quiet);
    // The worker's body: 0 for an empty url or local path, else DownloadFile's result.
    static unsigned int DownloadThreadProc(CDownloadCtrl* job);
    // The transfer itself, on the calling thread: 1 when the server answered
    // (whatever the status), 0 when the request could not be made or failed.
    static int DownloadFile(CDownloadCtrl* job, const std::string& url, const std::string& localPath, bool quiet);

    void SetNotify(CDownloadCtrlNotify* notify) { m_notify = notify; }
    // Stops a running transfer after the current chunk.
    void Cancel() { m_cancel = 1; }
    bool IsRunning() const { return m_running; }
    // Waits until the worker (if any) has ended.
    void WaitForEnd();

    // Longest wait for any byte from the server, on the program clock.
    void SetReceiveTimeout(uint32_t ms) { m_receiveTimeoutMs = ms; }

    // What one transfer may take, whatever the server does. A server that
    // sends a byte now and then never trips the receive time-out, so the
    // whole request has a time of its own and the body a least rate; a
    // transfer over either ends as a broken one (its ".tmp" stays for the
    // next start). A length over maxBytes, or more than the disk can hold,
    // is refused before anything is written, and the owner told why; a
    // ".tmp" of a file over maxBytes goes (it could only be refused again),
    // one refused for the disk stays to be resumed once there is room.
    struct Limits {
        uint32_t totalMs = kDefaultTotalTimeoutMs;              // request sent to last byte, program clock
        uint32_t minBytesPerSecond = kDefaultMinBytesPerSecond; // over each rate window
        uint32_t rateWindowMs = kDefaultRateWindowMs;
        uint64_t maxBytes = kMaxDownloadBytes;
    };
    void SetLimits(const Limits& limits);
    // Where the free space of the target's disk is asked (FreeDiskSpace unless set).
    void SetFreeSpaceQuery(FreeSpaceQuery query);
    // Shows an error text when the job is not quiet; the owner supplies the
    // message box (the default only traces).
    void SetMessageBox(std::function<void(const std::string&)> show);

    struct UrlParts {
        std::string host;
        uint16_t port = 80;
        std::string object;  // without a leading '/'
        bool secure = false; // https
        bool operator==(const UrlParts&) const = default;
    };
    // Scheme and "//" dropped; "host:port/object" or "host/object" (port 80,
    // or 443 for an "https:" address, which is fetched over TLS).
    static UrlParts SplitUrl(const std::string& url);

    static constexpr uint32_t kDefaultReceiveTimeoutMs = 10000;
    static constexpr uint32_t kDefaultTotalTimeoutMs = 10 * 60 * 1000;
    static constexpr uint32_t kDefaultMinBytesPerSecond = 1024;
    static constexpr uint32_t kDefaultRateWindowMs = 30000;
    static constexpr uint64_t kMaxDownloadBytes = uint64_t(512) * 1024 * 1024;

private:
    friend class DownloadTransfer;
    void Report(const std::string& url, unsigned int percent);
    void Refused(const std::string& url, DownloadRefusal reason);
    void JobEnded();
    void ShowMessage(const std::string& text, bool quiet);

    std::string m_url;
    std::string m_localPath;
    bool m_quiet = true;
    std::atomic<int> m_cancel{0};
    std::atomic<CDownloadCtrlNotify*> m_notify{nullptr};

    std::atomic<uint32_t> m_receiveTimeoutMs{kDefaultReceiveTimeoutMs};
    std::mutex m_messageMutex; // guards the message box, the limits and the free-space query
    std::function<void(const std::string&)> m_messageBox;
    Limits m_limits;
    FreeSpaceQuery m_freeSpace;
    std::mutex m_mutex; // guards the worker handle
    std::atomic<bool> m_running{false};
    std::thread m_worker;
};

#pragma once
// What a download job tells its owner. Every call runs on the job's worker thread.
#include <string>

// The percent reported once the transfer has ended, complete or not.
constexpr unsigned int kDownloadEnded = 101;

class CDownloadCtrlNotify {
public:
    virtual ~CDownloadCtrlNotify() = default;
    // 0 to 100 while transferring, kDownloadEnded when the transfer has ended.
    virtual void OnDownloadProgress(const std::string& url, unsigned int percent) = 0;
    // The job is over, whatever its outcome: the upgrade button that started
    // it is to be given back (normal state, enabled).
    virtual void OnDownloadJobEnded() = 0;
};

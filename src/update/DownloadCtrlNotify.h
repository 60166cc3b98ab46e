#pragma once
// What a download job tells its owner. Every call runs on the job's worker thread.
#include <string>

// The percent reported once the transfer has ended, complete or not.
constexpr unsigned int kDownloadEnded = 101;

// Why a file was refused before a byte of it was written.
enum class DownloadRefusal {
    None,     // not refused
    TooLarge, // longer than this program takes
    NoRoom,   // more than the disk holds beside what is there of it
};

class CDownloadCtrlNotify {
public:
    virtual ~CDownloadCtrlNotify() = default;
    // 0 to 100 while transferring, kDownloadEnded when the transfer has ended.
    virtual void OnDownloadProgress(const std::string& url, unsigned int percent) = 0;
    // The job is over, whatever its outcome: the upgrade button that started
    // it is to be given back (normal state, enabled).
    virtual void OnDownloadJobEnded() = 0;
    // The file was refused (before the job's end): the job fails for that reason.
    virtual void OnDownloadRefused(const std::string& url, DownloadRefusal reason)
    {
        (void)url;
        (void)reason;
    }
};

#pragma once
// The single-instance guard: what a named mutex is on Windows, a lock file here.
// The lock lives in the user's runtime folder (XDG_RUNTIME_DIR, else /tmp) as
// "<name>.lock" and is held through flock for as long as the object lives, so
// it goes away with the process even when the process dies.
#include <string>

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object now holds the lock; false when another holder has it
    // (another instance is running) or the lock file cannot be made.
    bool Acquire(const std::string& name);
    void Release();
    bool Held() const { return m_fd >= 0; }
    // The lock file's path for a name.
    static std::string LockPath(const std::string& name);

private:
    int m_fd = -1;
};

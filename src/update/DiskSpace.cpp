#include "DiskSpace.h"

#include <sys/statvfs.h>

bool FreeDiskSpace(const std::string& path, uint64_t& bytes)
{
    std::string at = path.empty() ? std::string(".") : path;
    for (;;) {
        struct statvfs fs;
        if (::statvfs(at.c_str(), &fs) == 0) {
            bytes = static_cast<uint64_t>(fs.f_bavail) * static_cast<uint64_t>(fs.f_frsize);
            return true;
        }
        if (at == "/" || at == ".")
            return false;
        // A file or folder not made yet: its parent's disk.
        while (at.size() > 1 && at.back() == '/')
            at.pop_back();
        const size_t slash = at.rfind('/');
        at = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : at.substr(0, slash);
    }
}

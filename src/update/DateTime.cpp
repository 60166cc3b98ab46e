#include "DateTime.h"

namespace vornix_lib {

DateTime::DateTime() : DateTime(FileTime{}) {}

DateTime::DateTime(const FileTime& fileTime)
{
    if (!FileTimeToSystemTime(fileTime, m_time))
        FileTimeToSystemTime(FileTime{}, m_time);
}

DateTime::DateTime(const SystemTime& systemTime) : m_time(systemTime) {}

FileTime DateTime::ToFileTime() const
{
    FileTime ft;
    if (!SystemTimeToFileTime(m_time, ft))
        return FileTime{};
    return ft;
}

} // namespace vornix_lib

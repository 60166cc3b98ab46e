#pragma once
// The date-time value of the server's parameter messages: a calendar time
// built from and turned back into a file time, with no time-zone conversion.
#include "FileTime.h"
#include "Final.h"

namespace vornix_lib {

class DateTime : public virtual Final<DateTime> {
public:
    // 1601-01-01 00:00, the file time 0.
    DateTime();
    // A file time beyond the calendar's range gives 1601-01-01 00:00 as well.
    explicit DateTime(const FileTime& fileTime);
    explicit DateTime(const SystemTime& systemTime);

    const SystemTime& GetSystemTime() const { return m_time; }
    // The file time; 0 when the calendar fields are out of range.
    FileTime ToFileTime() const;

private:
    SystemTime m_time;
    // Room the maker's value keeps beside the time; nothing here reads it.
    [[maybe_unused]] unsigned char m_reserved[128] = {};
};

} // namespace vornix_lib

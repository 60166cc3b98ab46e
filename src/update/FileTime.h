#pragma once
// The two time forms the server messages and the update archives carry: a
// count of 100-nanosecond intervals since 1601-01-01 split into two 32-bit
// words, and the broken-down calendar time, with the conversions between them.
#include <cstdint>

struct FileTime {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;

    uint64_t ToUint64() const { return (uint64_t(dwHighDateTime) << 32) | dwLowDateTime; }
    static FileTime FromUint64(uint64_t value)
    {
        return FileTime{uint32_t(value & 0xFFFFFFFFu), uint32_t(value >> 32)};
    }
    bool operator==(const FileTime&) const = default;
};

struct SystemTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;

// False for a value that lies past the year 30827 (top bit set); `out` is then untouched.
bool FileTimeToSystemTime(const FileTime& in, SystemTime& out);
// False for fields out of range (year 1601 to 30827, the day within its month);
// `out` is then untouched. The day of the week is not read.
bool SystemTimeToFileTime(const SystemTime& in, FileTime& out);
// A local time to UTC, by the time-zone rules of the moment it names.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc);
// Seconds since 1970-01-01 UTC to a file time; negative seconds reach before 1970.
FileTime UnixTimeToFileTime(int64_t seconds);

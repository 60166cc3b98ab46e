#include "FileTime.h"

#include <ctime>

namespace {

constexpr int64_t kTicksPerMs = 10000;
constexpr int64_t kMsPerDay = 86400000LL;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m)
{
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// 1601-01-01 as days since 1970-01-01.
const int64_t kEpoch1601Days = DaysFromCivil(1601, 1, 1);

} // namespace

bool FileTimeToSystemTime(const FileTime& in, SystemTime& out)
{
    const uint64_t ticks = in.ToUint64();
    if (ticks >= 0x8000000000000000ULL)
        return false;
    const int64_t ms = static_cast<int64_t>(ticks / kTicksPerMs);
    const int64_t days = ms / kMsPerDay;
    int64_t msOfDay = ms % kMsPerDay;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days + kEpoch1601Days, y, m, d);
    out.wYear = static_cast<uint16_t>(y);
    out.wMonth = static_cast<uint16_t>(m);
    out.wDay = static_cast<uint16_t>(d);
    // 1601-01-01 was a Monday.
    out.wDayOfWeek = static_cast<uint16_t>((days + 1) % 7);
    out.wHour = static_cast<uint16_t>(msOfDay / 3600000);
    msOfDay %= 3600000;
    out.wMinute = static_cast<uint16_t>(msOfDay / 60000);
    msOfDay %= 60000;
    out.wSecond = static_cast<uint16_t>(msOfDay / 1000);
    out.wMilliseconds = static_cast<uint16_t>(msOfDay % 1000);
    return true;
}

bool SystemTimeToFileTime(const SystemTime& in, FileTime& out)
{
    if (in.wYear < 1601 || in.wYear > 30827 || in.wMonth < 1 || in.wMonth > 12 || in.wDay < 1 ||
        in.wDay > DaysInMonth(in.wYear, in.wMonth) || in.wHour > 23 || in.wMinute > 59 || in.wSecond > 59 ||
        in.wMilliseconds > 999)
        return false;
    const int64_t days = DaysFromCivil(in.wYear, in.wMonth, in.wDay) - kEpoch1601Days;
    const int64_t ms =
        days * kMsPerDay + in.wHour * 3600000LL + in.wMinute * 60000LL + in.wSecond * 1000LL + in.wMilliseconds;
    out = FileTime::FromUint64(static_cast<uint64_t>(ms * kTicksPerMs));
    return true;
}

bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc)
{
    SystemTime st;
    if (!FileTimeToSystemTime(local, st))
        return false;
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = -1;
    tm.tm_wday = -1;
    const std::time_t t = std::mktime(&tm);
    // -1 is also a valid time; a failed call leaves the weekday untouched.
    if (t == static_cast<std::time_t>(-1) && tm.tm_wday == -1)
        return false;
    const int64_t ticks =
        (static_cast<int64_t>(t) + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond + st.wMilliseconds * kTicksPerMs;
    if (ticks < 0)
        return false;
    utc = FileTime::FromUint64(static_cast<uint64_t>(ticks));
    return true;
}

FileTime UnixTimeToFileTime(int64_t seconds)
{
    const int64_t ticks = (seconds + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond;
    return FileTime::FromUint64(ticks < 0 ? 0 : static_cast<uint64_t>(ticks));
}

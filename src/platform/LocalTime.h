#pragma once
// The local wall-clock time, as the Windows SYSTEMTIME gives it, behind a
// source that tests replace (a log that changes files at midnight, time stamps
// of records).
#include <functional>

struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// The current local time from the installed source.
LocalTime GetLocalTime();

// Installs a source (an empty function restores the system's clock); returns
// the previous one.
using LocalTimeSource = std::function<LocalTime()>;
LocalTimeSource SetLocalTimeSource(LocalTimeSource source);

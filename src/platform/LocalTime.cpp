#include "LocalTime.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
LocalTimeSource g_source;

LocalTime SystemLocalTime()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.milliseconds =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

} // namespace

LocalTime GetLocalTime()
{
    LocalTimeSource source;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        source = g_source;
    }
    return source ? source() : SystemLocalTime();
}

LocalTimeSource SetLocalTimeSource(LocalTimeSource source)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return std::exchange(g_source, std::move(source));
}

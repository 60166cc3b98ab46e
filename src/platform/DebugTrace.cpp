#include "DebugTrace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::atomic<DebugTraceSink> g_sink{nullptr};
std::mutex g_traceMutex;
} // namespace

bool DebugTraceEnabled()
{
    static const bool enabled = [] {
        const char* v = std::getenv("BRELK_TRACE");
        return v && *v && *v != '0';
    }();
    return enabled;
}

void SetDebugTraceSink(DebugTraceSink sink) { g_sink.store(sink); }

void DebugTrace(const char* format, ...)
{
    DebugTraceSink sink = g_sink.load();
    if (!sink && !DebugTraceEnabled())
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(n));
    }
    va_end(args);
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (DebugTraceEnabled())
        std::fputs(text.c_str(), stderr);
    if (sink)
        sink(text);
}

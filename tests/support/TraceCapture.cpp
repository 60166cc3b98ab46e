#include "TraceCapture.h"

#include "DebugTrace.h"

#include <mutex>

namespace {
std::mutex g_lock;
std::vector<std::string> g_lines;

void Sink(const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.push_back(text);
}
} // namespace

TraceCapture::TraceCapture()
{
    Clear();
    SetDebugTraceSink(&Sink);
}

TraceCapture::~TraceCapture() { SetDebugTraceSink(nullptr); }

std::vector<std::string> TraceCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_lines;
}

bool TraceCapture::Contains(const std::vector<std::string>& texts) const
{
    for (const std::string& line : Lines()) {
        bool all = true;
        for (const std::string& t : texts)
            all = all && line.find(t) != std::string::npos;
        if (all)
            return true;
    }
    return false;
}

void TraceCapture::Clear()
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.clear();
}

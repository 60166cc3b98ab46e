#include "TextLog.h"

#include "LocalTime.h"
#include "Paths.h"

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

std::string FormatLocalTime(int kind) { return FormatLocalTime(kind, GetLocalTime()); }

std::string FormatLocalTime(int kind, const LocalTime& t)
{
    char text[128] = "";
    switch (kind) {
    case 0: std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day); break;
    case 1:
        std::snprintf(text, sizeof text, "%d-%02d-%02d-%02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
        break;
    case 2:
        std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
        break;
    case 3:
        std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second, t.milliseconds);
        break;
    case 4: std::snprintf(text, sizeof text, "%02d:%02d", t.hour, t.minute); break;
    default: break;
    }
    return text;
}

std::string GetExeBaseNameA()
{
    std::string name = NormalizeSeparators(GetProgramFilePath());
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t exe = name.find(".exe");
    if (exe != std::string::npos)
        name.erase(exe);
    return name;
}

CTextLog& CTextLog::Instance()
{
    // Never destroyed: objects destroyed at exit may still write a line. Every
    // line is flushed, so nothing waits for a close.
    static CTextLog* instance = new CTextLog;
    return *instance;
}

CTextLog::~CTextLog() = default;

namespace {

// The log folder (created) and the program's name in it.
std::string MakePrefix(const char* folder)
{
    std::string dir;
    if (!folder) {
        dir = "./log";
    } else {
        dir = folder;
        dir += (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) ? "log" : "/log";
    }
    dir = NormalizeSeparators(dir);
    CreateFolders(dir);
    return dir + "/" + GetExeBaseNameA();
}

} // namespace

void CTextLog::SetDirectory(const char* folder)
{
    std::string p = MakePrefix(folder);
    std::lock_guard<std::mutex> lock(m_lock);
    prefix = std::move(p);
}

std::string CTextLog::Prefix() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return prefix;
}

// Holds m_lock.
void CTextLog::OpenDayFile()
{
    if (prefix.empty())
        prefix = MakePrefix(nullptr);
    const std::string name = prefix + "_" + FormatLocalTime(0) + ".txt";
    // A new day, or the file deleted from outside: start the file of that name.
    if (file && (name != openName || !PathExists(ResolvePath(name))))
        file.reset();
    for (int attempt = 0; !file && attempt < 5; ++attempt)
        file.reset(OpenFile(name, "a"));
    openName = file ? name : std::string();
}

void CTextLog::Write(const char* format, ...)
{
    if (!format)
        return;
    std::vector<char> buffer(1024);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n < 0)
            return;
        if (static_cast<size_t>(n) < buffer.size())
            break;
        buffer.resize(std::max(buffer.size() * 2, static_cast<size_t>(n) + 1));
    }
    std::lock_guard<std::mutex> lock(m_lock);
    OpenDayFile();
    if (!file)
        return;
    std::fprintf(file.get(), "%s\t%s%s\n", FormatLocalTime(3).c_str(), tag.c_str(), buffer.data());
    std::fflush(file.get());
}

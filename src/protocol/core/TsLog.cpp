#include "TsLog.h"

#include "DebugTrace.h"
#include "Paths.h"
#include "UniqueFile.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {
bool IsWritten(int level) { return level >= TS_LOG_RECORD && level <= TS_LOG_WARN; }
std::string LogFolder() { return JoinPath(GetDataFolderPath(), "log"); }
} // namespace

CTsLog& CTsLog::GetInstance()
{
    // Never destroyed: objects destroyed at exit may still log.
    static CTsLog* instance = new CTsLog;
    return *instance;
}

const char* CTsLog::LevelTag(int level)
{
    switch (level) {
    case TS_LOG_RECORD: return "[RECORD]";
    case TS_LOG_ERROR: return "[ERROR]";
    case TS_LOG_WARN: return "[WARN]";
    case TS_LOG_INFO: return "[INFO]";
    case TS_LOG_DEBUG: return "[DEBUG]";
    case TS_LOG_TRACK: return "[TRACK]";
    case TS_LOG_DEEPTRACK: return "[DEEPTRACK]";
    default: return "[Unknow]";
    }
}

std::string CTsLog::FormatLine(int level, const char* text, const LocalTime& local)
{
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d,%.3d ", local.year, local.month, local.day,
                  local.hour, local.minute, local.second, local.milliseconds);
    std::string line = stamp;
    line += LevelTag(level);
    line += ' ';
    line += text ? text : "";
    return line;
}

std::string CTsLog::LogFilePath() { return JoinPath(LogFolder(), "Log.txt"); }

void CTsLog::WriteLine(int level, const char* text)
{
    if (!IsWritten(level))
        return;
    std::string line = FormatLine(level, text, GetLocalTime());

    DebugTrace("%s\n", line.c_str());
    if (!m_bWriteFile)
        return;
    // One line per open: a crash loses at most the line being written.
    std::lock_guard<std::mutex> lock(m_fileLock);
    CreateFolders(LogFolder());
    UniqueFile f(OpenFile(LogFilePath(), "a"));
    if (!f)
        return; // a log that cannot be written loses the line, nothing else
    std::fputs(line.c_str(), f.get());
    std::fputc('\n', f.get());
}

void CTsLog::LogV(int level, const char* format, va_list args)
{
    if (!IsWritten(level) || !format)
        return;
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        return;
    size_t size = static_cast<size_t>(n) + 8;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer)
        return;
    std::vsnprintf(buffer.get(), size, format, args);
    WriteLine(level, buffer.get());
}

#define TS_LOG_AT(level)                                                                                               \
    va_list args;                                                                                                      \
    va_start(args, format);                                                                                            \
    LogV(level, format, args);                                                                                         \
    va_end(args)

void CTsLog::Record(const char* format, ...) { TS_LOG_AT(TS_LOG_RECORD); }
void CTsLog::Error(const char* format, ...) { TS_LOG_AT(TS_LOG_ERROR); }
void CTsLog::Warn(const char* format, ...) { TS_LOG_AT(TS_LOG_WARN); }
void CTsLog::Debug(const char* format, ...) { TS_LOG_AT(TS_LOG_DEBUG); }

#undef TS_LOG_AT

void CTsLog::HexDump(const CBinary& bytes, const char* caption)
{
    if (!IsWritten(TS_LOG_DEBUG))
        return; // debug level is dropped: spare the formatting
    std::string text = caption ? caption : "";
    char hex[4];
    for (int i = 0, n = bytes.GetSize(); i < n; ++i) {
        std::snprintf(hex, sizeof hex, "%.2X ", bytes.GetBuffer()[i]);
        text += hex;
    }
    Debug("%s", text.c_str());
}

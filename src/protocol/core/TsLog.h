#pragma once
// The protocol log: time-stamped lines with a level tag, sent to the debug trace
// and appended to the data folder's "log/Log.txt". Only the levels record,
// error and warn are written; the finer levels are accepted and dropped, so
// callers may log freely.
#include "Binary.h"
#include "LocalTime.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

enum TsLogLevel {
    TS_LOG_RECORD = 0,
    TS_LOG_ERROR = 1,
    TS_LOG_WARN = 2,
    TS_LOG_INFO = 3,
    TS_LOG_DEBUG = 4,
    TS_LOG_TRACK = 5,
    TS_LOG_DEEPTRACK = 6,
};

class CTsLog {
public:
    // Created on the first call, lives until the process ends.
    static CTsLog& GetInstance();
    virtual ~CTsLog() = default;

    void Record(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Warn(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Debug(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Formats the whole message, however long, and passes it to WriteLine;
    // levels above warn do nothing.
    void LogV(int level, const char* format, va_list args);
    // Levels above warn do nothing; else the line goes to the debug trace and,
    // while m_bWriteFile is set, to the log file.
    void WriteLine(int level, const char* text);
    // One debug-level message: the caption and "%.2X " for every byte.
    void HexDump(const CBinary& bytes, const char* caption);

    // "[RECORD]" to "[DEEPTRACK]", "[Unknow]" for any other level.
    static const char* LevelTag(int level);
    // "YYYY-MM-DD hh:mm:ss,mmm [TAG] text" for the given local time.
    static std::string FormatLine(int level, const char* text, const LocalTime& local);
    // The data folder's log/Log.txt.
    static std::string LogFilePath();

    // Whether lines are also appended to the log file.
    std::atomic<bool> m_bWriteFile{true};

private:
    CTsLog() = default;
    std::mutex m_fileLock; // the worker and the UI thread both log
};

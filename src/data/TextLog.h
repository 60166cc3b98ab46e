#pragma once
// The program's dated diagnostic log: one file per day in a "log" folder,
// named after the program and the date ("brelk_2024-03-07.txt"), one
// time-stamped line per call:
//   2024-03-07 09:05:01.042<TAB>TL_INFO:text
#include "LocalTime.h"
#include "UniqueFile.h"

#include <cstdio>
#include <mutex>
#include <string>

// The local time in one of five forms: 0 "2024-03-07", 1 "2024-03-07-09-05-01",
// 2 "2024-03-07 09:05:01", 3 "2024-03-07 09:05:01.042", 4 "09:05". Any other
// kind gives an empty text.
std::string FormatLocalTime(int kind);
// The same for a time already read, so that several texts come from one reading.
std::string FormatLocalTime(int kind, const LocalTime& t);
// The program's file name without its folder and without ".exe".
std::string GetExeBaseNameA();

class CTextLog {
public:
    // The single log, created on the first call.
    static CTextLog& Instance();

    CTextLog() = default;
    ~CTextLog();
    CTextLog(const CTextLog&) = delete;
    CTextLog& operator=(const CTextLog&) = delete;

    // The log goes to `folder`'s "log" folder (created); null: "./log".
    void SetDirectory(const char* folder);
    // Formats and writes one line. A line that cannot be written is dropped.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The file path without the "_<date>.txt" part; empty until set.
    std::string Prefix() const;

private:
    void OpenDayFile();

    mutable std::mutex m_lock; // the daily records write from a worker thread
    UniqueFile file;
    std::string openName; // the name `file` was opened under
    std::string prefix;
    const std::string tag = "TL_INFO:";
};

#pragma once
// The daily records: after every successful programming one line per
// programmed sensor goes into two files of the day, a fixed-width text file
// to read and a CSV file for spreadsheets, one pair per day and per selection
// kind, in the data folder's "DailyFile" folder. The records' contents are in
// code page 936 (a character it lacks is written "?") with CRLF line ends;
// the folder and file names are the file system's own. A CSV field that
// holds a comma, a double quote or a line break is quoted as RFC 4180 does;
// every other field is written as it is. Each line is appended in one
// flushed write, so a crash never leaves a part of a line.
#include "LocalTime.h"

#include <string>

struct DailyLogRecord {
    // A vehicle record: brand, model and year names, the identifier text
    // (with its "(H)" or "(D)"), the PSN.
    DailyLogRecord(const std::wstring& car, const std::wstring& model, const std::wstring& year, const std::wstring& id,
                   const std::wstring& psn);
    DailyLogRecord() = default;

    // In code page 936.
    std::string car;
    std::string model;
    std::string year;
    std::string id;
    std::string psn;
    std::string partNo;
    int kind = 0; // 0 vehicle, 1 part number
};

// A part-number record: part number, identifier text, PSN.
DailyLogRecord MakeDailyLogRecordPartNo(const std::wstring& partNo, const std::wstring& id, const std::wstring& psn);

// The folder of the records (created when missing), the file a record of
// that kind and day goes into, and the lines as they are written.
std::string DailyRecordFolder();
std::string DailyRecordFileName(int kind, bool csv, const LocalTime& now);
std::string DailyTxtHeader(int kind);
std::string DailyCsvHeader(int kind);
std::string DailyTxtLine(const DailyLogRecord& record, const LocalTime& now);
std::string DailyCsvLine(const DailyLogRecord& record, const LocalTime& now);

// Append one line, with the header first when the file is new. Date, time
// and file name come from the one reading `now`. False when the file could
// not be written.
bool WriteDailyCsv(const DailyLogRecord& record, const LocalTime& now);
bool WriteDailyTxt(const DailyLogRecord& record, const LocalTime& now);
// The same at the present moment.
bool WriteDailyCsv(const DailyLogRecord& record);
bool WriteDailyTxt(const DailyLogRecord& record);

#include "DailyRecords.h"

#include "Paths.h"
#include "RecordAppend.h"
#include "SetupFile.h"
#include "TextLog.h"

#include <vector>

namespace {

constexpr const char* kFolderName = "DailyFile";
constexpr const char* kLineEnd = "\r\n";

struct Column {
    const char* title;
    int width;
};
// Text file columns by kind; the CSV file has the same fields.
const std::vector<Column> kVehicleColumns = {{"Date", 14}, {"Time", 10}, {"Car", 20}, {"Model", 30},
                                             {"Year", 35}, {"ID", 15},   {"PSN", 20}};
const std::vector<Column> kPartNoColumns = {{"Date", 14}, {"Time", 10}, {"PartNO", 20}, {"ID", 15}, {"PSN", 20}};

const std::vector<Column>& ColumnsOf(int kind) { return kind == 1 ? kPartNoColumns : kVehicleColumns; }

// The files are text files of their first platform: every line break in
// them is CR LF, one inside a value too (LF, CR LF and a lone CR alike).
std::string WithTextLineEnds(const std::string& value)
{
    if (value.find_first_of("\r\n") == std::string::npos)
        return value;
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            text += kLineEnd;
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else {
            text += value[i];
        }
    }
    return text;
}

// The fields of a record's line, in column order.
std::vector<std::string> Fields(const DailyLogRecord& record, const LocalTime& now)
{
    std::vector<std::string> fields = {FormatLocalTime(0, now), FormatLocalTime(4, now)};
    if (record.kind == 1)
        fields.insert(fields.end(), {record.partNo, record.id, record.psn});
    else
        fields.insert(fields.end(), {record.car, record.model, record.year, record.id, record.psn});
    return fields;
}

// A CSV field as RFC 4180 writes it: one that holds a comma, a double quote
// or a line break is quoted, its quotes doubled; any other stays as it is.
// (Code page 936 never has these bytes inside a two-byte character.)
std::string CsvField(const std::string& value)
{
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// Each value left-aligned in its column; a longer one is written whole. The
// padding is counted on the value as it was given, before its line breaks
// become CR LF, as the files have always been written.
std::string FixedWidth(const std::vector<std::string>& values, const std::vector<Column>& columns)
{
    std::string line;
    for (size_t i = 0; i < values.size() && i < columns.size(); ++i) {
        std::string field = values[i];
        if (static_cast<int>(field.size()) < columns[i].width)
            field.append(static_cast<size_t>(columns[i].width) - field.size(), ' ');
        line += WithTextLineEnds(field);
    }
    return line + kLineEnd;
}

std::string CommaSeparated(const std::vector<std::string>& values)
{
    std::string line;
    for (size_t i = 0; i < values.size(); ++i)
        line += (i ? "," : "") + CsvField(WithTextLineEnds(values[i]));
    return line + kLineEnd;
}

std::vector<std::string> Titles(int kind)
{
    std::vector<std::string> titles;
    for (const Column& column : ColumnsOf(kind))
        titles.emplace_back(column.title);
    return titles;
}

bool Write(const DailyLogRecord& record, const LocalTime& now, bool csv)
{
    const std::string folder = DailyRecordFolder();
    const std::string path = JoinPath(folder, DailyRecordFileName(record.kind, csv, now));
    const std::string header = csv ? DailyCsvHeader(record.kind) : DailyTxtHeader(record.kind);
    const std::string line = csv ? DailyCsvLine(record, now) : DailyTxtLine(record, now);
    // One write of the whole line, flushed: a crash leaves the file with the
    // line or without it.
    return AppendRecord(path, line, header, kLineEnd);
}

} // namespace

DailyLogRecord::DailyLogRecord(const std::wstring& carName, const std::wstring& modelName, const std::wstring& yearName,
                               const std::wstring& idText, const std::wstring& psnText)
    : car(WideToGbk(carName)), model(WideToGbk(modelName)), year(WideToGbk(yearName)), id(WideToGbk(idText)),
      psn(WideToGbk(psnText))
{
}

DailyLogRecord MakeDailyLogRecordPartNo(const std::wstring& partNo, const std::wstring& id, const std::wstring& psn)
{
    DailyLogRecord record;
    record.partNo = WideToGbk(partNo);
    record.id = WideToGbk(id);
    record.psn = WideToGbk(psn);
    record.kind = 1;
    return record;
}

std::string DailyRecordFolder()
{
    const std::string folder = JoinPath(GetDataFolderPath(), kFolderName);
    CreateFolders(folder);
    return folder;
}

std::string DailyRecordFileName(int kind, bool csv, const LocalTime& now)
{
    return FormatLocalTime(0, now) + (kind == 1 ? "(PartNO)" : "(Car-Model-Year)") + (csv ? ".CSV" : ".txt");
}

std::string DailyTxtHeader(int kind) { return FixedWidth(Titles(kind), ColumnsOf(kind)); }
std::string DailyCsvHeader(int kind) { return CommaSeparated(Titles(kind)); }

std::string DailyTxtLine(const DailyLogRecord& record, const LocalTime& now)
{
    return FixedWidth(Fields(record, now), ColumnsOf(record.kind));
}

std::string DailyCsvLine(const DailyLogRecord& record, const LocalTime& now)
{
    return CommaSeparated(Fields(record, now));
}

bool WriteDailyCsv(const DailyLogRecord& record, const LocalTime& now) { return Write(record, now, true); }
bool WriteDailyTxt(const DailyLogRecord& record, const LocalTime& now) { return Write(record, now, false); }
bool WriteDailyCsv(const DailyLogRecord& record) { return WriteDailyCsv(record, GetLocalTime()); }
bool WriteDailyTxt(const DailyLogRecord& record) { return WriteDailyTxt(record, GetLocalTime()); }

#include "DailyRecords.h"

#include "Paths.h"
#include "SetupFile.h"
#include "TextLog.h"
#include "UniqueFile.h"

#include <cstdio>
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

// Each value left-aligned in its column; a longer one is written whole.
std::string FixedWidth(const std::vector<std::string>& values, const std::vector<Column>& columns)
{
    std::string line;
    for (size_t i = 0; i < values.size() && i < columns.size(); ++i) {
        line += values[i];
        if (static_cast<int>(values[i].size()) < columns[i].width)
            line.append(static_cast<size_t>(columns[i].width) - values[i].size(), ' ');
    }
    return line + kLineEnd;
}

std::string CommaSeparated(const std::vector<std::string>& values)
{
    std::string line;
    for (size_t i = 0; i < values.size(); ++i)
        line += (i ? "," : "") + values[i];
    return line + kLineEnd;
}

std::vector<std::string> Titles(int kind)
{
    std::vector<std::string> titles;
    for (const Column& column : ColumnsOf(kind))
        titles.emplace_back(column.title);
    return titles;
}

bool Append(const std::string& path, const std::string& header, const std::string& line)
{
    const bool exists = PathExists(path);
    UniqueFile file(OpenFile(path, exists ? "ab" : "wb"));
    if (!file)
        return false;
    std::string bytes = exists ? line : header + line;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

bool Write(const DailyLogRecord& record, const LocalTime& now, bool csv)
{
    const std::string folder = DailyRecordFolder();
    const std::string path = JoinPath(folder, DailyRecordFileName(record.kind, csv, now));
    const std::string header = csv ? DailyCsvHeader(record.kind) : DailyTxtHeader(record.kind);
    const std::string line = csv ? DailyCsvLine(record, now) : DailyTxtLine(record, now);
    return Append(path, header, line);
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

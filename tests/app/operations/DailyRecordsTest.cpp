#include "DailyRecords.h"

#include "LocalTime.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <vector>

namespace {

const LocalTime kMorning{2024, 3, 7, 9, 5, 1, 42};

const std::string kVehicleTxtHeader =
    "Date          Time      Car                 Model                         Year   "
    "                            ID             PSN                 \r\n";
const std::string kPartNoTxtHeader =
    "Date          Time      PartNO              ID             PSN                 \r\n";
const std::string kVehicleCsvHeader = "Date,Time,Car,Model,Year,ID,PSN\r\n";
const std::string kPartNoCsvHeader = "Date,Time,PartNO,ID,PSN\r\n";

// A local-time source of a test: the times in turn, the last one after them.
class ScopedTimes {
public:
    explicit ScopedTimes(std::vector<LocalTime> times)
    {
        m_old = SetLocalTimeSource([this, times = std::move(times)]() mutable {
            const LocalTime t = times[std::min(m_calls, times.size() - 1)];
            ++m_calls;
            return t;
        });
    }
    ~ScopedTimes() { SetLocalTimeSource(m_old); }
    size_t Calls() const { return m_calls; }

private:
    size_t m_calls = 0;
    LocalTimeSource m_old;
};

class DailyRecordsTest : public ::testing::Test {
protected:
    std::string Read(const std::string& name) const { return data.Folder().Read("DailyFile/" + name); }
    bool Exists(const std::string& name) const
    {
        return std::filesystem::exists(std::filesystem::u8path(data.Path() + "/DailyFile/" + name));
    }

    ScopedDataFolder data;
};

TEST_F(DailyRecordsTest, FirstRecordOfTheDayBringsTheHeaderThenLinesFollow)
{
    const DailyLogRecord first(L"Brunmark", L"Arvo", L"2016", L"4038AAA0(H)", L"PSN-0001");
    const DailyLogRecord second(L"Brunmark", L"Arvo", L"2016", L"4038AAA1(H)", L"");
    ASSERT_TRUE(WriteDailyCsv(first, kMorning));
    ASSERT_TRUE(WriteDailyTxt(first, kMorning));
    ASSERT_TRUE(WriteDailyCsv(second, kMorning));
    ASSERT_TRUE(WriteDailyTxt(second, kMorning));

    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"), kVehicleCsvHeader +
                                                          "2024-03-07,09:05,Brunmark,Arvo,2016,4038AAA0(H),PSN-0001\r\n"
                                                          "2024-03-07,09:05,Brunmark,Arvo,2016,4038AAA1(H),\r\n");
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).txt"),
              kVehicleTxtHeader +
                  "2024-03-07    09:05     Brunmark            Arvo                          2016                    "
                  "           4038AAA0(H)    PSN-0001            \r\n"
                  "2024-03-07    09:05     Brunmark            Arvo                          2016                    "
                  "           4038AAA1(H)                        \r\n");
}

TEST_F(DailyRecordsTest, ContentsAreCodePage936AndLongValuesShiftTheColumns)
{
    // "Š" and "ß" are not in code page 936 and become '?'; "é" and "中" are.
    const std::string longModel = "A model name of thirty-one chrs";
    ASSERT_EQ(longModel.size(), 31u);
    const DailyLogRecord record(L"\u0160koda", L"Stra\u00dfe \u4e2d,GT", L"2019 \u00e9", L"12345678(D)", L"P");
    const DailyLogRecord wide(L"Norvak", std::wstring(longModel.begin(), longModel.end()), L"2020", L"1(D)", L"X");
    ASSERT_TRUE(WriteDailyCsv(record, kMorning));
    ASSERT_TRUE(WriteDailyTxt(record, kMorning));
    ASSERT_TRUE(WriteDailyTxt(wide, kMorning));

    // The comma in the model is quoted, so the columns stay where they are.
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"),
              kVehicleCsvHeader + "2024-03-07,09:05,?koda,\"Stra?e \xD6\xD0,GT\",2019 \xA8\xA6,12345678(D),P\r\n");
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).txt"),
              kVehicleTxtHeader +
                  // "Stra?e " + two bytes + ",GT" is 12 bytes: 18 blanks pad it to 30.
                  "2024-03-07    09:05     ?koda               Stra?e \xD6\xD0,GT                  2019 \xA8\xA6"
                  "                            12345678(D)    P                   \r\n"
                  // 31 characters: written whole, the year follows at once.
                  "2024-03-07    09:05     Norvak              " +
                  longModel + "2020                               1(D)           X                   \r\n");
}

TEST_F(DailyRecordsTest, PartNumbersGoToTheirOwnFiles)
{
    const DailyLogRecord vehicle(L"Brunmark", L"Arvo", L"2016", L"1(D)", L"NA");
    const DailyLogRecord partNo = MakeDailyLogRecordPartNo(L"BRK-D040", L"00ABCDEF(H)", L"PSN-7");
    EXPECT_EQ(partNo.kind, 1);
    ASSERT_TRUE(WriteDailyCsv(vehicle, kMorning));
    ASSERT_TRUE(WriteDailyTxt(vehicle, kMorning));
    ASSERT_TRUE(WriteDailyCsv(partNo, kMorning));
    ASSERT_TRUE(WriteDailyTxt(partNo, kMorning));

    EXPECT_EQ(Read("2024-03-07(PartNO).CSV"), kPartNoCsvHeader + "2024-03-07,09:05,BRK-D040,00ABCDEF(H),PSN-7\r\n");
    EXPECT_EQ(Read("2024-03-07(PartNO).txt"),
              kPartNoTxtHeader + "2024-03-07    09:05     BRK-D040            00ABCDEF(H)    PSN-7               \r\n");
    EXPECT_TRUE(Exists("2024-03-07(Car-Model-Year).CSV"));
    EXPECT_TRUE(Exists("2024-03-07(Car-Model-Year).txt"));
}

TEST_F(DailyRecordsTest, ADataFolderWithAnAccentIsNamedAsTheFileSystemNamesIt)
{
    const std::string accented = data.Path() + "/Donn\xC3\xA9"
                                               "es";
    ScopedEnv dataDir("BRELK_DATA_DIR", accented);
    std::filesystem::create_directories(std::filesystem::u8path(accented));
    const DailyLogRecord record(L"Brunmark", L"Arvo", L"2016", L"1(D)", L"NA");
    ASSERT_TRUE(WriteDailyCsv(record, kMorning));
    // The folder keeps its UTF-8 name: not a second folder in code page 936.
    const std::string file = accented + "/DailyFile/2024-03-07(Car-Model-Year).CSV";
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(file)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.Path()), {}), 1);
}

TEST_F(DailyRecordsTest, ARecordAtMidnightKeepsItsDateAndItsFileTogether)
{
    // The first record is read at the last moment of the 7th; its writing
    // goes on into the 8th.
    ScopedTimes times({{2024, 3, 7, 23, 59, 59, 999}, {2024, 3, 8, 0, 0, 0, 0}});
    const DailyLogRecord record(L"Brunmark", L"Arvo", L"2016", L"1(D)", L"NA");
    ASSERT_TRUE(WriteDailyCsv(record));
    ASSERT_TRUE(WriteDailyCsv(record));
    EXPECT_EQ(times.Calls(), 2u);
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"),
              kVehicleCsvHeader + "2024-03-07,23:59,Brunmark,Arvo,2016,1(D),NA\r\n");
    EXPECT_EQ(Read("2024-03-08(Car-Model-Year).CSV"),
              kVehicleCsvHeader + "2024-03-08,00:00,Brunmark,Arvo,2016,1(D),NA\r\n");
}

TEST_F(DailyRecordsTest, ARecordThatCannotBeWrittenSaysSo)
{
    // A file where the folder should be.
    data.Folder().Write("DailyFile", "not a folder");
    const DailyLogRecord record(L"Brunmark", L"Arvo", L"2016", L"1(D)", L"NA");
    EXPECT_FALSE(WriteDailyCsv(record, kMorning));
    EXPECT_FALSE(WriteDailyTxt(record, kMorning));
}

// What a CSV reader makes of one line: RFC 4180 fields.
std::vector<std::string> CsvFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
            fields.back() += line[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

TEST_F(DailyRecordsTest, CommasQuotesAndLineBreaksInAValueKeepTheColumnsAndTheLineEnds)
{
    struct Case {
        std::wstring model;
        std::string csvModel;  // as the CSV file holds it
        std::string txtModel;  // as the text file holds it, before its padding (counted on the value as given)
        std::string readModel; // what a CSV reader reads back
    };
    const Case cases[] = {
        {L"Arvo", "Arvo", "Arvo", "Arvo"},
        {L"Arvo, GT", "\"Arvo, GT\"", "Arvo, GT", "Arvo, GT"},
        {L"Arvo \"GT\"", "\"Arvo \"\"GT\"\"\"", "Arvo \"GT\"", "Arvo \"GT\""},
        {L"Arvo\nGT", "\"Arvo\r\nGT\"", "Arvo\r\nGT", "Arvo\r\nGT"},
        {L"Arvo\r\nGT\r", "\"Arvo\r\nGT\r\n\"", "Arvo\r\nGT\r\n", "Arvo\r\nGT\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csvModel);
        std::filesystem::remove_all(data.Path() + "/DailyFile");
        const DailyLogRecord record(L"Brunmark", c.model, L"2016", L"4038AAA0(H)", L"PSN-1");
        ASSERT_TRUE(WriteDailyCsv(record, kMorning));
        ASSERT_TRUE(WriteDailyTxt(record, kMorning));
        const std::string csvLine = "2024-03-07,09:05,Brunmark," + c.csvModel + ",2016,4038AAA0(H),PSN-1";
        EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"), kVehicleCsvHeader + csvLine + "\r\n");
        const std::vector<std::string> fields = CsvFields(csvLine);
        ASSERT_EQ(fields.size(), 7u);
        EXPECT_EQ(fields[3], c.readModel);
        EXPECT_EQ(fields[4], "2016");

        const std::string txt = Read("2024-03-07(Car-Model-Year).txt");
        // A line break counts once, as given, however the file writes it.
        const std::string padded = c.txtModel + std::string(30 - c.model.size(), ' ');
        EXPECT_EQ(txt, kVehicleTxtHeader + "2024-03-07    09:05     Brunmark            " + padded + "2016" +
                           std::string(31, ' ') + "4038AAA0(H)    PSN-1               \r\n");
        // Every line break of both files is CR LF.
        for (const std::string& file : {txt, Read("2024-03-07(Car-Model-Year).CSV")})
            for (size_t at = file.find('\n'); at != std::string::npos; at = file.find('\n', at + 1))
                EXPECT_TRUE(at > 0 && file[at - 1] == '\r') << at;
    }
}

// The write system calls this thread has made (the kernel's count).
long ThreadWriteCalls()
{
    std::ifstream io("/proc/thread-self/io");
    std::string line;
    while (std::getline(io, line))
        if (line.rfind("syscw:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

TEST_F(DailyRecordsTest, ALineGoesOutInOneWrite)
{
    if (ThreadWriteCalls() < 0)
        GTEST_SKIP() << "the kernel does not count this thread's writes (/proc/thread-self/io)";
    // A line longer than any buffer of the C library, into a new file and
    // into one that exists.
    const std::wstring model(20000, L'M');
    const DailyLogRecord record(L"Brunmark", model, L"2016", L"1(D)", L"NA");
    for (int round = 0; round < 2; ++round) {
        const long before = ThreadWriteCalls();
        ASSERT_TRUE(WriteDailyCsv(record, kMorning));
        EXPECT_EQ(ThreadWriteCalls() - before, 1) << round;
    }
    const std::string line = "2024-03-07,09:05,Brunmark," + std::string(20000, 'M') + ",2016,1(D),NA\r\n";
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"), kVehicleCsvHeader + line + line);
}

// A file size limit for the process while it lives, as a full disk would set
// one: a write that crosses it stops short.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    bool IsSet() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = SIG_DFL;
    bool m_set = false;
};

TEST_F(DailyRecordsTest, AWriteCutShortLeavesTheFileAsItWas)
{
    const DailyLogRecord record(L"Brunmark", L"Arvo", L"2016", L"4038AAA0(H)", L"PSN-0001");
    const std::string name = "2024-03-07(Car-Model-Year).CSV";
    ASSERT_TRUE(WriteDailyCsv(record, kMorning));
    const std::string before = Read(name);
    {
        // Room for ten more bytes: half a line.
        ScopedFileSizeLimit limit(before.size() + 10);
        ASSERT_TRUE(limit.IsSet());
        EXPECT_FALSE(WriteDailyCsv(record, kMorning));
    }
    EXPECT_EQ(Read(name), before);
    // The next line follows the old ones as if nothing had happened.
    ASSERT_TRUE(WriteDailyCsv(record, kMorning));
    const std::string line = "2024-03-07,09:05,Brunmark,Arvo,2016,4038AAA0(H),PSN-0001\r\n";
    EXPECT_EQ(Read(name), kVehicleCsvHeader + line + line);

    // A file whose last line was cut short elsewhere: the new line starts a
    // line of its own.
    data.Folder().Write("DailyFile/" + name, kVehicleCsvHeader + "2024-03-07,09:05,Brun");
    ASSERT_TRUE(WriteDailyCsv(record, kMorning));
    EXPECT_EQ(Read(name), kVehicleCsvHeader + "2024-03-07,09:05,Brun\r\n" + line);
}

} // namespace

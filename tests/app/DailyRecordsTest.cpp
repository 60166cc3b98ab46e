#include "DailyRecords.h"

#include "LocalTime.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
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

    // The comma in the model is written as it is: one more CSV column.
    EXPECT_EQ(Read("2024-03-07(Car-Model-Year).CSV"),
              kVehicleCsvHeader + "2024-03-07,09:05,?koda,Stra?e \xD6\xD0,GT,2019 \xA8\xA6,12345678(D),P\r\n");
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

} // namespace

#include "TextLog.h"
#include "TempFolder.h"

#include "LocalTime.h"
#include "Paths.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class FixedTime {
public:
    explicit FixedTime(LocalTime t) : m_time(t)
    {
        m_previous = SetLocalTimeSource([this] { return m_time; });
    }
    ~FixedTime() { SetLocalTimeSource(m_previous); }
    LocalTime m_time;

private:
    LocalTimeSource m_previous;
};

TEST(TextLog, FiveTimeFormats)
{
    FixedTime clock({2024, 3, 7, 9, 5, 1, 42});
    const struct {
        int kind;
        const char* text;
    } cases[] = {
        {0, "2024-03-07"},
        {1, "2024-03-07-09-05-01"},
        {2, "2024-03-07 09:05:01"},
        {3, "2024-03-07 09:05:01.042"},
        {4, "09:05"},
        {5, ""},
        {-1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLocalTime(c.kind), c.text) << c.kind;
}

TEST(TextLog, LinesGoToTheDayFileOfTheProgram)
{
    TempFolder tmp;
    FixedTime clock({2024, 3, 7, 9, 5, 1, 42});
    EXPECT_EQ(GetExeBaseNameA(), "data_tests");
    CTextLog log;
    log.SetDirectory(tmp.Path().c_str());
    const std::string prefix = tmp.File("log/data_tests");
    EXPECT_EQ(log.Prefix(), prefix);
    log.SetDirectory((tmp.Path() + "/").c_str());
    EXPECT_EQ(log.Prefix(), prefix);
    EXPECT_TRUE(IsDirectory(tmp.File("log")));

    log.Write("ini file path:%s", "/x/Setup.ini");
    const std::string big(3000, 'x');
    log.Write("%s|%d", big.c_str(), 7);
    EXPECT_EQ(tmp.Read("log/data_tests_2024-03-07.txt"), "2024-03-07 09:05:01.042\tTL_INFO:ini file path:/x/Setup.ini\n"
                                                         "2024-03-07 09:05:01.042\tTL_INFO:" +
                                                             big + "|7\n");
}

TEST(TextLog, ANewDayOrADeletedFileStartsTheFileOfThatName)
{
    TempFolder tmp;
    FixedTime clock({2024, 3, 7, 23, 59, 59, 999});
    CTextLog log;
    log.SetDirectory(tmp.Path().c_str());
    log.Write("before");
    clock.m_time = {2024, 3, 8, 0, 0, 0, 1};
    log.Write("after");
    EXPECT_EQ(tmp.Read("log/data_tests_2024-03-07.txt"), "2024-03-07 23:59:59.999\tTL_INFO:before\n");
    EXPECT_EQ(tmp.Read("log/data_tests_2024-03-08.txt"), "2024-03-08 00:00:00.001\tTL_INFO:after\n");

    // The next day's file already there (another instance wrote it): the line goes there too.
    tmp.Write("log/data_tests_2024-03-09.txt", "other\n");
    clock.m_time = {2024, 3, 9, 0, 0, 0, 0};
    log.Write("third");
    EXPECT_EQ(tmp.Read("log/data_tests_2024-03-09.txt"), "other\n2024-03-09 00:00:00.000\tTL_INFO:third\n");

    std::remove(tmp.File("log/data_tests_2024-03-09.txt").c_str());
    log.Write("again");
    EXPECT_EQ(tmp.Read("log/data_tests_2024-03-09.txt"), "2024-03-09 00:00:00.000\tTL_INFO:again\n");
}

TEST(TextLog, WithoutAFolderTheLogIsInTheCurrentFolder)
{
    TempFolder tmp;
    const std::string old = GetCurrentFolder();
    ASSERT_EQ(::chdir(tmp.Path().c_str()), 0);
    FixedTime clock({2024, 1, 2, 3, 4, 5, 6});
    {
        CTextLog log;
        log.Write("%d", 5);
        EXPECT_EQ(log.Prefix(), "./log/data_tests");
    }
    EXPECT_EQ(tmp.Read("log/data_tests_2024-01-02.txt"), "2024-01-02 03:04:05.006\tTL_INFO:5\n");
    ASSERT_EQ(::chdir(old.c_str()), 0);
}

} // namespace

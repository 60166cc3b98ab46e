#include "TsLog.h"
#include "ByteText.h"
#include "Paths.h"
#include "TempFolder.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

namespace {

class TsLogTest : public ::testing::Test {
protected:
    void TearDown() override { log.m_bWriteFile = true; }
    std::string LogFile() const { return data.Folder().Read("log/Log.txt"); }
    std::vector<std::string> FileLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(LogFile());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    ScopedDataFolder data;
    TraceCapture trace;
    CTsLog& log = CTsLog::GetInstance();
};

TEST_F(TsLogTest, OneInstance) { EXPECT_EQ(&CTsLog::GetInstance(), &log); }

TEST_F(TsLogTest, LevelTags)
{
    const char* tags[] = {"[RECORD]", "[ERROR]", "[WARN]", "[INFO]", "[DEBUG]", "[TRACK]", "[DEEPTRACK]"};
    for (int level = 0; level <= 6; ++level)
        EXPECT_STREQ(CTsLog::LevelTag(level), tags[level]);
    EXPECT_STREQ(CTsLog::LevelTag(7), "[Unknow]");
    EXPECT_STREQ(CTsLog::LevelTag(-1), "[Unknow]");
}

TEST_F(TsLogTest, LineStartsWithTheLocalTimeAndTheTag)
{
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 8;
    t.hour = 6;
    t.minute = 5;
    t.second = 4;
    t.milliseconds = 7;
    EXPECT_EQ(CTsLog::FormatLine(TS_LOG_WARN, "port open", t), "2026-12-08 06:05:04,007 [WARN] port open");
}

TEST_F(TsLogTest, WrittenLevelsGoToTheDataFoldersLogFile)
{
    log.Record("record %d", 1);
    log.Error("error %s", "two");
    log.Warn("warn %02X", 0x3);
    auto lines = FileLines();
    ASSERT_EQ(lines.size(), 3u) << LogFile();
    const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2},\d{3} )");
    EXPECT_TRUE(std::regex_search(lines[0], stamp)) << lines[0];
    EXPECT_NE(lines[0].find(" [RECORD] record 1"), std::string::npos);
    EXPECT_NE(lines[1].find(" [ERROR] error two"), std::string::npos);
    EXPECT_NE(lines[2].find(" [WARN] warn 03"), std::string::npos);
    EXPECT_EQ(LogFile().back(), '\n');
    EXPECT_EQ(CTsLog::LogFilePath(), data.Path() + "/log/Log.txt");

    // The same lines go to the debug trace.
    ASSERT_EQ(trace.Lines().size(), 3u);
    EXPECT_EQ(trace.Lines()[1], lines[1] + "\n");
}

TEST_F(TsLogTest, FinerLevelsAndHexDumpsAreDropped)
{
    log.Debug("debug %d", 1);
    log.HexDump(Hex("01 02"), "dump: ");
    for (int level : {3, 4, 5, 6, 7, -1})
        log.WriteLine(level, "dropped");
    EXPECT_FALSE(PathExists(data.Path() + "/log/Log.txt"));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(TsLogTest, LongMessagesAreWrittenWhole)
{
    std::string text(100000, 'x');
    text += "END";
    log.Error("%s", text.c_str());
    auto lines = FileLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" [ERROR] " + text), std::string::npos);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), "END");
}

TEST_F(TsLogTest, WithoutFileWritingOnlyTheTraceGetsTheLine)
{
    log.m_bWriteFile = false;
    log.Warn("trace only");
    EXPECT_FALSE(PathExists(data.Path() + "/log/Log.txt"));
    EXPECT_TRUE(trace.Contains({"[WARN] trace only"}));
}

TEST_F(TsLogTest, AnUnwritableLogLosesTheLineQuietly)
{
    data.Folder().Write("log", "a file where the folder should be");
    log.Error("lost");
    EXPECT_EQ(data.Folder().Read("log"), "a file where the folder should be");
    EXPECT_TRUE(trace.Contains({"[ERROR] lost"}));
    log.Error("lost too"); // and the next line still works its way through
}

TEST_F(TsLogTest, LinesFromSeveralThreadsStayWhole)
{
    const int threads = 4, perThread = 200;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i)
                log.Record("thread %d line %d %s", t, i, std::string(300, 'a' + t).c_str());
        });
    for (auto& w : workers)
        w.join();
    auto lines = FileLines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(threads * perThread));
    const std::regex whole(R"(^\S+ \S+ \[RECORD\] thread (\d) line \d+ ([a-d]{300})$)");
    for (const std::string& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, whole)) << line;
        EXPECT_EQ(m[2].str(), std::string(300, static_cast<char>('a' + std::stoi(m[1].str()))));
    }
}

} // namespace

#include "RecordAppend.h"

#include "TempFolder.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kEnd = "\r\n";

TEST(RecordAppend, AHeaderForANewOrEmptyFileAndALineBreakAfterACutLine)
{
    TempFolder folder;
    const std::string path = folder.File("day.CSV");
    ASSERT_TRUE(AppendRecord(path, "a\r\n", "H\r\n", kEnd));
    ASSERT_TRUE(AppendRecord(path, "b\r\n", "H\r\n", kEnd));
    EXPECT_EQ(folder.Read("day.CSV"), "H\r\na\r\nb\r\n");

    folder.Write("empty.CSV", "");
    ASSERT_TRUE(AppendRecord(folder.File("empty.CSV"), "a\r\n", "H\r\n", kEnd));
    EXPECT_EQ(folder.Read("empty.CSV"), "H\r\na\r\n");

    folder.Write("cut.CSV", "H\r\nhal");
    ASSERT_TRUE(AppendRecord(folder.File("cut.CSV"), "a\r\n", "H\r\n", kEnd));
    EXPECT_EQ(folder.Read("cut.CSV"), "H\r\nhal\r\na\r\n");
}

TEST(RecordAppend, AFileThatCannotBeOpenedGetsNothingAndLeavesNoFile)
{
    TempFolder folder;
    EXPECT_FALSE(AppendRecord(folder.File("missing/day.CSV"), "a\r\n", "H\r\n", kEnd));
    EXPECT_NE(::access(folder.File("missing").c_str(), F_OK), 0);
    // A folder where the file should be.
    folder.Write("dir/x", "");
    EXPECT_FALSE(AppendRecord(folder.File("dir"), "a\r\n", "H\r\n", kEnd));
}

TEST(RecordAppend, AWriterThatHoldsTheLockForGoodIsNotWaitedForWithoutEnd)
{
    VirtualClock clock;
    TempFolder folder;
    const std::string path = folder.File("day.CSV");
    folder.Write("day.CSV", "H\r\n");
    const int other = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    const uint32_t start = clock.GetTickCount();
    EXPECT_TRUE(AppendRecord(path, "a\r\n", "H\r\n", kEnd));
    EXPECT_LE(clock.GetTickCount() - start, 2000u);
    EXPECT_EQ(folder.Read("day.CSV"), "H\r\na\r\n");
    ::close(other);
}

} // namespace

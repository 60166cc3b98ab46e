#include "SingleInstanceLock.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(SingleInstanceLock, ASecondHolderIsRefusedUntilTheFirstLetsGo)
{
    TempFolder tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp.Path());
    const std::string name = "Teskaro_Brelk";
    EXPECT_EQ(SingleInstanceLock::LockPath(name), tmp.File("Teskaro_Brelk.lock"));
    SingleInstanceLock first;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(first.Acquire(name)); // holding it already
    {
        SingleInstanceLock second;
        EXPECT_FALSE(second.Acquire(name));
        EXPECT_FALSE(second.Held());
    }
    // Another process is refused as well.
    pid_t pid = fork();
    if (pid == 0) {
        SingleInstanceLock other;
        _exit(other.Acquire(name) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    first.Release();
    SingleInstanceLock third;
    EXPECT_TRUE(third.Acquire(name));
    // A name with separators stays one file in the folder.
    EXPECT_EQ(SingleInstanceLock::LockPath("a/b"), tmp.File("a_b.lock"));
}

TEST(SingleInstanceLock, WithoutARuntimeFolderTheLockIsTheUsersOwn)
{
    ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(SingleInstanceLock::LockPath("Teskaro_Brelk"),
              "/tmp/Teskaro_Brelk-" + std::to_string(getuid()) + ".lock");
}

} // namespace

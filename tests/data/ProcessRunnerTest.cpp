#include "ProcessRunner.h"
#include "RegistryHelpers.h"
#include "TempFolder.h"

#include "Paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

// An opener that records its pid and argument, then waits (a viewer that stays
// open) or ends at once (a document handed to a running viewer).
class FakeOpener {
public:
    explicit FakeOpener(bool stays)
    {
        const std::string script = tmp.File("opener.sh");
        // The argument first: once the pid is there, so is the argument.
        tmp.Write("opener.sh", "#!/bin/sh\necho \"$1\" >> '" + tmp.File("args") + "'\necho $$ >> '" + tmp.File("pids") +
                                   "'\n" + (stays ? "exec sleep 30\n" : "exit 0\n"));
        ::chmod(script.c_str(), 0755);
        m_previous = SetShellOpenProgram(script);
    }
    ~FakeOpener() { SetShellOpenProgram(m_previous); }

    // The opener's pids, once `count` have started.
    std::vector<pid_t> Pids(size_t count)
    {
        for (int i = 0; i < 2000; ++i) {
            std::vector<pid_t> pids;
            std::istringstream in(tmp.Read("pids"));
            for (long p; in >> p;)
                pids.push_back(static_cast<pid_t>(p));
            if (pids.size() >= count)
                return pids;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {};
    }
    std::string Args() { return tmp.Read("args"); }

    TempFolder tmp;

private:
    std::string m_previous;
};

bool Gone(pid_t pid) { return ::kill(pid, 0) != 0; }

TEST(ProcessRunner, OpeningAgainEndsTheViewerItStarted)
{
    FakeOpener opener(true);
    CProcessRunner runner;
    runner.Open(0, L"/docs/FunctionList_US.pdf");
    ASSERT_TRUE(runner.Process());
    EXPECT_EQ(runner.Path(), L"/docs/FunctionList_US.pdf");
    const auto first = opener.Pids(1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(runner.Process()->IsRunning());

    runner.Open(0, L"/docs/FunctionList_US.pdf");
    const auto both = opener.Pids(2);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(Gone(both[0])); // ended and reaped, not a zombie
    EXPECT_TRUE(runner.Process()->IsRunning());
    EXPECT_EQ(opener.Args(), "/docs/FunctionList_US.pdf\n/docs/FunctionList_US.pdf\n");
}

TEST(ProcessRunner, TheDestructorEndsTheViewer)
{
    FakeOpener opener(true);
    pid_t pid = 0;
    {
        CProcessRunner runner;
        runner.Open(0, L"help.chm");
        ASSERT_TRUE(runner.Process());
        pid = runner.Process()->Pid();
        ASSERT_EQ(opener.Pids(1).size(), 1u);
    }
    EXPECT_TRUE(Gone(pid));
}

TEST(ProcessRunner, AViewerThatEndedIsNotSignalled)
{
    FakeOpener opener(false);
    CProcessRunner runner;
    runner.Open(0, L"a.pdf");
    ASSERT_TRUE(runner.Process());
    for (int i = 0; i < 2000 && runner.Process()->IsRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(runner.Process()->IsRunning());
    EXPECT_EQ(runner.Process()->ExitStatus(), 0);
    // Already reaped: the next Open has nothing to end, and signals nobody.
    runner.Process()->Terminate();
    runner.Open(0, L"b.pdf");
    EXPECT_TRUE(runner.Process());
}

TEST(ProcessRunner, NoOpenerMeansNoProcess)
{
    const std::string previous = SetShellOpenProgram("/nonexistent/opener");
    CProcessRunner runner;
    runner.Open(0, L"a.pdf");
    EXPECT_FALSE(runner.Process());
    runner.Open(0, L"b.pdf");
    EXPECT_FALSE(runner.Process());
    std::unique_ptr<ChildProcess> process;
    EXPECT_FALSE(ShellOpenDocument(process, 0, L"", L""));
    SetShellOpenProgram(previous);
}

TEST(Registry, RecursiveDeleteRemovesTheWholeTreeAndNothingOutside)
{
    ScopedDataFolder data;
    TempFolder outside;
    outside.Write("keep/sub/file", "precious");
    const std::wstring key =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7A1C3D52-0F4B-4E8A-9B61-2C5D7E8F9A01}";
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, key + L"\\a\\b\\c"), REG_SUCCESS);
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, key + L"\\a\\d"), REG_SUCCESS);
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, key + L"\\.odd/name%"), REG_SUCCESS);
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Other"), REG_SUCCESS);
    // A link inside the key leads out of the store: it goes, its target stays.
    const std::string keyFolder = RegistryRootFolder(HKEY_LOCAL_MACHINE) +
                                  "/SOFTWARE/Microsoft/Windows/CurrentVersion/Uninstall/"
                                  "{7A1C3D52-0F4B-4E8A-9B61-2C5D7E8F9A01}";
    ASSERT_TRUE(IsDirectory(keyFolder));
    std::filesystem::create_directory_symlink(outside.File("keep"), keyFolder + "/a/link");

    std::wstring name;
    EXPECT_EQ(RegEnumKey(HKEY_LOCAL_MACHINE, key, 0, name), REG_SUCCESS);
    EXPECT_EQ(name, L".odd/name%");
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, key + L"\\A\\B"), REG_SUCCESS);                // names ignore case
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, key + L"\\a\\link\\sub"), REG_FILE_NOT_FOUND); // never through a link
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, key), REG_ACCESS_DENIED);

    EXPECT_NE(RegDeleteKeyRecursive(HKEY_LOCAL_MACHINE, key), 0);
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, key), REG_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"), REG_SUCCESS);
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, L"software\\other"), REG_SUCCESS);
    EXPECT_EQ(outside.Read("keep/sub/file"), "precious");

    // A missing key counts as deleted.
    EXPECT_NE(RegDeleteKeyRecursive(HKEY_LOCAL_MACHINE, key), 0);
    EXPECT_NE(RegDeleteKeyRecursive(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Nothing\\Here"), 0);
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, L""), REG_INVALID_PARAMETER);
}

TEST(Registry, AKeyHoldingAForeignFileStays)
{
    ScopedDataFolder data;
    ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, L"A\\B"), REG_SUCCESS);
    const std::string folder = RegistryRootFolder(HKEY_CURRENT_USER) + "/A";
    data.Folder().Write("Registry/HKEY_CURRENT_USER/A/stray.txt", "x");
    // And an entry whose name the store would never write.
    ASSERT_TRUE(CreateFolders(folder + "/bad%zz"));
    EXPECT_EQ(RegDeleteKeyRecursive(HKEY_CURRENT_USER, L"A"), 0);
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, L"A"), REG_SUCCESS);
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, L"A\\B"), REG_FILE_NOT_FOUND);
}

} // namespace

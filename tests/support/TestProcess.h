#pragma once
// A program a test runs as a child process (the client, the simulated Brelk,
// an X server): its environment is the test's with some variables set or
// removed, its output goes to files, and it never outlives the test. It runs
// in a process group of its own, which Stop ends whole, and it is killed when
// the test's process dies, however that happens.
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class TestProcess {
public:
    struct Options {
        std::vector<std::string> args;
        // Variables set for the child; an empty value removes the variable.
        std::vector<std::pair<std::string, std::string>> env;
        std::string stdoutFile; // empty: /dev/null
        std::string stderrFile; // empty: /dev/null
        std::string workingFolder;
        // A descriptor of the test's left open in the child under the same number.
        int passFd = -1;
    };

    TestProcess() = default;
    // Stops the child when it still runs.
    ~TestProcess();
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    // Starts the program (a path); false when it could not be started.
    bool Start(const std::string& program, const Options& options);
    pid_t Pid() const { return m_pid; }
    // True while it runs; a child that ended is reaped here.
    bool Running();
    // Waits up to ms (real time) for the end; its exit code, or -1 when it
    // still runs or was ended by a signal.
    int WaitForExit(int ms);
    void Signal(int signal) const;
    // Asks the group to end (SIGTERM), kills it after graceMs, and reaps the child.
    void Stop(int graceMs = 3000);
    // As waitpid gave it, once reaped; -1 before.
    int Status() const { return m_status; }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = -1;
};

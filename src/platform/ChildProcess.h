#pragma once
// A process the program started: a document viewer or the update program.
// It runs in a process group of its own, so that ending it also ends what it
// started in that group. The object is the only one that reaps the child
// (nothing else in the program waits for children), so a process id it holds
// is never one that has been handed to another process: once the child has
// ended and been reaped, nothing is signalled any more.
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    // Starts `program` (looked up in PATH when it has no '/') with the
    // arguments; null when it cannot be started.
    static std::unique_ptr<ChildProcess> Start(const std::string& program, const std::vector<std::string>& args,
                                               const std::string& workingFolder = {});
    // Reaps the child when it has already ended; a child still running goes on.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    // True while the child runs; a child that has ended is reaped here.
    bool IsRunning();
    // Ends the child and its group when it still runs (a polite request first,
    // then a kill after `graceMs`) and reaps it. Nothing happens to a child
    // that has already ended.
    void Terminate(int graceMs = 300);
    // The child's exit status once reaped (as waitpid gives it), else -1.
    int ExitStatus() const { return m_status; }
    // Reaped after it exited on its own with status 0.
    bool EndedWell() const;

private:
    explicit ChildProcess(pid_t pid) : m_pid(pid) {}
    bool Reap(bool wait);

    pid_t m_pid;
    bool m_reaped = false;
    int m_status = -1;
};

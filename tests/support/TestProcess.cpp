#include "TestProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kPollMs = 10;

// The child's side of the start, between fork and exec: only calls that are
// safe there.
[[noreturn]] void BecomeChild(pid_t parent, const std::vector<char*>& argv, const std::vector<char*>& envp,
                              const TestProcess::Options& options)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) // the test died before the line above
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2})
        ::signal(sig, SIG_DFL);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(options.stdoutFile.empty() ? "/dev/null" : options.stdoutFile.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(options.stderrFile.empty() ? "/dev/null" : options.stderrFile.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0)
        ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (options.passFd >= 0)
        ::fcntl(options.passFd, F_SETFD, 0);
    if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0)
        ::_exit(127);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

} // namespace

TestProcess::~TestProcess() { Stop(); }

bool TestProcess::Start(const std::string& program, const Options& options)
{
    // One child at a time; one that ended and was reaped may be followed by another.
    if (m_pid > 0 && !m_reaped)
        return false;
    std::vector<std::string> words{program};
    words.insert(words.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (std::none_of(options.env.begin(), options.env.end(), [&](const auto& v) { return v.first == name; }))
            env.push_back(entry);
    }
    for (const auto& [name, value] : options.env)
        if (!value.empty())
            env.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0)
        BecomeChild(parent, argv, envp, options);
    // Both sides set the group, so a signal to it right after the start reaches the child.
    ::setpgid(pid, pid);
    m_pid = pid;
    m_reaped = false;
    m_status = -1;
    return true;
}

bool TestProcess::Running()
{
    if (m_pid <= 0 || m_reaped)
        return false;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == m_pid || r < 0) {
        m_reaped = true;
        m_status = r == m_pid ? status : -1;
        return false;
    }
    return true;
}

int TestProcess::WaitForExit(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (Running() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    if (Running() || m_status < 0 || !WIFEXITED(m_status))
        return -1;
    return WEXITSTATUS(m_status);
}

void TestProcess::Signal(int signal) const
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, signal);
}

void TestProcess::Stop(int graceMs)
{
    if (!Running())
        return;
    ::kill(-m_pid, SIGTERM);
    // Waits without reaping: the id stays the child's (a zombie at worst), so
    // the group can still be signalled safely below.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    siginfo_t info{};
    while (std::chrono::steady_clock::now() < end) {
        info.si_pid = 0;
        if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    // Whatever of the group is still there goes now, the child with it.
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    m_status = status;
}

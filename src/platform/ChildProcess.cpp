#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                                                  const std::string& workingFolder)
{
    if (program.empty())
        return nullptr;
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
#else
    (void)workingFolder;
#endif
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0 || pid <= 0)
        return nullptr;
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::~ChildProcess() { Reap(false); }

bool ChildProcess::Reap(bool wait)
{
    if (m_reaped)
        return true;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, wait ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == m_pid) {
        m_reaped = true;
        m_status = status;
    } else if (r < 0) {
        // Not our child any more (someone else reaped it): never signal it again.
        m_reaped = true;
    }
    return m_reaped;
}

bool ChildProcess::IsRunning() { return !Reap(false); }

bool ChildProcess::EndedWell() const
{
    return m_reaped && m_status >= 0 && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
}

void ChildProcess::Terminate(int graceMs)
{
    if (Reap(false))
        return;
    // Still ours and unreaped, so the id (and the group of that id) is ours.
    ::kill(-m_pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (std::chrono::steady_clock::now() < until) {
        if (Reap(false))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (Reap(false))
        return;
    ::kill(-m_pid, SIGKILL);
    Reap(true);
}

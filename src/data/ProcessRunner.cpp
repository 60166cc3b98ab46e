#include "ProcessRunner.h"

#include "CodePage.h"
#include "Paths.h"

#include <mutex>

namespace {

constexpr char kDefaultOpener[] = "xdg-open";

std::mutex g_openerMutex;
std::string g_opener = kDefaultOpener;

std::string Opener()
{
    std::lock_guard<std::mutex> lock(g_openerMutex);
    return g_opener;
}

} // namespace

std::string SetShellOpenProgram(const std::string& program)
{
    std::lock_guard<std::mutex> lock(g_openerMutex);
    std::string previous = g_opener;
    g_opener = program.empty() ? std::string(kDefaultOpener) : program;
    return previous;
}

bool ShellOpenDocument(std::unique_ptr<ChildProcess>& process, ParentWindowHandle /*parent*/, const std::wstring& file,
                       const std::wstring& /*parameters*/)
{
    process.reset();
    if (file.empty())
        return false;
    // Names were written for a case-insensitive system with '\' separators.
    process = ChildProcess::Start(Opener(), {ResolvePath(WideToUtf8(file))});
    return process != nullptr;
}

CProcessRunner::~CProcessRunner()
{
    if (process)
        process->Terminate();
}

bool CProcessRunner::Open(ParentWindowHandle parent, const std::wstring& document)
{
    if (process) {
        process->Terminate();
        process.reset();
    }
    path = document;
    return ShellOpenDocument(process, parent, document, L"");
}

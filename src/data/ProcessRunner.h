#pragma once
// Opening documents (the function lists, the help file, the daily-records
// folder) with the viewer the desktop associates with them, through xdg-open
// started as a child of ours. The runner keeps the one it started last and
// ends it when it opens the next document or goes away.
#include "ChildProcess.h"

#include <cstdint>
#include <memory>
#include <string>

// A window handle of the windowing layer (0: none); the desktop's opener has
// no use for it.
using ParentWindowHandle = uint32_t;

// Starts the opener for the file and gives back its process (null when none
// could be started). `parameters` are not passed: the opener takes only the
// document. True when a process was started.
bool ShellOpenDocument(std::unique_ptr<ChildProcess>& process, ParentWindowHandle parent, const std::wstring& file,
                       const std::wstring& parameters);

// The opener program ("xdg-open"); tests put a script of their own in its place.
// Returns the previous one; an empty text restores the default.
std::string SetShellOpenProgram(const std::string& program);

class CProcessRunner {
public:
    CProcessRunner() = default;
    // Ends the viewer it started, when that still runs.
    ~CProcessRunner();
    CProcessRunner(const CProcessRunner&) = delete;
    CProcessRunner& operator=(const CProcessRunner&) = delete;

    // Ends the previous viewer (when it still runs), then opens the document;
    // false when no opener could be started.
    bool Open(ParentWindowHandle parent, const std::wstring& path);

    // The viewer process last started (null when none).
    ChildProcess* Process() const { return process.get(); }
    const std::wstring& Path() const { return path; }

private:
    std::unique_ptr<ChildProcess> process;
    std::wstring path;
};

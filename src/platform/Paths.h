#pragma once
// Folders of the program and file-name handling. The data files were named on a
// case-insensitive system with '\' separators, so every file function here
// accepts both separators and falls back to a case-insensitive match.
#include <cstdio>
#include <string>

// The folder of the program's own files (catalog, texts, pictures, tables),
// without a trailing '/': the folder of the running executable, or, for an
// installed program whose executable has no such files beside it, its data
// folder under the installation prefix (share/brelk beside bin).
// BRELK_PROGRAM_DIR overrides it (tests place "beside the program" files there).
std::string GetProgramFolder();
// The same for an executable at that path (the rule above, without the override).
std::string ProgramFolderOf(const std::string& executablePath);
// The running executable's own path (from /proc/self/exe; not overridden).
std::string GetProgramFilePath();
// The process's current folder, without a trailing '/'.
std::string GetCurrentFolder();
// The shared data folder: the documents folder's "Vornix" subfolder, created when
// missing. BRELK_DATA_DIR overrides it. Without a trailing '/'.
std::string GetDataFolderPath();
// The folder of the handheld's language tables (the prefixed text tables the
// exported text functions read): the program folder's "Scan/Language"
// subfolder. BRELK_TEXT_DIR overrides it. Without a trailing '/'.
std::string GetTextTableFolder();

// '\' becomes '/'.
std::string NormalizeSeparators(const std::string& path);
// a + "/" + b, without doubling the separator.
std::string JoinPath(const std::string& a, const std::string& b);
// The existing path that names the same file, matched case-insensitively one
// component at a time when the exact name is missing; else the normalized path.
std::string ResolvePath(const std::string& path);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool CreateFolders(const std::string& path);
// The path a write goes to: the existing file as ResolvePath finds it, or, for
// a new file, its folder resolved that way and the file name as given.
std::string ResolvePathForWriting(const std::string& path);
// fopen over ResolvePath; for writing, over ResolvePathForWriting.
FILE* OpenFile(const std::string& path, const char* mode);

#include "Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The file that tells the folder of the program's own files.
constexpr char kProgramMarkerFile[] = "catalog.data";

std::string StripTrailingSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::string EnvOrEmpty(const char* name)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string();
}

// XDG_DOCUMENTS_DIR from the environment or from user-dirs.dirs, else ~/Documents.
std::string DocumentsFolder()
{
    std::string home = EnvOrEmpty("HOME");
    if (home.empty())
        home = "/tmp";
    std::string docs = EnvOrEmpty("XDG_DOCUMENTS_DIR");
    if (docs.empty()) {
        std::string config = EnvOrEmpty("XDG_CONFIG_HOME");
        if (config.empty())
            config = home + "/.config";
        std::ifstream in(config + "/user-dirs.dirs");
        std::string line;
        while (std::getline(in, line)) {
            const std::string key = "XDG_DOCUMENTS_DIR=";
            if (line.compare(0, key.size(), key) != 0)
                continue;
            std::string v = line.substr(key.size());
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
                v = v.substr(1, v.size() - 2);
            if (v.compare(0, 5, "$HOME") == 0)
                v = home + v.substr(5);
            docs = v;
        }
    }
    if (docs.empty())
        docs = home + "/Documents";
    return StripTrailingSlash(docs);
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '/') {
            if (!cur.empty())
                parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        parts.push_back(cur);
    return parts;
}

} // namespace

std::string GetProgramFilePath()
{
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

std::string ProgramFolderOf(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    if (executablePath.empty() || slash == std::string::npos)
        return GetCurrentFolder();
    const std::string folder = slash == 0 ? std::string("/") : executablePath.substr(0, slash);
    // The build tree keeps the data beside the executable; an installation
    // keeps it apart, where the build said (relative to the executable's folder).
    if (PathExists(JoinPath(folder, kProgramMarkerFile)))
        return folder;
    const std::string installed = JoinPath(folder, BRELK_INSTALLED_DATA);
    if (!PathExists(JoinPath(installed, kProgramMarkerFile)))
        return folder;
    char resolved[PATH_MAX];
    return ::realpath(installed.c_str(), resolved) ? std::string(resolved) : installed;
}

std::string GetProgramFolder()
{
    std::string over = EnvOrEmpty("BRELK_PROGRAM_DIR");
    if (!over.empty())
        return StripTrailingSlash(over);
    return ProgramFolderOf(GetProgramFilePath());
}

std::string GetCurrentFolder()
{
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size()))
        return ".";
    return StripTrailingSlash(buf.data());
}

std::string GetDataFolderPath()
{
    std::string folder = EnvOrEmpty("BRELK_DATA_DIR");
    folder = folder.empty() ? DocumentsFolder() + "/Vornix" : StripTrailingSlash(folder);
    CreateFolders(folder);
    return folder;
}

std::string GetTextTableFolder()
{
    std::string over = EnvOrEmpty("BRELK_TEXT_DIR");
    if (!over.empty())
        return StripTrailingSlash(over);
    return JoinPath(GetProgramFolder(), "Scan/Language");
}

std::string NormalizeSeparators(const std::string& path)
{
    std::string out = path;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    std::string left = NormalizeSeparators(a);
    std::string right = NormalizeSeparators(b);
    while (!left.empty() && left.back() == '/')
        left.pop_back();
    size_t i = 0;
    while (i < right.size() && right[i] == '/')
        ++i;
    return left + "/" + right.substr(i);
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ResolvePath(const std::string& path)
{
    std::string norm = NormalizeSeparators(path);
    if (norm.empty() || PathExists(norm))
        return norm;
    const bool absolute = norm[0] == '/';
    std::string cur = absolute ? "/" : "";
    std::vector<std::string> parts = SplitComponents(norm);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string exact = cur.empty() ? part : (cur == "/" ? "/" + part : cur + "/" + part);
        if (part == "." || part == ".." || PathExists(exact)) {
            cur = exact;
            continue;
        }
        std::string found;
        if (DIR* d = opendir(cur.empty() ? "." : cur.c_str())) {
            while (dirent* e = readdir(d)) {
                if (strcasecmp(e->d_name, part.c_str()) == 0) {
                    found = e->d_name;
                    break;
                }
            }
            closedir(d);
        }
        if (found.empty())
            return norm; // no match: give the caller the name as asked
        cur = cur.empty() ? found : (cur == "/" ? "/" + found : cur + "/" + found);
    }
    return cur;
}

bool CreateFolders(const std::string& path)
{
    std::string norm = NormalizeSeparators(path);
    if (norm.empty())
        return false;
    std::string cur;
    size_t pos = 0;
    while (pos <= norm.size()) {
        size_t next = norm.find('/', pos);
        if (next == std::string::npos)
            next = norm.size();
        cur = norm.substr(0, next);
        if (!cur.empty() && !IsDirectory(cur)) {
            if (::mkdir(cur.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
        pos = next + 1;
    }
    return IsDirectory(norm);
}

std::string ResolvePathForWriting(const std::string& path)
{
    std::string resolved = ResolvePath(path);
    if (!PathExists(resolved)) {
        // A new file: find its folder case-insensitively, keep the file name as given.
        auto slash = resolved.rfind('/');
        if (slash != std::string::npos && slash > 0)
            resolved = ResolvePath(resolved.substr(0, slash)) + resolved.substr(slash);
    }
    return resolved;
}

FILE* OpenFile(const std::string& path, const char* mode)
{
    const std::string resolved = std::strpbrk(mode, "wa") ? ResolvePathForWriting(path) : ResolvePath(path);
    return std::fopen(resolved.c_str(), mode);
}

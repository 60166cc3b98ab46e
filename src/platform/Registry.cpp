#include "Registry.h"

#include "CodePage.h"
#include "Paths.h"
#include "PercentEncoding.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <optional>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* RootName(RegRoot root)
{
    return root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// A key name as a file name: '/', '%' and a leading '.' are written as %XX, so
// that every name maps to one plain entry of its folder.
std::string EncodeName(const std::string& name)
{
    return PercentEncode(name, [](size_t i, unsigned char c) { return c == '/' || c == '%' || (i == 0 && c == '.'); });
}

std::string DecodeName(const std::string& entry)
{
    std::string out;
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '%' && i + 2 < entry.size()) {
            auto digit = [](char h) -> int {
                if (h >= '0' && h <= '9')
                    return h - '0';
                if (h >= 'A' && h <= 'F')
                    return h - 'A' + 10;
                if (h >= 'a' && h <= 'f')
                    return h - 'a' + 10;
                return -1;
            };
            const int hi = digit(entry[i + 1]), lo = digit(entry[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += entry[i];
    }
    return out;
}

// The key path's names; nothing when the path is empty or holds an empty name
// in the middle (leading and trailing separators are allowed).
std::optional<std::vector<std::string>> SplitKeyPath(const std::wstring& path)
{
    std::vector<std::string> names;
    std::wstring cur;
    for (wchar_t c : path + L'\\') {
        if (c == L'\\') {
            if (!cur.empty())
                names.push_back(WideToUtf8(cur));
            cur.clear();
        } else if (c == 0) {
            return std::nullopt;
        } else {
            cur += c;
        }
    }
    if (names.empty())
        return std::nullopt;
    return names;
}

enum class Entry { Missing, Folder, Link };

Entry EntryKind(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Entry::Missing;
    if (S_ISLNK(st.st_mode))
        return Entry::Link;
    return S_ISDIR(st.st_mode) ? Entry::Folder : Entry::Missing;
}

// The entry of `folder` that names the key: the exact name, else the first
// entry that matches without regard to ASCII case.
std::string FindEntry(const std::string& folder, const std::string& encoded)
{
    if (EntryKind(folder + "/" + encoded) != Entry::Missing)
        return encoded;
    std::string found;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.' && strcasecmp(e->d_name, encoded.c_str()) == 0 &&
                EntryKind(folder + "/" + e->d_name) != Entry::Missing) {
                found = e->d_name;
                break;
            }
        }
        ::closedir(d);
    }
    return found;
}

struct Resolved {
    std::string path;
    Entry kind = Entry::Missing;
};

// Walks the names from the root folder, through real folders only: a link on
// the way ends the walk as a missing key.
Resolved Resolve(RegRoot root, const std::vector<std::string>& names)
{
    std::string cur = RegistryRootFolder(root);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string entry = FindEntry(cur, EncodeName(names[i]));
        if (entry.empty())
            return {};
        cur += "/" + entry;
        const Entry kind = EntryKind(cur);
        if (i + 1 == names.size())
            return {cur, kind};
        if (kind != Entry::Folder)
            return {};
    }
    return {};
}

std::vector<std::string> SubKeyEntries(const std::string& folder)
{
    std::vector<std::string> entries;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            if (EntryKind(folder + "/" + e->d_name) != Entry::Missing)
                entries.push_back(e->d_name);
        }
        ::closedir(d);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

std::string RegistryRootFolder(RegRoot root)
{
    const std::string folder = JoinPath(JoinPath(GetDataFolderPath(), "Registry"), RootName(root));
    CreateFolders(folder);
    return folder;
}

long RegCreateKey(RegRoot root, const std::wstring& path)
{
    const auto names = SplitKeyPath(path);
    if (!names)
        return REG_INVALID_PARAMETER;
    std::string cur = RegistryRootFolder(root);
    for (const std::string& name : *names) {
        std::string entry = FindEntry(cur, EncodeName(name));
        if (entry.empty()) {
            entry = EncodeName(name);
            if (::mkdir((cur + "/" + entry).c_str(), 0777) != 0 && errno != EEXIST)
                return REG_ACCESS_DENIED;
        }
        cur += "/" + entry;
        if (EntryKind(cur) != Entry::Folder)
            return REG_ACCESS_DENIED; // a link: the store does not go through it
    }
    return REG_SUCCESS;
}

long RegOpenKey(RegRoot root, const std::wstring& path)
{
    const auto names = SplitKeyPath(path);
    if (!names)
        return REG_INVALID_PARAMETER;
    return Resolve(root, *names).kind == Entry::Missing ? REG_FILE_NOT_FOUND : REG_SUCCESS;
}

long RegEnumKey(RegRoot root, const std::wstring& path, uint32_t index, std::wstring& name)
{
    name.clear();
    const auto names = SplitKeyPath(path);
    if (!names)
        return REG_INVALID_PARAMETER;
    const Resolved key = Resolve(root, *names);
    if (key.kind == Entry::Missing)
        return REG_FILE_NOT_FOUND;
    if (key.kind == Entry::Link)
        return REG_NO_MORE_ITEMS;
    const std::vector<std::string> entries = SubKeyEntries(key.path);
    if (index >= entries.size())
        return REG_NO_MORE_ITEMS;
    name = Utf8ToWide(DecodeName(entries[index]));
    return REG_SUCCESS;
}

long RegDeleteKey(RegRoot root, const std::wstring& path)
{
    const auto names = SplitKeyPath(path);
    if (!names)
        return REG_INVALID_PARAMETER;
    const Resolved key = Resolve(root, *names);
    switch (key.kind) {
    case Entry::Missing: return REG_FILE_NOT_FOUND;
    case Entry::Link: return ::unlink(key.path.c_str()) == 0 ? REG_SUCCESS : REG_ACCESS_DENIED;
    case Entry::Folder: break;
    }
    return ::rmdir(key.path.c_str()) == 0 ? REG_SUCCESS : REG_ACCESS_DENIED;
}

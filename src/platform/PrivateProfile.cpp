#include "PrivateProfile.h"

#include "CodePage.h"
#include "Paths.h"
#include "UniqueFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Writers take it for their read-modify-write, so two threads of the program
// never lose each other's keys.
std::mutex g_profileMutex;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& s, size_t begin, size_t end)
{
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// The file's path on disk: '\' separators and names in any case are accepted,
// and a new file goes into the existing folder under the name as given.
std::string DiskPath(const std::wstring& path)
{
    std::string resolved = ResolvePath(WideToUtf8(path));
    if (!PathExists(resolved)) {
        auto slash = resolved.rfind('/');
        if (slash != std::string::npos && slash > 0)
            resolved = ResolvePath(resolved.substr(0, slash)) + resolved.substr(slash);
    }
    return resolved;
}

bool ReadBytes(const std::string& diskPath, std::string& bytes)
{
    bytes.clear();
    UniqueFile f(std::fopen(diskPath.c_str(), "rb"));
    if (!f)
        return false;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        bytes.append(buf, n);
    return !std::ferror(f.get());
}

// One line of the file as it stands, and what it means.
struct Line {
    size_t begin = 0; // offset of the line in the bytes
    size_t end = 0;   // end of its text, before the line break
    size_t next = 0;  // start of the following line
    enum Kind { Other, Section, Entry } kind = Other;
    std::wstring name;  // section or key name, trimmed
    std::wstring value; // the entry's value, trimmed
};

struct ProfileText {
    std::string bytes;
    size_t bodyStart = 0; // after a UTF-8 byte-order mark
    std::vector<Line> lines;
    bool crlf = false;
};

void ParseLines(ProfileText& p)
{
    const std::string& b = p.bytes;
    p.bodyStart = b.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    bool sawBreak = false;
    size_t pos = p.bodyStart;
    while (pos < b.size()) {
        Line line;
        line.begin = pos;
        // LF, CRLF and a lone CR each end a line. A lone CR left by an editor
        // at the end of the file must end its line too: else a key added
        // behind it would run on in that line's value.
        const size_t brk = b.find_first_of("\r\n", pos);
        line.end = brk == std::string::npos ? b.size() : brk;
        line.next = brk == std::string::npos ? b.size() : brk + 1;
        if (brk != std::string::npos && b[brk] == '\r' && brk + 1 < b.size() && b[brk + 1] == '\n')
            ++line.next;
        if (!sawBreak && brk != std::string::npos) {
            sawBreak = true;
            p.crlf = b[brk] == '\r';
        }
        const std::wstring text = Utf8ToWide(b.substr(line.begin, line.end - line.begin));
        const std::wstring trimmed = Trim(text, 0, text.size());
        if (!trimmed.empty() && trimmed[0] == L'[') {
            size_t close = trimmed.find(L']');
            line.kind = Line::Section;
            line.name = Trim(trimmed, 1, close == std::wstring::npos ? trimmed.size() : close);
        } else if (size_t eq = trimmed.find(L'='); eq != std::wstring::npos) {
            line.kind = Line::Entry;
            line.name = Trim(trimmed, 0, eq);
            line.value = Trim(trimmed, eq + 1, trimmed.size());
        }
        p.lines.push_back(std::move(line));
        pos = p.lines.back().next;
    }
}

// Index range [first, last) of the lines inside the first section of that
// name (after its header), and the header's index; false when there is none.
bool FindSection(const ProfileText& p, const std::wstring& section, size_t& header, size_t& first, size_t& last)
{
    for (size_t i = 0; i < p.lines.size(); ++i) {
        if (p.lines[i].kind != Line::Section || !SameName(p.lines[i].name, section))
            continue;
        header = i;
        first = i + 1;
        last = first;
        while (last < p.lines.size() && p.lines[last].kind != Line::Section)
            ++last;
        return true;
    }
    return false;
}

bool FindKey(const ProfileText& p, size_t first, size_t last, const std::wstring& key, size_t& index)
{
    for (size_t i = first; i < last; ++i) {
        if (p.lines[i].kind == Line::Entry && SameName(p.lines[i].name, key)) {
            index = i;
            return true;
        }
    }
    return false;
}

bool LookUp(const std::wstring& path, const std::wstring& section, const std::wstring& key, std::wstring& value)
{
    ProfileText p;
    if (!ReadBytes(DiskPath(path), p.bytes))
        return false;
    ParseLines(p);
    size_t header, first, last, index;
    if (!FindSection(p, section, header, first, last) || !FindKey(p, first, last, key, index))
        return false;
    value = p.lines[index].value;
    return true;
}

bool HasLineBreak(const std::wstring& s) { return s.find_first_of(L"\r\n") != std::wstring::npos; }

// Flushes the folder's entries, so the rename outlives a power loss. The new
// text is already in place for every reader; a folder that cannot be flushed
// (some file systems refuse) does not undo that.
void SyncFolderOf(const std::string& diskPath)
{
    const size_t slash = diskPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : diskPath.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool WriteWhole(const std::string& diskPath, const std::string& bytes)
{
    // A temporary file beside the target, renamed over it once complete.
    std::string tmp = diskPath + ".XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // mkstemp makes the file private; keep the mode the settings file had.
    struct stat st;
    ::fchmod(fd, ::stat(diskPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0)
            ok = errno == EINTR;
        else
            done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), diskPath.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    SyncFolderOf(diskPath);
    return true;
}

} // namespace

uint32_t GetPrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                 std::wstring& out, uint32_t size, const std::wstring& path)
{
    out.clear();
    if (!section || !key || size == 0)
        return 0;
    // Names are asked for without their blanks, as the writer stores them.
    std::wstring value;
    if (!LookUp(path, Trim(section, 0, std::wcslen(section)), Trim(key, 0, std::wcslen(key)), value)) {
        value = defaultValue ? defaultValue : L"";
        while (!value.empty() && IsBlank(value.back()))
            value.pop_back();
    }
    if (value.size() > size - 1)
        value.resize(size - 1);
    out = std::move(value);
    return static_cast<uint32_t>(out.size());
}

int GetPrivateProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue, const std::wstring& path)
{
    std::wstring text;
    if (GetPrivateProfileString(section, key, L"", text, 64, path) == 0)
        return defaultValue;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        v = INT_MAX;
    return static_cast<int>(v);
}

bool WritePrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                               const std::wstring& path)
{
    if (!section || !key)
        return false;
    const std::wstring sectionName = Trim(section, 0, std::wcslen(section));
    const std::wstring keyName = Trim(key, 0, std::wcslen(key));
    const std::wstring text = value ? value : L"";
    if (sectionName.empty() || keyName.empty() || HasLineBreak(sectionName) || HasLineBreak(keyName) ||
        HasLineBreak(text) || sectionName.find(L']') != std::wstring::npos ||
        keyName.find(L'=') != std::wstring::npos || keyName[0] == L'[')
        return false;

    std::lock_guard<std::mutex> lock(g_profileMutex);
    const std::string diskPath = DiskPath(path);
    ProfileText p;
    if (!ReadBytes(diskPath, p.bytes) && PathExists(diskPath))
        return false; // there but unreadable: never replace what we could not read
    ParseLines(p);
    // New lines follow the file's own line breaks; a new file gets LF.
    const std::string eol = p.crlf ? "\r\n" : "\n";
    const std::string valueBytes = WideToUtf8(text);
    std::string out;

    size_t header, first, last, index;
    if (FindSection(p, sectionName, header, first, last)) {
        if (FindKey(p, first, last, keyName, index)) {
            // Same line, the key spelled as the file has it.
            const Line& line = p.lines[index];
            out = p.bytes.substr(0, line.begin) + WideToUtf8(line.name) + "=" + valueBytes + p.bytes.substr(line.end);
        } else {
            // After the section's last non-blank line.
            size_t after = header;
            for (size_t i = first; i < last; ++i)
                if (p.lines[i].kind != Line::Other || p.lines[i].end > p.lines[i].begin)
                    after = i;
            const Line& line = p.lines[after];
            std::string head = p.bytes.substr(0, line.next);
            if (line.next == line.end) // the file ends without a line break
                head += eol;
            out = head + WideToUtf8(keyName) + "=" + valueBytes + eol + p.bytes.substr(line.next);
        }
    } else {
        out = p.bytes;
        if (!p.lines.empty() && p.lines.back().next == p.lines.back().end) // no break after the last line
            out += eol;
        out += "[" + WideToUtf8(sectionName) + "]" + eol + WideToUtf8(keyName) + "=" + valueBytes + eol;
    }
    return WriteWhole(diskPath, out);
}

#include "ZipReader.h"

#include "ByteOrder.h"
#include "CodePage.h"
#include "Paths.h"

#include <unzip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void ZipArchiveFileCloser::operator()(void* archive) const
{
    if (archive)
        unzClose(static_cast<unzFile>(archive));
}

namespace {

// Host systems (high byte of "version made by") whose attributes are DOS bits.
bool IsDosHost(unsigned host) { return host == 0 || host == 7 || host == 11 || host == 14; }

constexpr uint16_t kExtendedTimestampId = 0x5455; // "UT"
constexpr uint32_t kUnixTypeMask = 0xF000;
constexpr uint32_t kUnixTypeLink = 0xA000;
constexpr int kMethodStored = 0;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

unzFile Archive(ZipReader& reader) { return static_cast<unzFile>(reader.archive.get()); }

void CloseOpenEntry(ZipReader& reader)
{
    if (reader.openEntry >= 0) {
        unzCloseCurrentFile(Archive(reader));
        reader.openEntry = -1;
    }
}

// The extended timestamp block ("UT") of a local extra field replaces the
// times it carries: write, access, creation, in that order of its flag bits.
void ApplyExtendedTimestamp(const std::vector<unsigned char>& extra, ZipEntryInfo& info)
{
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const uint16_t id = ReadLe16(&extra[pos]);
        const size_t size = ReadLe16(&extra[pos + 2]);
        const size_t start = pos + 4;
        const size_t avail = std::min(size, extra.size() - start);
        if (id == kExtendedTimestampId && avail >= 1) {
            const unsigned flags = extra[start];
            FileTime* targets[] = {&info.writeTime, &info.accessTime, &info.creationTime};
            size_t off = 1;
            for (unsigned bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (off + 4 > avail)
                    break;
                const auto seconds = static_cast<int32_t>(ReadLe32(&extra[start + off]));
                *targets[bit] = UnixTimeToFileTime(seconds);
                off += 4;
            }
        }
        pos = start + size;
    }
}

long ClampSize(ZPOS64_T size) { return size > ZPOS64_T(LONG_MAX) ? LONG_MAX : static_cast<long>(size); }

// Moves minizip's cursor to `index`: back to the first entry when it lies
// behind, then forward one entry at a time.
bool MoveTo(ZipReader& reader, int index)
{
    unzFile zf = Archive(reader);
    if (reader.currentEntry < 0 || index < reader.currentEntry) {
        if (unzGoToFirstFile(zf) != UNZ_OK) {
            reader.currentEntry = -1;
            return false;
        }
        reader.currentEntry = 0;
    }
    while (reader.currentEntry < index) {
        if (unzGoToNextFile(zf) != UNZ_OK) {
            reader.currentEntry = -1;
            return false;
        }
        ++reader.currentEntry;
    }
    return true;
}

// The current entry's central directory record and its stored name, which
// ends at a zero byte, as every file function would read it.
bool ReadCentralRecord(unzFile zf, unz_file_info64& fi, std::string& stored)
{
    if (unzGetCurrentFileInfo64(zf, &fi, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    std::vector<char> rawName(fi.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(zf, &fi, rawName.data(), static_cast<uLong>(rawName.size()), nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    stored = rawName.data();
    return true;
}

// The local header, checked by minizip against the central directory, and
// its extra field; opened raw so that nothing is inflated or decrypted.
uint32_t ReadLocalHeader(unzFile zf, int& method, std::vector<unsigned char>& extra)
{
    int level = 0;
    if (unzOpenCurrentFile2(zf, &method, &level, 1) != UNZ_OK)
        return kZipErrLocalHeader;
    const int extraSize = unzGetLocalExtrafield(zf, nullptr, 0);
    if (extraSize < 0) {
        unzCloseCurrentFile(zf);
        return kZipErrExtraField;
    }
    if (extraSize > 0) {
        extra.resize(static_cast<size_t>(extraSize));
        const int got = unzGetLocalExtrafield(zf, extra.data(), static_cast<unsigned>(extraSize));
        if (got != extraSize) {
            unzCloseCurrentFile(zf);
            return kZipErrExtraField;
        }
    }
    unzCloseCurrentFile(zf);
    return kZipOk;
}

// The attributes from the external ones: DOS bits as they stand, Unix modes
// read for directory, write permission and link.
void ApplyHostAttributes(const unz_file_info64& fi, ZipEntryInfo& info, uint32_t& unixMode, bool& isLink)
{
    const unsigned host = (fi.version >> 8) & 0xFF;
    if (IsDosHost(host)) {
        info.attributes = fi.external_fa & 0xFF;
        return;
    }
    unixMode = (fi.external_fa >> 16) & 0xFFFF;
    info.attributes = kZipAttrArchive;
    if (fi.external_fa & 0x40000000u)
        info.attributes |= kZipAttrDirectory;
    if (!(fi.external_fa & 0x800000u))
        info.attributes |= kZipAttrReadOnly;
    isLink = (unixMode & kUnixTypeMask) == kUnixTypeLink;
}

// The DOS date and time of the record, local time, in UTC where it converts.
FileTime RecordTime(const unz_file_info64& fi)
{
    FileTime local =
        DosDateTimeToFileTime(static_cast<uint16_t>(fi.dosDate & 0xFFFF), static_cast<uint16_t>(fi.dosDate >> 16));
    FileTime utc;
    if (local.ToUint64() != 0 && LocalFileTimeToFileTime(local, utc))
        local = utc;
    return local;
}

uint32_t Describe(ZipReader& reader, ZipEntryInfo& out, int index)
{
    if (index == reader.cachedIndex) {
        out = reader.cachedInfo;
        return kZipOk;
    }
    reader.cachedIndex = -1;
    if (!MoveTo(reader, index))
        return kZipErrLocalHeader;
    unzFile zf = Archive(reader);
    unz_file_info64 fi{};
    std::string stored;
    if (!ReadCentralRecord(zf, fi, stored))
        return kZipErrLocalHeader;
    int method = 0;
    std::vector<unsigned char> extra;
    if (const uint32_t rc = ReadLocalHeader(zf, method, extra); rc != kZipOk)
        return rc;

    ZipEntryInfo info;
    info.index = index;
    info.name = CleanZipEntryName(Utf8ToWide(stored));
    uint32_t unixMode = 0;
    bool isLink = false;
    ApplyHostAttributes(fi, info, unixMode, isLink);
    info.accessTime = info.creationTime = info.writeTime = RecordTime(fi);
    ApplyExtendedTimestamp(extra, info);
    info.packedSize = ClampSize(fi.compressed_size);
    info.unpackedSize = ClampSize(fi.uncompressed_size);

    const bool namedAsFolder = !stored.empty() && (stored.back() == '/' || stored.back() == '\\');
    info.folder = (info.attributes & kZipAttrDirectory) || namedAsFolder;
    reader.cachedInfo = info;
    reader.cachedIndex = index;
    reader.cachedIsLink = isLink;
    reader.cachedEncrypted = (fi.flag & 1) != 0;
    reader.cachedMethod = method;
    reader.cachedUnixMode = unixMode & 0777;
    out = info;
    return kZipOk;
}

std::vector<std::string> Segments(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// Walks (and creates) the folders below the root without following a link at
// any level; the descriptor of the last one.
UniqueFd OpenFolderChain(const std::string& root, const std::vector<std::string>& folders)
{
    std::string top = root;
    while (top.size() > 1 && top.back() == '/')
        top.pop_back();
    if (!CreateFolders(top))
        return UniqueFd();
    UniqueFd dir(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const std::string& name : folders) {
        if (!dir.Valid())
            break;
        // Only plain names step down; the clean-up leaves no other, and a
        // caller's path gets no second chance to climb.
        if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos)
            return UniqueFd();
        if (::mkdirat(dir.Get(), name.c_str(), 0777) != 0 && errno != EEXIST)
            return UniqueFd();
        dir = UniqueFd(::openat(dir.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return dir;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

timespec ToTimespec(const FileTime& ft)
{
    const int64_t ticks = static_cast<int64_t>(ft.ToUint64());
    const int64_t sinceUnix = ticks - kSecondsFrom1601To1970 * kFileTimeTicksPerSecond;
    int64_t sec = sinceUnix / kFileTimeTicksPerSecond;
    int64_t rem = sinceUnix % kFileTimeTicksPerSecond;
    if (rem < 0) {
        rem += kFileTimeTicksPerSecond;
        --sec;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(rem * 100);
    return ts;
}

uint32_t CopyEntry(ZipReader& reader, int fd)
{
    unzFile zf = Archive(reader);
    if (!reader.copyBuffer)
        reader.copyBuffer = std::make_unique<char[]>(kZipCopyBufferSize);
    for (;;) {
        const int n = unzReadCurrentFile(zf, reader.copyBuffer.get(), kZipCopyBufferSize);
        if (n > 0) {
            // Counted before writing: a bomb stops at its bound, not at a full disk.
            if (static_cast<uint64_t>(n) > reader.unpackBudget - reader.unpackedBytes)
                return kZipErrTooLarge;
            reader.unpackedBytes += static_cast<uint64_t>(n);
            if (!WriteAll(fd, reader.copyBuffer.get(), static_cast<size_t>(n)))
                return kZipErrWrite;
            continue;
        }
        // A zero count before the entry's announced size is a truncated stream.
        if (n == 0 && unzeof(zf) == 1)
            return kZipOk;
        return kZipErrData;
    }
}

} // namespace

namespace {

// One pass of the clean-up: drives and leading separators off the front,
// then the path's "." and ".." and empty parts resolved.
std::wstring CleanOnce(std::wstring text)
{
    for (wchar_t& c : text)
        if (c == L'\\')
            c = L'/';
    for (bool changed = true; changed;) {
        changed = false;
        if (text.size() >= 2 && text[1] == L':') {
            text.erase(0, 2);
            changed = true;
        }
        if (!text.empty() && text[0] == L'/') {
            text.erase(0, 1);
            changed = true;
        }
    }
    std::vector<std::wstring> kept;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find(L'/', start);
        if (slash == std::wstring::npos)
            slash = text.size();
        const std::wstring segment = text.substr(start, slash - start);
        start = slash + 1;
        if (segment.empty() || segment == L".")
            continue;
        if (segment == L"..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(segment);
    }
    std::wstring out;
    for (const std::wstring& segment : kept) {
        if (!out.empty())
            out += L'/';
        out += segment;
    }
    return out;
}

} // namespace

std::wstring CleanZipEntryName(const std::wstring& name)
{
    // To a fixed point: a drive that shows only once "./" is gone
    // ("./C:name") goes too, so a cleaned name cleans to itself and the name
    // checked is the name written.
    std::wstring text = name.substr(0, name.find(L'\0'));
    for (std::wstring next = CleanOnce(text); next != text; next = CleanOnce(text))
        text = next;
    return text;
}

FileTime DosDateTimeToFileTime(uint16_t dosTime, uint16_t dosDate)
{
    SystemTime st;
    st.wYear = static_cast<uint16_t>((dosDate >> 9) + 1980);
    st.wMonth = static_cast<uint16_t>((dosDate >> 5) & 15);
    st.wDay = static_cast<uint16_t>(dosDate & 31);
    st.wHour = static_cast<uint16_t>((dosTime >> 11) & 31);
    st.wMinute = static_cast<uint16_t>((dosTime >> 5) & 63);
    st.wSecond = static_cast<uint16_t>((dosTime & 31) * 2);
    FileTime ft;
    if (!SystemTimeToFileTime(st, ft))
        return FileTime{};
    return ft;
}

bool ZipEnsureDirectories(const std::string& root, const std::string& path)
{
    return OpenFolderChain(root, Segments(NormalizeSeparators(path))).Valid();
}

uint32_t ZipReaderOpen(ZipReader& reader, const std::string& path, const std::string& root)
{
    if (reader.archive || reader.openEntry >= 0)
        return kZipErrBusy;
    if (root.empty())
        return kZipErrArgument;
    std::string folder = NormalizeSeparators(root);
    if (folder.back() != '/')
        folder += '/';
    unzFile zf = unzOpen64(path.c_str());
    if (!zf)
        return kZipErrOpen;
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(zf, &gi) != UNZ_OK) {
        unzClose(zf);
        return kZipErrOpen;
    }
    reader.archive.reset(zf);
    reader.root = folder;
    struct stat st;
    reader.archiveBytes = ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    reader.unpackedBytes = 0;
    ZipReaderSetLimits(reader, ZipUnpackLimits{});
    reader.entryCount = gi.number_entry > ZPOS64_T(INT_MAX) ? INT_MAX : static_cast<int>(gi.number_entry);
    reader.currentEntry = -1;
    reader.cachedIndex = -1;
    reader.openEntry = -1;
    return kZipOk;
}

uint64_t ZipReaderSetLimits(ZipReader& reader, const ZipUnpackLimits& limits)
{
    uint64_t budget = limits.maxBytes;
    if (limits.maxRatio != 0 && reader.archiveBytes <= UINT64_MAX / limits.maxRatio)
        budget = std::min(budget, std::max(limits.ratioFloor, reader.archiveBytes * limits.maxRatio));
    uint64_t free = 0;
    const bool known = limits.freeSpace ? limits.freeSpace(reader.root, free) : FreeDiskSpace(reader.root, free);
    if (known)
        budget = std::min(budget, free);
    reader.unpackBudget = budget;
    return budget - std::min(budget, reader.unpackedBytes);
}

uint32_t ZipReaderGetEntry(ZipReader& reader, ZipEntryInfo& out, int index)
{
    if (!reader.archive)
        return kZipErrArgument;
    if (index == -1) {
        out = ZipEntryInfo{};
        out.index = reader.entryCount;
        return kZipOk;
    }
    if (index < -1 || index >= reader.entryCount)
        return kZipErrArgument;
    CloseOpenEntry(reader);
    return Describe(reader, out, index);
}

namespace {

// Whatever stands under the name goes first (a link is removed, never
// followed); the file is then created new, read-only for a read-only entry,
// executable where the entry's Unix mode says so.
UniqueFd CreateEntryFile(const ZipReader& reader, const ZipEntryInfo& info, int dir, const std::string& fileName)
{
    ::unlinkat(dir, fileName.c_str(), 0);
    mode_t mode = (info.attributes & kZipAttrReadOnly) ? 0444 : 0666;
    mode |= reader.cachedUnixMode & 0111;
    return UniqueFd(::openat(dir, fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
}

// Inflates the entry under minizip's cursor into fd.
uint32_t UnpackCurrent(ZipReader& reader, int index, int fd)
{
    unzFile zf = Archive(reader);
    if (unzOpenCurrentFilePassword(zf, reader.password) != UNZ_OK)
        return kZipErrData;
    reader.openEntry = index;
    uint32_t result = CopyEntry(reader, fd);
    // Closing checks the CRC once the whole entry was read.
    const int closed = unzCloseCurrentFile(zf);
    reader.openEntry = -1;
    if (result == kZipOk && closed != UNZ_OK)
        result = kZipErrData;
    return result;
}

} // namespace

uint32_t ZipReaderExtractEntry(ZipReader& reader, const std::wstring& targetName, int index)
{
    if (!reader.archive)
        return kZipErrArgument;
    CloseOpenEntry(reader);
    if (index < 0 || index >= reader.entryCount)
        return kZipErrArgument;
    ZipEntryInfo info;
    if (const uint32_t rc = Describe(reader, info, index); rc != kZipOk)
        return rc;
    if (reader.cachedIsLink)
        return kZipErrRefused;
    const std::string target = WideToUtf8(CleanZipEntryName(targetName));
    if (info.folder) {
        // A folder that names the root itself ("./", "C:"), as archivers
        // write, has nothing to create.
        if (target.empty())
            return kZipOk;
        return ZipEnsureDirectories(reader.root, target) ? kZipOk : kZipErrOpen;
    }
    if (target.empty())
        return kZipErrRefused;

    // Refused before anything is created: encrypted data we cannot read, and
    // methods minizip would hand out undecoded.
    if (reader.cachedEncrypted)
        return kZipErrPassword;
    if (reader.cachedMethod != kMethodStored && reader.cachedMethod != Z_DEFLATED)
        return kZipErrData;

    std::vector<std::string> parts = Segments(target);
    const std::string fileName = parts.back();
    parts.pop_back();
    if (fileName == "." || fileName == "..")
        return kZipErrRefused;
    UniqueFd dir = OpenFolderChain(reader.root, parts);
    if (!dir.Valid())
        return kZipErrOpen;
    if (!MoveTo(reader, index))
        return kZipErrLocalHeader;

    UniqueFd file = CreateEntryFile(reader, info, dir.Get(), fileName);
    if (!file.Valid())
        return kZipErrOpen;
    const uint32_t result = UnpackCurrent(reader, index, file.Get());
    if (result != kZipOk) {
        // A half-written or damaged file must not pass for the entry (the
        // update would start a truncated program): it goes.
        ::unlinkat(dir.Get(), fileName.c_str(), 0);
        return result;
    }
    const timespec times[2] = {ToTimespec(info.accessTime), ToTimespec(info.writeTime)};
    if (info.writeTime.ToUint64() != 0)
        ::futimens(file.Get(), times);
    return result;
}

void ZipReaderFree(std::unique_ptr<ZipReader> reader)
{
    if (!reader)
        return;
    CloseOpenEntry(*reader);
    reader->archive.reset();
}

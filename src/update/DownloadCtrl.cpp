#include "DownloadCtrl.h"

#include "Clock.h"
#include "DebugTrace.h"
#include "PercentEncoding.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kAgent = "My Session";
constexpr const char* kOpenFailedText = "Open file failed, please comfirm the file is not in use!";
constexpr const char* kTooLargeText = "The file is larger than this program takes";
constexpr const char* kNoRoomText = "The file is larger than the free space of this disk";
constexpr size_t kChunk = 1024;
constexpr size_t kMaxErrorText = 64;
constexpr int kPollMs = 50;
constexpr long kMaxRedirects = 5;
constexpr const char* kHttpsScheme = "https:";
constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool FileSize(const std::string& path, uint64_t& size)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

// Strict decimal number of a header value; false for anything else.
bool ParseNumber(const char*& p, uint64_t& value)
{
    if (*p < '0' || *p > '9')
        return false;
    value = 0;
    while (*p >= '0' && *p <= '9') {
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++p;
    }
    return true;
}

// "bytes first-last/total", or "bytes */total" (first = UINT64_MAX then).
bool ParseContentRange(const std::string& text, uint64_t& first, uint64_t& last, uint64_t& total)
{
    const char* p = text.c_str();
    if (strncasecmp(p, "bytes", 5) != 0)
        return false;
    p += 5;
    while (*p == ' ')
        ++p;
    if (*p == '*') {
        ++p;
        first = last = UINT64_MAX;
    } else {
        if (!ParseNumber(p, first) || *p++ != '-' || !ParseNumber(p, last) || last < first)
            return false;
    }
    if (*p++ != '/' || !ParseNumber(p, total))
        return false;
    while (*p == ' ' || *p == '\r' || *p == '\n')
        ++p;
    return *p == '\0';
}

bool HostIsPlain(const std::string& host)
{
    if (host.empty())
        return false;
    for (unsigned char c : host)
        if (!(std::isalnum(c) || c == '-' || c == '.' || c == '_'))
            return false;
    return true;
}

// The object as a request target: bytes that may not stand in a URL are
// percent-encoded, everything else (an encoding already there too) is kept.
std::string EncodeObject(const std::string& object)
{
    return PercentEncode(object, [](size_t, unsigned char c) {
        return c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}#", c) != nullptr;
    });
}

struct CurlEasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

class Fd {
public:
    Fd() = default;
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void Reset(int fd)
    {
        Close();
        m_fd = fd;
    }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int Get() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace

// One request and its answer. Which answer came decides what happens to the ".tmp".
class DownloadTransfer {
public:
    enum class Outcome {
        NoAnswer,     // the request could not be made, or no answer came
        BadHeaders,   // a 200 answer without a usable length
        OtherStatus,  // the server answered with a status we do not download
        OpenFailed,   // the ".tmp" cannot be opened
        StartAgain,   // the ".tmp" does not fit the file: discard it and ask for all
        AlreadyWhole, // the ".tmp" holds the whole file already
        EmptyFile,    // a 200 answer of length 0
        Transferred,  // bytes went to the ".tmp", complete or not
        WriteFailed,  // writing the ".tmp" failed
        TooLarge,     // longer than we take: nothing written
        NoRoom,       // more than the disk can hold: nothing written
    };

    DownloadTransfer(CDownloadCtrl* job, const std::string& url, const std::string& tmpPath,
                     const CDownloadCtrl::Limits& limits, const FreeSpaceQuery& freeSpace)
        : m_job(job), m_url(url), m_tmpPath(tmpPath), m_limits(limits), m_freeSpace(freeSpace)
    {
    }

    Outcome Run(const std::string& requestUrl, uint64_t existing, std::string& error);
    uint64_t Written() const { return m_written; }
    uint64_t Total() const { return m_total; }
    int Conclude(Outcome outcome, const std::string& error, const std::string& localPath, bool quiet);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    bool Decide();
    bool DecideWhole();
    bool DecidePartial();
    bool StartBody(uint64_t kept);
    void SetOptions(CURL* c, const std::string& requestUrl, char* errbuf, const std::string& range);
    bool Perform(CURLM* multi);
    // Outcome::Transferred when a file of `total` bytes fits, else why not.
    Outcome Fits(uint64_t total, uint64_t kept) const;
    // The limits on time and rate; false when the transfer is to stop.
    bool WithinTime(uint32_t start, uint32_t now);
    bool OpenTmp(uint64_t keep);
    size_t Body(const char* data, size_t size);
    void Report(uint64_t done) { m_job->Report(m_url, static_cast<unsigned>(done * 100 / m_total)); }

    CDownloadCtrl* m_job;
    const std::string& m_url;
    const std::string& m_tmpPath;
    const CDownloadCtrl::Limits& m_limits;
    const FreeSpaceQuery& m_freeSpace;

    uint64_t m_existing = 0;
    bool m_askedRange = false;
    uint32_t m_lastReceive = 0;
    // Every byte the server sent (headers and body), and where the rate window stands.
    uint64_t m_received = 0;
    uint32_t m_windowStart = 0;
    uint64_t m_windowReceived = 0;

    // The answer being read.
    long m_status = 0;
    bool m_haveLength = false;
    uint64_t m_length = 0;
    std::string m_contentRange;
    bool m_hasLocation = false;

    bool m_decided = false;
    bool m_inBody = false;
    Outcome m_outcome = Outcome::NoAnswer;
    Fd m_tmp;
    uint64_t m_total = 0;
    uint64_t m_skip = 0;
    uint64_t m_written = 0;
};

size_t DownloadTransfer::OnHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<DownloadTransfer*>(self);
    const size_t n = size * count;
    t->m_lastReceive = GetTickCount();
    t->m_received += n;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new answer (after an interim one or a redirect) starts afresh.
        const size_t sp = line.find(' ');
        t->m_status = sp == std::string::npos ? 0 : std::strtol(line.c_str() + sp + 1, nullptr, 10);
        t->m_haveLength = false;
        t->m_length = 0;
        t->m_contentRange.clear();
        t->m_hasLocation = false;
        return n;
    }
    if (line.empty()) {
        if (t->m_status >= 100 && t->m_status < 200)
            return n;
        // curl follows a redirect itself; its body is none of ours.
        if (t->m_status >= 300 && t->m_status < 400 && t->m_hasLocation)
            return n;
        return t->Decide() ? n : 0;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return n;
    std::string name = line.substr(0, colon);
    size_t v = colon + 1;
    while (v < line.size() && (line[v] == ' ' || line[v] == '\t'))
        ++v;
    const std::string value = line.substr(v);
    if (strcasecmp(name.c_str(), "Content-Length") == 0) {
        const char* p = value.c_str();
        uint64_t len;
        if (ParseNumber(p, len) && *p == '\0') {
            t->m_haveLength = true;
            t->m_length = len;
        }
    } else if (strcasecmp(name.c_str(), "Content-Range") == 0) {
        t->m_contentRange = value;
    } else if (strcasecmp(name.c_str(), "Location") == 0) {
        t->m_hasLocation = !value.empty();
    }
    return n;
}

bool DownloadTransfer::OpenTmp(uint64_t keep)
{
    m_tmp.Reset(::open(m_tmpPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (m_tmp.Get() < 0)
        return false;
    struct stat st;
    if (::fstat(m_tmp.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // What lies beyond the bytes being kept is dropped before writing goes on.
    if (static_cast<uint64_t>(st.st_size) != keep && ::ftruncate(m_tmp.Get(), static_cast<off_t>(keep)) != 0)
        return false;
    return ::lseek(m_tmp.Get(), static_cast<off_t>(keep), SEEK_SET) >= 0;
}

// A file of `total` bytes of which `kept` are in the ".tmp" already: within
// our length, and the rest within the free space of the ".tmp"'s disk.
DownloadTransfer::Outcome DownloadTransfer::Fits(uint64_t total, uint64_t kept) const
{
    if (total > m_limits.maxBytes)
        return Outcome::TooLarge;
    uint64_t free = 0;
    const bool known = m_freeSpace ? m_freeSpace(m_tmpPath, free) : FreeDiskSpace(m_tmpPath, free);
    return !known || total - std::min(total, kept) <= free ? Outcome::Transferred : Outcome::NoRoom;
}

bool DownloadTransfer::WithinTime(uint32_t start, uint32_t now)
{
    if (TicksSince(start, now) >= m_limits.totalMs)
        return false;
    if (m_limits.minBytesPerSecond == 0 || TicksSince(m_windowStart, now) < m_limits.rateWindowMs)
        return true;
    const uint64_t least = uint64_t(m_limits.minBytesPerSecond) * m_limits.rateWindowMs / 1000;
    if (m_received - m_windowReceived < least)
        return false;
    m_windowStart = now;
    m_windowReceived = m_received;
    return true;
}

// The answer's headers are complete: false stops the transfer.
bool DownloadTransfer::Decide()
{
    m_decided = true;
    if (m_status == 200)
        return DecideWhole();
    if (m_status == 206)
        return DecidePartial();
    if (m_status == 416 && m_askedRange) {
        uint64_t first, last, total;
        if (ParseContentRange(m_contentRange, first, last, total) && first == UINT64_MAX && total == m_existing) {
            m_total = total;
            m_written = total;
            m_outcome = Outcome::AlreadyWhole;
        } else {
            m_outcome = Outcome::StartAgain;
        }
        return false;
    }
    m_outcome = Outcome::OtherStatus;
    return false;
}

// Status 200: the whole file comes.
bool DownloadTransfer::DecideWhole()
{
    if (!m_haveLength) {
        m_outcome = Outcome::BadHeaders;
        return false;
    }
    m_total = m_length;
    if (m_total == 0) {
        m_outcome = Outcome::EmptyFile;
        return false;
    }
    // What the ".tmp" holds is skipped, unless the ".tmp" is longer than the
    // file: that is another file's, and it goes (with the room it takes)
    // before the file is weighed against the disk.
    uint64_t have = 0;
    if (!FileSize(m_tmpPath, have))
        have = 0;
    if (have > m_total) {
        ::unlink(m_tmpPath.c_str());
        have = 0;
    }
    if (!StartBody(have))
        return false;
    m_skip = have;
    m_inBody = m_written < m_total;
    return m_inBody;
}

// Status 206: the rest of the file from what the ".tmp" holds.
bool DownloadTransfer::DecidePartial()
{
    uint64_t first, last, total;
    const bool fits = ParseContentRange(m_contentRange, first, last, total) && first != UINT64_MAX &&
                      first == m_existing && last + 1 == total && total > m_existing &&
                      (!m_haveLength || m_length == total - first);
    if (!fits) {
        m_outcome = m_askedRange ? Outcome::StartAgain : Outcome::OtherStatus;
        return false;
    }
    m_total = total;
    if (!StartBody(m_existing))
        return false;
    m_inBody = true;
    return true;
}

// Opens the ".tmp" for a file of m_total bytes, keeping its first `kept`.
bool DownloadTransfer::StartBody(uint64_t kept)
{
    if (const Outcome fits = Fits(m_total, kept); fits != Outcome::Transferred) {
        m_outcome = fits;
        return false;
    }
    if (!OpenTmp(kept)) {
        m_outcome = Outcome::OpenFailed;
        return false;
    }
    m_written = kept;
    m_outcome = Outcome::Transferred;
    Report(m_written);
    return true;
}

size_t DownloadTransfer::OnBody(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<DownloadTransfer*>(self);
    t->m_lastReceive = GetTickCount();
    t->m_received += size * count;
    return t->Body(data, size * count);
}

size_t DownloadTransfer::Body(const char* data, size_t size)
{
    if (!m_decided)
        return size; // the body of an answer we passed over
    if (!m_inBody)
        return 0;
    size_t done = 0;
    while (done < size) {
        // A chunk that came after cancel is dropped.
        if (m_job->m_cancel)
            return 0;
        size_t n = std::min(kChunk, size - done);
        const char* p = data + done;
        done += n;
        if (m_skip > 0) {
            const size_t skipped = static_cast<size_t>(std::min<uint64_t>(m_skip, n));
            m_skip -= skipped;
            p += skipped;
            n -= skipped;
            if (n == 0)
                continue;
        }
        // Never more than the file's length, whatever the server sends.
        n = static_cast<size_t>(std::min<uint64_t>(n, m_total - m_written));
        while (n > 0) {
            const ssize_t w = ::write(m_tmp.Get(), p, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                m_outcome = Outcome::WriteFailed;
                return 0;
            }
            p += w;
            n -= static_cast<size_t>(w);
            m_written += static_cast<uint64_t>(w);
        }
        Report(m_written);
        if (m_written == m_total) {
            m_inBody = false;
            return 0;
        }
    }
    return size;
}

void DownloadTransfer::SetOptions(CURL* c, const std::string& requestUrl, char* errbuf, const std::string& range)
{
    curl_easy_setopt(c, CURLOPT_URL, requestUrl.c_str());
    // A secure download never follows a redirect to plain HTTP. The
    // certificate and the host name are checked, and the proxy settings of
    // the environment (http_proxy, https_proxy, no_proxy) are taken.
    const bool secure = strncasecmp(requestUrl.c_str(), kHttpsScheme, std::strlen(kHttpsScheme)) == 0;
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(c, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &DownloadTransfer::OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &DownloadTransfer::OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    if (m_askedRange)
        curl_easy_setopt(c, CURLOPT_RANGE, range.c_str());
}

// Runs the transfer to its end; true when cancel, the receive time-out or
// the time limits stopped it.
bool DownloadTransfer::Perform(CURLM* multi)
{
    const uint32_t timeout = m_job->m_receiveTimeoutMs;
    const uint32_t start = GetTickCount();
    m_lastReceive = m_windowStart = start;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK || running == 0)
            return false;
        const uint32_t now = GetTickCount();
        if (m_job->m_cancel || TicksSince(m_lastReceive, now) >= timeout || !WithinTime(start, now))
            return true;
        curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
}

DownloadTransfer::Outcome DownloadTransfer::Run(const std::string& requestUrl, uint64_t existing, std::string& error)
{
    m_existing = existing;
    m_askedRange = existing > 0;
    std::unique_ptr<CURL, CurlEasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, CurlMultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) {
        error = "cannot start an internet session";
        return Outcome::NoAnswer;
    }
    char errbuf[CURL_ERROR_SIZE] = {};
    CURL* c = easy.get();
    const std::string range = m_askedRange ? std::to_string(existing) + "-" : std::string();
    SetOptions(c, requestUrl, errbuf, range);
    curl_multi_add_handle(multi.get(), c);

    const bool stoppedByUs = Perform(multi.get());
    CURLcode rc = CURLE_OK;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left))
        if (msg->msg == CURLMSG_DONE)
            rc = msg->data.result;
    if (stoppedByUs)
        rc = m_job->m_cancel ? CURLE_ABORTED_BY_CALLBACK : CURLE_OPERATION_TIMEDOUT;
    curl_multi_remove_handle(multi.get(), c);
    m_tmp.Close();

    if (!m_decided) {
        if (rc == CURLE_OK && m_status == 0)
            rc = CURLE_GOT_NOTHING;
        if (m_status >= 300 && m_status < 400) {
            m_outcome = Outcome::OtherStatus; // redirected too often
        } else {
            error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
            m_outcome = Outcome::NoAnswer;
        }
    }
    return m_outcome;
}

// What the job makes of the outcome: 1 when it is done with the file, 0
// when it failed; the messages and the last progress report are given here.
int DownloadTransfer::Conclude(Outcome outcome, const std::string& error, const std::string& localPath, bool quiet)
{
    int result = 0;
    switch (outcome) {
    case Outcome::NoAnswer: m_job->ShowMessage(error.substr(0, kMaxErrorText), quiet); break;
    case Outcome::BadHeaders: break;
    case Outcome::OpenFailed: m_job->ShowMessage(kOpenFailedText, quiet); break;
    case Outcome::OtherStatus:
    case Outcome::StartAgain: result = 1; break;
    case Outcome::WriteFailed: break;
    case Outcome::TooLarge:
        // Refused before a byte was written. What the ".tmp" holds of a file
        // we never take would only be refused again: it goes.
        ::unlink(m_tmpPath.c_str());
        m_job->ShowMessage(kTooLargeText, quiet);
        m_job->Refused(m_url, DownloadRefusal::TooLarge);
        result = 1;
        break;
    case Outcome::NoRoom:
        // What the ".tmp" holds is already on the disk: it stays, to be
        // resumed once there is room for the rest.
        m_job->ShowMessage(kNoRoomText, quiet);
        m_job->Refused(m_url, DownloadRefusal::NoRoom);
        result = 1;
        break;
    case Outcome::AlreadyWhole: m_job->Report(m_url, 100); [[fallthrough]];
    case Outcome::Transferred:
        if (m_written == m_total && std::rename(m_tmpPath.c_str(), localPath.c_str()) != 0)
            DebugTrace("download: rename to %s failed (%d)\n", localPath.c_str(), errno);
        m_job->Report(m_url, kDownloadEnded);
        result = 1;
        break;
    case Outcome::EmptyFile:
        // Nothing to keep: the job fails without a file.
        m_job->Report(m_url, kDownloadEnded);
        result = 1;
        break;
    }
    return result;
}

CDownloadCtrl::CDownloadCtrl() = default;

CDownloadCtrl::~CDownloadCtrl()
{
    m_notify = nullptr;
    m_cancel = 1;
    std::thread worker;
    {
        std::lock_guard lock(m_mutex);
        worker.swap(m_worker);
    }
    if (worker.joinable())
        worker.join();
}

int CDownloadCtrl::StartDownload(const std::string& url, const std::string& localPath, bool quiet)
{
    std::lock_guard lock(m_mutex);
    // Two workers on one ".tmp" would corrupt it.
    if (m_running)
        return 0;
    if (m_worker.joinable())
        m_worker.join();
    m_url = url;
    m_localPath = localPath;
    m_quiet = quiet;
    m_cancel = 0;
    m_running = true;
    m_worker = std::thread([this] {
        DownloadThreadProc(this);
        m_running = false;
    });
    return 1;
}

void CDownloadCtrl::WaitForEnd()
{
    std::thread worker;
    {
        std::lock_guard lock(m_mutex);
        if (!m_worker.joinable() || m_worker.get_id() == std::this_thread::get_id())
            return;
        worker.swap(m_worker);
    }
    worker.join();
}

void CDownloadCtrl::SetLimits(const Limits& limits)
{
    std::lock_guard lock(m_messageMutex);
    m_limits = limits;
}

void CDownloadCtrl::SetFreeSpaceQuery(FreeSpaceQuery query)
{
    std::lock_guard lock(m_messageMutex);
    m_freeSpace = std::move(query);
}

void CDownloadCtrl::SetMessageBox(std::function<void(const std::string&)> show)
{
    std::lock_guard lock(m_messageMutex);
    m_messageBox = std::move(show);
}

unsigned int CDownloadCtrl::DownloadThreadProc(CDownloadCtrl* job)
{
    if (job->m_url.empty() || job->m_localPath.empty()) {
        // Nothing to fetch; the button that asked for it still comes back.
        job->JobEnded();
        return 0;
    }
    return static_cast<unsigned int>(DownloadFile(job, job->m_url, job->m_localPath, job->m_quiet));
}

CDownloadCtrl::UrlParts CDownloadCtrl::SplitUrl(const std::string& url)
{
    UrlParts parts;
    parts.secure = strncasecmp(url.c_str(), kHttpsScheme, std::strlen(kHttpsScheme)) == 0;
    if (parts.secure)
        parts.port = kHttpsPort;
    const size_t scheme = url.find("//");
    const std::string rest = scheme == std::string::npos ? url : url.substr(scheme + 2);
    const size_t slash = rest.find('/');
    // Only a ':' before the path separates a port; one in the path is the path's.
    const size_t colon = rest.find(':');
    if (colon != std::string::npos && colon < slash) {
        parts.host = rest.substr(0, colon);
        const std::string port =
            rest.substr(colon + 1, slash == std::string::npos ? std::string::npos : slash - colon - 1);
        parts.port = static_cast<uint16_t>(std::strtoul(port.c_str(), nullptr, 10) & 0xFFFF);
    } else if (slash != std::string::npos) {
        parts.host = rest.substr(0, slash);
    }
    parts.object = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    return parts;
}

void CDownloadCtrl::Report(const std::string& url, unsigned int percent)
{
    if (CDownloadCtrlNotify* n = m_notify)
        n->OnDownloadProgress(url, percent);
}

void CDownloadCtrl::Refused(const std::string& url, DownloadRefusal reason)
{
    if (CDownloadCtrlNotify* n = m_notify)
        n->OnDownloadRefused(url, reason);
}

void CDownloadCtrl::JobEnded()
{
    if (CDownloadCtrlNotify* n = m_notify)
        n->OnDownloadJobEnded();
}

void CDownloadCtrl::ShowMessage(const std::string& text, bool quiet)
{
    DebugTrace("download: %s\n", text.c_str());
    if (quiet)
        return;
    std::function<void(const std::string&)> show;
    {
        std::lock_guard lock(m_messageMutex);
        show = m_messageBox;
    }
    if (show)
        show(text);
}

namespace {

// The address asked for: the scheme, the host, the port (the scheme's when
// none is given) and the object, encoded.
std::string RequestUrl(const CDownloadCtrl::UrlParts& parts)
{
    const uint16_t port = parts.port ? parts.port : (parts.secure ? kHttpsPort : kHttpPort);
    return (parts.secure ? "https://" : "http://") + parts.host + ":" + std::to_string(port) + "/" +
           EncodeObject(parts.object);
}

} // namespace

int CDownloadCtrl::DownloadFile(CDownloadCtrl* job, const std::string& url, const std::string& localPath, bool quiet)
{
    GlobalInit();
    ::unlink(localPath.c_str());
    const std::string tmpPath = localPath + ".tmp";

    const UrlParts parts = SplitUrl(url);
    int result = 0;
    if (!HostIsPlain(parts.host)) {
        job->ShowMessage("The server name is not valid", quiet);
    } else {
        const std::string requestUrl = RequestUrl(parts);
        using Outcome = DownloadTransfer::Outcome;
        for (int attempt = 0; attempt < 2; ++attempt) {
            uint64_t existing = 0;
            if (!FileSize(tmpPath, existing))
                existing = 0;
            CDownloadCtrl::Limits limits;
            FreeSpaceQuery freeSpace;
            {
                std::lock_guard lock(job->m_messageMutex);
                limits = job->m_limits;
                freeSpace = job->m_freeSpace;
            }
            DownloadTransfer transfer(job, url, tmpPath, limits, freeSpace);
            std::string error;
            const Outcome outcome = transfer.Run(requestUrl, existing, error);
            if (outcome == Outcome::StartAgain && attempt == 0) {
                ::unlink(tmpPath.c_str());
                continue;
            }
            result = transfer.Conclude(outcome, error, localPath, quiet);
            break;
        }
    }
    job->JobEnded();
    return result;
}

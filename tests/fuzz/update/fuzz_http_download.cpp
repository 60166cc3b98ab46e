// Arbitrary bytes as the update server's HTTP answer to a download, with a
// partial ".tmp" to resume: a loopback server answers every request (redirect
// targets too, as the proxy of every address) with the input's bytes. The
// download must stay in bounds, never write past the announced file, never
// past its length bound or the free space it was given, and take the
// target's name only for a whole file.
//
// Input: byte 0 chooses the ".tmp" length (times 8 bytes of a fixed file),
// byte 1 the free space in KiB (0: not known); the rest is the answer.
#include "DownloadCtrl.h"
#include "HttpTestServer.h"
#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr size_t kTmpStep = 8;
constexpr uint64_t kMaxBytes = 64 * 1024;
constexpr uint32_t kTimeoutMs = 2000;

std::unique_ptr<TempFolder> g_folder;

uint64_t SizeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

class Quiet : public CDownloadCtrlNotify {
public:
    void OnDownloadProgress(const std::string&, unsigned int percent) override
    {
        if (percent > kDownloadEnded)
            __builtin_trap();
    }
    void OnDownloadJobEnded() override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_folder = std::make_unique<TempFolder>();
    std::atexit([] { g_folder.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t tmpBytes = data[0] * kTmpStep;
    const uint64_t freeBytes = uint64_t(data[1]) * 1024;
    const std::string answer(reinterpret_cast<const char*>(data + 2), size - 2);

    const std::string target = g_folder->File("Teskaro_BrelkUpdate.zip");
    const std::string tmp = target + ".tmp";
    fs::remove(target);
    fs::remove(tmp);
    if (tmpBytes)
        g_folder->Write("Teskaro_BrelkUpdate.zip.tmp", std::string(tmpBytes, 'k'));

    HttpTestServer server;
    server.SetMode(HttpTestServer::Mode::Raw);
    server.SetRawReply(answer);
    const std::string proxy = "http://127.0.0.1:" + std::to_string(server.Port());
    // Every address, whatever a redirect names, reaches our server.
    ScopedEnv httpProxy("http_proxy", proxy);
    ScopedEnv httpsProxy("https_proxy", proxy);
    ScopedEnv noProxy("no_proxy", "");

    Quiet quiet;
    CDownloadCtrl job;
    job.SetNotify(&quiet);
    job.SetReceiveTimeout(kTimeoutMs);
    CDownloadCtrl::Limits limits;
    limits.totalMs = kTimeoutMs;
    limits.maxBytes = kMaxBytes;
    job.SetLimits(limits);
    job.SetFreeSpaceQuery([freeBytes](const std::string&, uint64_t& free) {
        free = freeBytes;
        return freeBytes != 0;
    });
    CDownloadCtrl::DownloadFile(&job, server.Url("dir/file.zip"), target, true);

    // What was written: never past the length bound, nor more new bytes
    // than the free space allowed.
    const uint64_t written = std::max(SizeOf(target), SizeOf(tmp));
    if (written > std::max<uint64_t>(kMaxBytes, tmpBytes))
        __builtin_trap();
    if (freeBytes && written > tmpBytes + freeBytes)
        __builtin_trap();
    return 0;
}

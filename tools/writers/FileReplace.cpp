#include "FileReplace.h"

#include <atomic>
#include <filesystem>
#include <fstream>

#include <unistd.h>

bool WriteFileReplacing(const std::string& path, const std::string& bytes)
{
    // One temporary name per process and call, so writers in parallel never share one.
    static std::atomic<unsigned> serial{0};
    const std::string temporary =
        path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

// Arbitrary bytes as a firmware container file read through LoadUpgradeBin
// and CTsSnData, and as a plain image of every family taken apart block by
// block; nothing may read outside the buffers, and every part handed out
// must lie inside the image.
#include "Binary.h"
#include "TsLog.h"
#include "TsSnData.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string g_folder;

void Walk(CTsSnData& image)
{
    const int size = image.GetImage().GetSize();
    if (image.GetConfigBlock().GetSize() > 128 || image.GetHeaderBlock().GetSize() > 80 ||
        image.GetTrailerValues().size() > 20)
        __builtin_trap();
    image.GetTotalSize();
    // Every call moves the cursor on by at least one byte until the end.
    int total = 0;
    for (int i = 0; i <= size; ++i) {
        const CBinary block = image.GetDataBlock();
        total += block.GetSize();
        if (block.GetSize() > 80)
            __builtin_trap();
    }
    if (total > size || !image.GetDataBlock().IsEmpty())
        __builtin_trap();
}

// The container file and its folder go when the run ends.
void RemoveFolder()
{
    std::remove((g_folder + "/F7V4Bin.bin").c_str());
    rmdir(g_folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    char folder[] = "/tmp/fuzz-upgrade-bin-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    g_folder = folder;
    std::atexit(RemoveFolder);
    // Both places the container is looked for are this folder.
    if (chdir(folder) != 0)
        std::abort();
    setenv("BRELK_PROGRAM_DIR", folder, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int type = data[0] % 8;
    const uint8_t* body = data + 1;
    const size_t length = size - 1;

    // As a container: the file of the family, its member named by the number.
    if (FILE* f = std::fopen((g_folder + "/F7V4Bin.bin").c_str(), "wb")) {
        std::fwrite(body, 1, length, f);
        std::fclose(f);
    }
    CTsSnData loaded(3, 0xA3);
    if (loaded.GetImage().GetSize() > static_cast<int>(length))
        __builtin_trap(); // the plain image is part of the stored bytes
    Walk(loaded);

    // As a plain image of a family.
    CTsSnData image(type);
    image.SetImage(CBinary(body, static_cast<int>(length < 32767 ? length : 32767)));
    Walk(image);
    return 0;
}

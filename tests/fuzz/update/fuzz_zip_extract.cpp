// Arbitrary bytes as an update archive, every entry described and extracted
// into a temporary root: nothing may read out of bounds, and nothing may be
// written beside the root or appear as a link inside it. An input that starts
// with 'S' is a recipe for a well-formed archive (names, attributes, flags,
// extra fields, data) with one byte changed, so that the fuzzer reaches the
// entries quickly; anything else is taken as the archive's bytes.
#include "TempFolder.h"
#include "ZipArchive.h"
#include "ZipFixtureWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxEntries = 16;
constexpr long kMaxEntrySize = 1 << 20;

const TempFolder& Base()
{
    static TempFolder base;
    return base;
}

class Recipe {
public:
    Recipe(const uint8_t* data, size_t size) : m_p(data), m_end(data + size) {}
    bool Done() const { return m_p >= m_end; }
    uint8_t Byte() { return m_p < m_end ? *m_p++ : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t Long() { return uint32_t(Word()) | (uint32_t(Word()) << 16); }
    std::string Text(size_t max)
    {
        const size_t n = std::min<size_t>(Byte() % (max + 1), static_cast<size_t>(m_end - m_p));
        std::string s(reinterpret_cast<const char*>(m_p), n);
        m_p += n;
        return s;
    }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
};

std::string BuildArchive(const uint8_t* data, size_t size)
{
    Recipe r(data, size);
    ZipFixtureWriter zip;
    const int entries = r.Byte() % 5;
    for (int i = 0; i < entries && !r.Done(); ++i) {
        ZipFixtureEntry e;
        const uint8_t kind = r.Byte();
        e.name = r.Text(40);
        e.data = r.Text(200);
        e.deflate = kind & 1;
        e.versionMadeBy = static_cast<uint16_t>((r.Byte() % 20) << 8 | 20);
        e.externalAttributes = r.Long();
        e.flags = (kind & 2) ? 1 : 0;
        e.dosTime = r.Word();
        e.dosDate = r.Word();
        if (kind & 4)
            e.localExtra = r.Text(60);
        if (kind & 8)
            e.localExtra += ZipFixtureWriter::ExtendedTimestamp(r.Byte(), {int32_t(r.Long()), int32_t(r.Long())});
        if (kind & 16)
            e.method = static_cast<uint16_t>(r.Byte());
        if (kind & 32)
            e.crc = r.Long();
        if (kind & 64)
            e.uncompressedSize = r.Word();
        zip.Add(e);
    }
    std::string bytes = zip.Bytes();
    const uint16_t at = r.Word();
    const uint8_t flip = r.Byte();
    if (!bytes.empty())
        bytes[at % bytes.size()] = static_cast<char>(bytes[at % bytes.size()] ^ flip);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string archive = Base().File("in.zip");
    const std::string root = Base().File("root");
    {
        const std::string bytes = size > 0 && data[0] == 'S' ? BuildArchive(data + 1, size - 1)
                                                             : std::string(reinterpret_cast<const char*>(data), size);
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (ZipArchivePtr h = ZipArchiveOpen(archive, root)) {
        ZipEntryInfo count;
        ZipArchiveGetEntry(h.get(), count, -1);
        for (int i = 0; i < count.index && i < kMaxEntries; ++i) {
            ZipEntryInfo info;
            if (ZipArchiveGetEntry(h.get(), info, i) != kZipOk || info.unpackedSize > kMaxEntrySize)
                continue;
            ZipArchiveExtractEntry(h.get(), info.name, i);
        }
        // Out-of-range indexes on a live archive.
        ZipEntryInfo info;
        ZipArchiveGetEntry(h.get(), info, count.index);
        ZipArchiveExtractEntry(h.get(), L"x", -1);
    }

    for (const auto& entry : fs::directory_iterator(Base().Path()))
        if (entry.path().filename() != "in.zip" && entry.path().filename() != "root")
            __builtin_trap();
    std::error_code ec;
    if (fs::exists(root)) {
        for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (ec)
                break;
            if (it->is_symlink())
                __builtin_trap();
        }
    }
    fs::remove_all(root, ec);
    return 0;
}

#include "ZipFixtureWriter.h"

#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace {

void Put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

ZipFixtureWriter& ZipFixtureWriter::Add(ZipFixtureEntry entry)
{
    m_entries.push_back(std::move(entry));
    return *this;
}

ZipFixtureWriter& ZipFixtureWriter::AddFile(const std::string& name, const std::string& data, uint32_t mode)
{
    ZipFixtureEntry e;
    e.name = name;
    e.data = data;
    e.externalAttributes = (0100000u | mode) << 16;
    return Add(e);
}

ZipFixtureWriter& ZipFixtureWriter::AddFolder(const std::string& name)
{
    ZipFixtureEntry e;
    e.name = name;
    e.deflate = false;
    e.externalAttributes = (040755u << 16) | 0x10;
    return Add(e);
}

ZipFixtureWriter& ZipFixtureWriter::AddSymlink(const std::string& name, const std::string& target)
{
    ZipFixtureEntry e;
    e.name = name;
    e.data = target;
    e.deflate = false;
    e.externalAttributes = 0120777u << 16;
    return Add(e);
}

std::string ZipFixtureWriter::Deflate(const std::string& data)
{
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(zs.total_out);
    return out;
}

std::string ZipFixtureWriter::Bytes() const
{
    std::string out;
    std::string central;
    for (const ZipFixtureEntry& e : m_entries) {
        const uint32_t offset = static_cast<uint32_t>(out.size());
        const uint16_t method = e.method ? *e.method : (e.deflate ? 8 : 0);
        const std::string payload = e.payload ? *e.payload : (e.deflate ? Deflate(e.data) : e.data);
        const uint32_t crc = e.crc ? *e.crc
                                   : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                                 static_cast<uInt>(e.data.size())));
        const uint32_t size = e.uncompressedSize ? *e.uncompressedSize : static_cast<uint32_t>(e.data.size());

        Put32(out, e.localSignature ? *e.localSignature : 0x04034b50);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, method);
        Put16(out, e.dosTime);
        Put16(out, e.dosDate);
        Put32(out, crc);
        Put32(out, static_cast<uint32_t>(payload.size()));
        Put32(out, size);
        Put16(out, static_cast<uint32_t>(e.name.size()));
        Put16(out, e.localExtraLength ? *e.localExtraLength : static_cast<uint32_t>(e.localExtra.size()));
        out += e.name;
        out += e.localExtra;
        out += payload;

        Put32(central, 0x02014b50);
        Put16(central, e.versionMadeBy);
        Put16(central, 20);
        Put16(central, e.flags);
        Put16(central, method);
        Put16(central, e.dosTime);
        Put16(central, e.dosDate);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(payload.size()));
        Put32(central, size);
        Put16(central, static_cast<uint32_t>(e.name.size()));
        Put16(central, static_cast<uint32_t>(e.centralExtra.size()));
        Put16(central, 0); // comment
        Put16(central, 0); // disk
        Put16(central, 0); // internal attributes
        Put32(central, e.externalAttributes);
        Put32(central, offset);
        central += e.name;
        central += e.centralExtra;
    }
    const uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(m_entries.size()));
    Put16(out, static_cast<uint32_t>(m_entries.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

void ZipFixtureWriter::WriteTo(const std::string& path) const
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = Bytes();
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

std::string ZipFixtureWriter::ExtendedTimestamp(uint8_t flags, const std::vector<int32_t>& times)
{
    std::string data(1, static_cast<char>(flags));
    for (int32_t t : times)
        Put32(data, static_cast<uint32_t>(t));
    return ExtraBlock(0x5455, data);
}

std::string ZipFixtureWriter::ExtraBlock(uint16_t id, const std::string& data)
{
    std::string out;
    Put16(out, id);
    Put16(out, static_cast<uint32_t>(data.size()));
    return out + data;
}

uint16_t ZipFixtureWriter::DosDate(int year, int month, int day)
{
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

uint16_t ZipFixtureWriter::DosTime(int hour, int minute, int second)
{
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

std::string ZipFixtureWriter::Noise(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

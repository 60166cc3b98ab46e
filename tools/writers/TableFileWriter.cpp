#include "TableFileWriter.h"

#include "FileReplace.h"

#include <filesystem>
#include <stdexcept>

namespace {

constexpr size_t KEY_CYCLE = 255;

void Be32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

} // namespace

TableFileWriter::TableFileWriter(int keyLength) : m_keyLength(keyLength) {}

void TableFileWriter::Add(const Bytes& key, const std::vector<Bytes>& strings) { m_records[key] = strings; }

void TableFileWriter::AddTexts(const Bytes& key, const std::vector<std::string>& texts)
{
    std::vector<Bytes> strings;
    for (const std::string& t : texts) {
        Bytes b(t.begin(), t.end());
        b.push_back(0);
        strings.push_back(b);
    }
    Add(key, strings);
}

void TableFileWriter::AddTexts(uint32_t key, const std::vector<std::string>& texts) { AddTexts(Key32(key), texts); }

TableFileWriter::Bytes TableFileWriter::Key32(uint32_t key)
{
    Bytes b;
    Be32(b, key);
    return b;
}

void TableFileWriter::SetVersion(uint16_t version) { m_version = version; }

void TableFileWriter::SetKeyBlock(const Bytes& keyBlock)
{
    m_scrambled = true;
    m_keyBlock = keyBlock;
}

void TableFileWriter::SetEntryCountField(uint32_t count) { m_countField = count; }

uint8_t TableFileWriter::Scramble(uint8_t p, const Bytes& keyBlock, size_t i)
{
    // The reader takes ((s - 1) rotated left by 5) XOR key; so s is
    // (p XOR key) rotated left by 3, plus 1.
    const size_t k = i % KEY_CYCLE;
    const uint8_t key = k < keyBlock.size() ? keyBlock[k] : 0;
    const uint8_t x = static_cast<uint8_t>(p ^ key);
    return static_cast<uint8_t>(static_cast<uint8_t>((x << 3) | (x >> 5)) + 1);
}

TableFileWriter::Bytes TableFileWriter::Build() const
{
    auto field = [this](Bytes& out, const Bytes& plain) {
        for (size_t i = 0; i < plain.size(); ++i)
            out.push_back(m_scrambled ? Scramble(plain[i], m_keyBlock, i) : plain[i]);
    };
    const uint16_t version =
        m_version >= 0 ? static_cast<uint16_t>(m_version) : static_cast<uint16_t>(m_scrambled ? 0x0101 : 0x0100);
    Bytes out = {'A',
                 'T',
                 static_cast<uint8_t>(version),
                 static_cast<uint8_t>(version >> 8),
                 0,
                 0,
                 static_cast<uint8_t>(m_keyLength),
                 0,
                 0,
                 0,
                 0,
                 0};
    Be32(out, m_countField >= 0 ? static_cast<uint32_t>(m_countField) : static_cast<uint32_t>(m_records.size()));

    // Records go behind the index.
    size_t at = out.size();
    for (const auto& r : m_records)
        at += r.first.size() + 4;
    Bytes records;
    for (const auto& [key, strings] : m_records) {
        field(out, key);
        Bytes offset;
        Be32(offset, static_cast<uint32_t>(at + records.size()));
        field(out, offset);
        if (strings.size() > 255)
            throw std::invalid_argument("more than 255 strings in a record");
        field(records, Bytes{static_cast<uint8_t>(strings.size())});
        for (const Bytes& s : strings) {
            if (s.size() > 0xFFFF)
                throw std::invalid_argument("string too long");
            field(records, Bytes{static_cast<uint8_t>(s.size() >> 8), static_cast<uint8_t>(s.size())});
            field(records, s);
        }
    }
    out.insert(out.end(), records.begin(), records.end());
    if (m_scrambled) {
        out.insert(out.end(), m_keyBlock.begin(), m_keyBlock.end());
        out.push_back(static_cast<uint8_t>(m_keyBlock.size()));
        out.push_back(static_cast<uint8_t>(m_keyBlock.size() >> 8));
    }
    return out;
}

std::string TableFileWriter::BuildString() const
{
    const Bytes b = Build();
    return std::string(b.begin(), b.end());
}

void TableFileWriter::Write(const std::string& path) const
{
    const std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    if (!WriteFileReplacing(path, BuildString()))
        throw std::runtime_error("cannot write " + path);
}

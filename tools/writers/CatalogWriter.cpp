#include "CatalogWriter.h"

#include "FileReplace.h"

#include "TextScrambling.h"

#include <map>

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

void CatalogWriter::AddMember(const std::string& key, const std::string& bytes, const std::string& container)
{
    m_members.push_back({key, bytes, container});
}

void CatalogWriter::AddRawRecord(const std::string& decodedRecord) { m_extra.emplace_back(false, decodedRecord); }

void CatalogWriter::AddRawToken(const std::string& token) { m_extra.emplace_back(true, token); }

std::string CatalogWriter::Record(const std::string& key, const std::string& container, uint64_t start, uint64_t end)
{
    return "<path>" + key + "<pathInAFile>" + container + "<posStart>" + std::to_string(start) + "<posEnd>" +
           std::to_string(end);
}

bool CatalogWriter::Write(const std::string& indexPath) const
{
    std::map<std::string, std::string> containers;
    std::string index;
    for (const Member& m : m_members) {
        std::string& data = containers[m.container];
        const uint64_t start = data.size();
        std::string bytes = m.bytes;
        PermuteBits(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
        data += bytes;
        const std::string record = Record(m.key, m.container, start, data.size());
        index += StrEncrypt(record.data(), static_cast<int>(record.size())) + ",\n";
    }
    for (const auto& [raw, text] : m_extra)
        index += raw ? text + "\n" : StrEncrypt(text.data(), static_cast<int>(text.size())) + ",\n";

    const std::string folder = FolderOf(indexPath);
    for (const auto& [name, data] : containers) {
        if (!WriteFileReplacing(folder + name, data))
            return false;
    }
    return WriteFileReplacing(indexPath, index);
}

std::string ComposeSourceKey(const std::string& fileName)
{
    std::string key = "/vornix/composesource/" + fileName;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return key;
}

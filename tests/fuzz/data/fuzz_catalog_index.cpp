// Any bytes as "catalog.data": the index is parsed, every key it yields is
// looked up and opened, and the members read, against one small container.
// Half of the inputs are taken as the decoded text of records, scrambled one
// per line, so the fuzzer reaches the record parser directly.
#include "Catalog.h"
#include "CatalogFile.h"
#include "TempFolder.h"
#include "TextScrambling.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TempFolder folder;
    static const std::string index = folder.File("catalog.data");
    static const bool container = [] {
        folder.Write("data1.bin", std::string(300, '\x5A'));
        return true;
    }();
    (void)container;

    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size && (data[0] & 1)) {
        // Lines of decoded records.
        std::string scrambled, line;
        for (size_t i = 1; i <= bytes.size(); ++i) {
            if (i == bytes.size() || bytes[i] == '\n') {
                scrambled += StrEncrypt(line.data(), static_cast<int>(line.size())) + ",\n";
                line.clear();
            } else {
                line += bytes[i];
            }
        }
        bytes = scrambled;
    }
    {
        std::ofstream out(index, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    Catalog catalog;
    catalog.Load(index);
    char buffer[97];
    int opened = 0;
    for (const auto& [key, record] : catalog.records) {
        std::string file;
        uint32_t start = 0, end = 0;
        Catalog::ParseRecord(record, file, start, end);
        CCatalogFile reader(index, key);
        if (reader.Open() == CATALOG_OK && ++opened < 8)
            while (reader.Read(sizeof buffer, buffer)) {
            }
        if (opened > 64)
            break;
    }
    ReleaseCatalogCache();
    return 0;
}

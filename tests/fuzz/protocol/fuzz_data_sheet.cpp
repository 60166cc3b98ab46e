// Arbitrary table files: open them plain and read whole, look up keys taken
// from the input and from the index itself, in and out of sequence; nothing
// may read outside the file or its buffers.
#include "Binary.h"
#include "DataSheet.h"
#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Where the tables are written; removed at exit.
const TempFolder& Folder()
{
    static TempFolder folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("BRELK_PROGRAM_DIR", Folder().Path().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = Folder().File("fuzz.tab");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    for (uint8_t whole = 0; whole <= 1; ++whole) {
        CDataSheet sheet;
        sheet.m_bReadWholeFile = whole;
        if (!sheet.OpenTable("fuzz.tab"))
            continue;
        const int k = sheet.KeyLength();
        // Keys from the index area as stored, from the file's tail, and a run
        // of keys in sequence.
        for (size_t at : {size_t{16}, size_t{16} + k + 4, size > static_cast<size_t>(k) ? size - k : size_t{0}}) {
            if (at + k > size)
                continue;
            CBinary key(data + at, k);
            CBinaryGroup g = sheet.Lookup(key);
            for (const CBinary& item : g.m_aContain)
                (void)item.GetSize();
            if (k > 0) {
                for (int step = 0; step < 3; ++step) {
                    key.SetAt(k - 1, static_cast<uint8_t>(key.GetAt(k - 1) + 1));
                    sheet.Lookup(key);
                }
            }
            CDataSheet::FindText(sheet, key);
        }
        sheet.Lookup(CBinary(data, size < 8 ? static_cast<int>(size) : 8));
    }
    return 0;
}

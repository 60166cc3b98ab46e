// Arbitrary calculation scripts, output formats and telegrams: the script
// and its format go into an "express.tab" record, the telegram is its input.
// No crash, no read outside a buffer, and no script may run for long.
#include "Binary.h"
#include "Expression.h"
#include "Mathematical.h"
#include "TableFileWriter.h"
#include "TempFolder.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>
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
    CTsLog::GetInstance().m_bWriteFile = false;
    setenv("BRELK_PROGRAM_DIR", Folder().Path().c_str(), 1);
    // Texts for the "0x" lookups of "%s" results.
    TableFileWriter texts(1);
    for (int i = 0; i < 256; i += 17)
        texts.AddTexts(TableFileWriter::Bytes{static_cast<uint8_t>(i)}, {"text" + std::to_string(i)});
    texts.Write(Folder().File("en_text.tab"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // [0] start, [1] step, then script NUL format NUL telegram.
    const int16_t start = static_cast<int16_t>(data[0] % 8);
    const int16_t step = static_cast<int16_t>(data[1] % 4);
    const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const size_t end1 = rest.find('\0');
    const std::string script = rest.substr(0, end1);
    std::string format;
    std::string telegram;
    if (end1 != std::string::npos) {
        const size_t end2 = rest.find('\0', end1 + 1);
        format = rest.substr(end1 + 1, end2 == std::string::npos ? std::string::npos : end2 - end1 - 1);
        if (end2 != std::string::npos)
            telegram = rest.substr(end2 + 1);
    }

    TableFileWriter w(4);
    std::vector<std::string> strings{script};
    if (!format.empty())
        strings.push_back(format);
    w.AddTexts(1, strings);
    w.Write(Folder().File("express.tab"));
    CExpression::ResetScripts();

    const CBinary id(TableFileWriter::Key32(1).data(), 4);
    const CBinary input(telegram.data(), static_cast<int>(telegram.size() < 32767 ? telegram.size() : 32767));
    CExpression expression;
    expression.CalcByExpress(id, input, start, step);

    // The arithmetic on its own, over the script as one expression.
    CMathematical math;
    std::string error;
    if (math.Parse(error, script)) {
        std::string result;
        math.Calculate(result, input, math.Postfix(), format.empty() ? "%d" : format);
    }
    return 0;
}

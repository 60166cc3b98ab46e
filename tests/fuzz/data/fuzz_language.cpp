// Any bytes as a language file or as "LangConfig.xml", loaded by the language
// manager itself. The first byte chooses which: even, the bytes are the string
// file of the language "FZ" (listed by a fixed "LangConfig.xml"); odd, they are
// "LangConfig.xml" itself and every language it lists is loaded. A load that
// fails leaves the texts and the code of the language loaded before it; one
// that succeeds makes its code the current one.
#include "CodePage.h"
#include "DataFixtures.h"
#include "Language.h"
#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const TempFolder& Folder()
{
    static TempFolder folder;
    return folder;
}

// The language every input starts from, and one of its texts.
const std::string kBaseFile = MakeLanguageXml({{"PROBE", "base"}, {"UNIT_C", ""}});

void CheckLoad(CLanguage& language, const std::wstring& code)
{
    const std::wstring before = language.GetCurrentCode();
    const std::wstring probe = language.GetText(L"PROBE");
    const int result = language.LoadLanguage(code);
    if (result == 0) {
        if (language.GetCurrentCode() != code)
            __builtin_trap();
        return;
    }
    if (language.GetCurrentCode() != before || language.GetText(L"PROBE") != probe)
        __builtin_trap(); // a failed load changed the texts
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("BRELK_PROGRAM_DIR", Folder().Path().c_str(), 1);
    Folder().Write("Language/Base.xml", kBaseFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool config = data[0] & 1;
    if (config) {
        Folder().Write("Language/LangConfig.xml", bytes);
        Folder().Write("Language/Fuzz.xml", kBaseFile);
    } else {
        Folder().Write("Language/LangConfig.xml",
                       MakeLangConfigXml({{"Base", "BA", "Base.xml"}, {"Fuzz", "FZ", "Fuzz.xml"}}, nullptr));
        Folder().Write("Language/Fuzz.xml", bytes);
    }

    CLanguage language; // reads the list
    CheckLoad(language, L"BA");
    if (config) {
        int tried = 0;
        for (const _tagLangItem& item : language.GetLanguages()) {
            if (++tried > 16)
                break;
            (void)language.GetLanguageFile(item.Code);
            CheckLoad(language, item.Code);
        }
    } else {
        CheckLoad(language, L"FZ");
        std::wstring text;
        language.GetText(L"ABOUTBOX", text);
        language.GetText(L"UNIT_C", text);
        CheckLoad(language, L"BA");
        if (language.GetText(L"PROBE") != L"base")
            __builtin_trap(); // going back to the base language gives its texts again
    }
    return 0;
}

#include "ImageProblemText.h"

#include "CodePage.h"
#include "Language.h"

#include <initializer_list>

namespace {

// The text with each "%s" in turn replaced by the next name; names left
// over are appended, so a translation without the mark still names the file.
std::wstring WithNames(std::wstring text, std::initializer_list<std::string> names)
{
    size_t at = 0;
    for (const std::string& name : names) {
        const std::wstring wide = Utf8ToWide(name);
        at = text.find(L"%s", at);
        if (at == std::wstring::npos) {
            text += L" " + wide;
            at = text.size();
            continue;
        }
        text.replace(at, 2, wide);
        at += wide.size();
    }
    return text;
}

} // namespace

std::wstring ImageProblemText(const ImageProblem& problem)
{
    const CLanguage& language = GetLanguageManager();
    switch (problem.fault) {
    case ImageFault::None: return std::wstring();
    case ImageFault::ContainerMissing:
        return L" " + WithNames(language.GetText(L"FIRMWARE_FILE_MISSING"), {problem.container});
    case ImageFault::ImageMissing:
        return L" " + WithNames(language.GetText(L"FIRMWARE_IMAGE_MISSING"), {problem.container, problem.member});
    case ImageFault::ContainerDamaged:
    case ImageFault::ImageDamaged:
        return L" " + WithNames(language.GetText(L"FIRMWARE_FILE_DAMAGED"), {problem.container});
    }
    return std::wstring();
}

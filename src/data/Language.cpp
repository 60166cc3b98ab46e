#include "Language.h"

#include "Markup.h"

#include "CodePage.h"
#include "Paths.h"

namespace {

constexpr wchar_t kLanguageFolder[] = L"/Language/";

} // namespace

CLanguage::CLanguage() : texts(std::make_shared<TextMap>())
{
    langConfigPath = GetExeFolderW() + kLanguageFolder + L"LangConfig.xml";
    LoadLangConfig();
}

std::wstring CLanguage::GetExeFolderW()
{
    std::unique_lock<std::shared_mutex> lock(m_lock);
    if (exeFolder.empty())
        exeFolder = Utf8ToWide(GetProgramFolder());
    return exeFolder;
}

int CLanguage::LoadLangConfig()
{
    std::lock_guard<std::mutex> load(m_loadLock);
    CMarkup xml;
    if (!xml.Load(langConfigPath))
        return -1;
    if (!xml.FindElem(L"Root"))
        return 1;
    if (!xml.FindChildElem(L"Langs"))
        return 2;
    std::vector<_tagLangItem> list;
    xml.IntoElem();
    while (xml.FindChildElem(L"Lang"))
        list.push_back({xml.GetChildAttrib(L"Key"), xml.GetChildAttrib(L"Code"), L"", xml.GetChildAttrib(L"FileName")});
    xml.OutOfElem();
    int result = 3;
    if (xml.FindChildElem(L"AddiMultiLangs")) {
        xml.IntoElem();
        while (xml.FindChildElem(L"Item")) {
            const std::wstring key = xml.GetChildAttrib(L"Key");
            for (_tagLangItem& lang : list)
                if (lang.Key == key) {
                    lang.AddiName = xml.GetChildAttrib(L"Value");
                    break;
                }
        }
        xml.OutOfElem();
        result = 0;
    }
    std::unique_lock<std::shared_mutex> lock(m_lock);
    languages = std::move(list);
    return result;
}

std::wstring CLanguage::GetLanguageFile(const std::wstring& code)
{
    const std::wstring folder = GetExeFolderW();
    std::shared_lock<std::shared_mutex> lock(m_lock);
    for (const _tagLangItem& lang : languages)
        if (lang.Code == code)
            return folder + kLanguageFolder + lang.FileName;
    return {};
}

int CLanguage::LoadLanguage(const std::wstring& code)
{
    std::lock_guard<std::mutex> load(m_loadLock);
    {
        std::shared_lock<std::shared_mutex> lock(m_lock);
        if (code == currentCode)
            return 0;
    }
    const std::wstring file = GetLanguageFile(code);
    if (file.empty())
        return -1;
    CMarkup xml;
    if (!xml.Load(file))
        return -1;
    if (!xml.FindElem(L"Root"))
        return 1;
    if (!xml.FindChildElem(L"Items"))
        return 2;
    xml.IntoElem();
    auto table = std::make_shared<TextMap>();
    while (xml.FindChildElem(L"Item"))
        table->emplace(xml.GetChildAttrib(L"Key"), xml.GetChildAttrib(L"Value")); // the first of a key stays
    if (auto it = table->find(L"ABOUTBOX"); it != table->end())
        it->second += L"(&A)...";
    if (auto it = table->find(L"UNIT_F"); it != table->end() && it->second.empty())
        it->second = L"\u00B0F";
    if (auto it = table->find(L"UNIT_C"); it != table->end() && it->second.empty())
        it->second = L"\u00B0C";

    std::unique_lock<std::shared_mutex> lock(m_lock);
    texts = std::move(table);
    currentCode = code;
    return 0;
}

int CLanguage::GetText(std::wstring_view key, std::wstring& text) const
{
    text.clear();
    std::shared_lock<std::shared_mutex> lock(m_lock);
    auto it = texts->find(key);
    if (it == texts->end())
        return 1;
    text = it->second;
    return 0;
}

std::wstring CLanguage::GetText(std::wstring_view key) const
{
    std::wstring text;
    GetText(key, text);
    return text;
}

std::wstring CLanguage::GetTextOr(std::wstring_view key, const wchar_t* fallback) const
{
    std::wstring text = GetText(key);
    return text.empty() ? std::wstring(fallback) : text;
}

std::vector<_tagLangItem> CLanguage::GetLanguages() const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return languages;
}

std::wstring CLanguage::GetCurrentCode() const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return currentCode;
}

CLanguage& GetLanguageManager()
{
    static CLanguage instance;
    return instance;
}

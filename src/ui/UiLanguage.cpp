#include "UiLanguage.h"

#include "UiThread.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cwctype>
#include <memory>

namespace {

// The catalogue of Qt's own widgets and dialogs.
constexpr const char* kQtCatalogue = "qtbase_";

// Settings codes that are a country's, not a language's.
struct CodeLocale {
    const wchar_t* code;
    const char* locale;
};
constexpr CodeLocale kCountryCodes[] = {
    {L"CN", "zh_CN"}, {L"TW", "zh_TW"}, {L"JP", "ja"}, {L"KR", "ko"}, {L"CZ", "cs"},
    {L"DK", "da"},    {L"SE", "sv"},    {L"GR", "el"}, {L"UA", "uk"}, {L"BR", "pt_BR"},
};

// The translation in use; made and replaced on the UI thread only.
std::unique_ptr<QTranslator> g_translator;

} // namespace

std::string QtLocaleNameOf(const std::wstring& code)
{
    std::wstring upper;
    for (wchar_t c : code)
        upper += static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    for (const CodeLocale& known : kCountryCodes)
        if (upper == known.code)
            return known.locale;
    std::string name;
    for (wchar_t c : upper)
        name += static_cast<char>(c < 0x80 ? std::towlower(static_cast<wint_t>(c)) : L'_');
    return name;
}

bool SetUiLanguage(const std::wstring& code)
{
    const std::string locale = QtLocaleNameOf(code);
    return CallOnUiThread([&] {
        if (g_translator) {
            QCoreApplication::removeTranslator(g_translator.get());
            g_translator.reset();
        }
        if (locale.empty() || !QCoreApplication::instance())
            return false;
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QString::fromStdString(kQtCatalogue + locale),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return false;
        QCoreApplication::installTranslator(translator.get());
        g_translator = std::move(translator);
        return true;
    });
}

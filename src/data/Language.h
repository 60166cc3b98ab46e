#pragma once
// The user-interface texts: every visible text is looked up by an upper-case
// key in the current language. "Language/LangConfig.xml" beside the program
// lists the languages; each language's string file, in the same folder, maps
// keys to texts.
//
// Worker threads read texts while the UI thread may load another language:
// a load builds the new table aside and swaps it in at once, so a reader sees
// either the old texts or the new ones, never a table being filled.
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

// One available language.
struct _tagLangItem {
    std::wstring Key;
    std::wstring Code;     // the settings' language code, e.g. "EN"
    std::wstring AddiName; // the display name, empty unless LangConfig.xml gives one
    std::wstring FileName; // the string file inside the Language folder
};

class CLanguage {
public:
    // Reads the language list; no texts are loaded yet.
    CLanguage();
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // 0 languages and additional names read; 3 no "AddiMultiLangs" (the
    // languages are read); 2 no "Langs"; 1 no "Root"; -1 the file cannot be
    // read or is not well-formed.
    int LoadLangConfig();
    // Loads the texts of the language whose Code equals `code` exactly. 0 when
    // loaded or already current; -1 no such language, or its file cannot be
    // read or is not well-formed; 1 no "Root"; 2 no "Items". On failure the
    // previous texts stay.
    int LoadLanguage(const std::wstring& code);
    // 0 and the text when the key (exact) is present; else 1 and empty.
    int GetText(std::wstring_view key, std::wstring& text) const;
    // The text, or empty.
    std::wstring GetText(std::wstring_view key) const;
    // The text, or the fallback when the language has none for the key
    // (a language file older than the program).
    std::wstring GetTextOr(std::wstring_view key, const wchar_t* fallback) const;
    // The string file of the first language of that code, or empty.
    std::wstring GetLanguageFile(const std::wstring& code);
    // The program folder, without a trailing separator.
    std::wstring GetExeFolderW();

    // Copies of the language list and the current code.
    std::vector<_tagLangItem> GetLanguages() const;
    std::wstring GetCurrentCode() const;

private:
    using TextMap = std::map<std::wstring, std::wstring, std::less<>>;

    std::wstring exeFolder;
    std::wstring langConfigPath;
    std::vector<_tagLangItem> languages;
    std::shared_ptr<const TextMap> texts;
    std::wstring currentCode;

    mutable std::shared_mutex m_lock; // guards the fields above for readers
    std::mutex m_loadLock;            // one load at a time
};

// The single language manager, created on the first call.
CLanguage& GetLanguageManager();

// Any bytes as "Setup.ini", and one write into it: section NUL key NUL value
// NUL, then the file. A write that reports success must read back its value
// (without surrounding blanks) and leave every other key of the file as it
// read before; a refused write leaves the file's bytes as they were. The
// readers of the settings records run over the file too.
#include "CodePage.h"
#include "Ini.h"
#include "PrivateProfile.h"
#include "SetupFile.h"
#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

// What a read gives when the key is nowhere: no file holds it.
const wchar_t kAbsent[] = L"\x01\x02(absent)\x03";
constexpr size_t kMaxNames = 12;
constexpr size_t kMaxFile = 8192;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

// Names go to the profile functions as C strings: a NUL ends them.
void AddName(std::vector<std::wstring>& names, const std::wstring& name)
{
    const std::wstring cut = Trim(name.substr(0, name.find(L'\0')));
    if (names.size() < kMaxNames && !cut.empty())
        names.push_back(cut);
}

// Every section and key name the bytes may hold, cut at either line break;
// the profile reader decides which of them are keys.
void Names(const std::string& file, std::vector<std::wstring>& sections, std::vector<std::wstring>& keys)
{
    size_t pos = 0;
    while (pos <= file.size()) {
        size_t end = file.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = file.size();
        std::wstring line = Utf8ToWide(file.substr(pos, end - pos));
        if (pos == 0 && !line.empty() && line[0] == L'\uFEFF')
            line.erase(0, 1);
        line = Trim(line);
        if (!line.empty() && line[0] == L'[')
            AddName(sections, Trim(line.substr(1, line.find(L']') == std::wstring::npos ? std::wstring::npos
                                                                                        : line.find(L']') - 1)));
        else if (size_t eq = line.find(L'='); eq != std::wstring::npos)
            AddName(keys, Trim(line.substr(0, eq)));
        pos = end + 1;
    }
}

std::wstring Read(const std::wstring& path, const std::wstring& section, const std::wstring& key)
{
    std::wstring out;
    GetPrivateProfileString(section.c_str(), key.c_str(), kAbsent, out, 1u << 20, path);
    return out;
}

std::wstring Part(const std::string& bytes, size_t& at)
{
    const size_t end = bytes.find('\0', at);
    const std::string part = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? bytes.size() : end + 1;
    return Utf8ToWide(part);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TempFolder folder;
    static const std::wstring path = Utf8ToWide(folder.File("Setup.ini"));

    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    const std::wstring section = Part(input, at);
    const std::wstring key = Part(input, at);
    const std::wstring value = Part(input, at);
    const std::string text = input.substr(at, kMaxFile);
    folder.Write("Setup.ini", text);

    std::vector<std::wstring> sections{L"Setup", L"Config", L"PrintSetting"}, keys{L"Language", L"IsUpdate"};
    Names(text, sections, keys);
    AddName(sections, Trim(section));
    AddName(keys, Trim(key));
    std::vector<std::pair<std::pair<size_t, size_t>, std::wstring>> before;
    for (size_t s = 0; s < sections.size(); ++s)
        for (size_t k = 0; k < keys.size(); ++k)
            before.push_back({{s, k}, Read(path, sections[s], keys[k])});

    if (!WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(), path)) {
        if (folder.Read("Setup.ini") != text)
            __builtin_trap(); // a refused write changed the file
    } else {
        if (Read(path, section, key) != Trim(value))
            __builtin_trap(); // reported written, reads otherwise
        for (const auto& [names, old] : before) {
            const std::wstring& s = sections[names.first];
            const std::wstring& k = keys[names.second];
            if (SameName(s, Trim(section)) && SameName(k, Trim(key)))
                continue;
            if (Read(path, s, k) != old)
                __builtin_trap(); // another key changed
        }
    }

    // The records' readers and the fallback reader over whatever the file is now.
    CIni ini;
    ini.path = path;
    (void)ini.ReadStringAlloc(section.c_str(), key.c_str());
    (void)ini.ReadInt(L"Config", L"IsUpdate");
    std::wstring fallback;
    ReadIniKeyFallback(key.c_str(), path, fallback);
    _tagSetupInfo setup;
    LoadSetupInfo(path, setup);
    _tagPrintSettingInfo print;
    LoadPrintSetting(path, print);
    _tagVersionInfo versions;
    LoadVersionInfo(versions, path);
    return 0;
}

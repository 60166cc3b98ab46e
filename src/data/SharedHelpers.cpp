#include "SharedHelpers.h"

#include "CodePage.h"
#include "Paths.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <system_error>

namespace {

std::wstring WithSeparator(const std::string& folder)
{
    std::wstring w = Utf8ToWide(folder);
    if (w.empty() || w.back() != L'/')
        w += L'/';
    return w;
}

} // namespace

std::wstring UpperText(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

std::wstring GetDataFolder() { return WithSeparator(GetDataFolderPath()); }

std::wstring GetPublicDataFolder() { return GetDataFolder(); }

std::wstring GetUpgradeFolder()
{
    const std::string folder = JoinPath(GetDataFolderPath(), "Upgrade");
    CreateFolders(folder);
    return WithSeparator(folder);
}

std::wstring GetAppDirectory() { return WithSeparator(GetProgramFolder()); }

std::wstring GetExeFolderA() { return WithSeparator(GetProgramFolder()); }

std::wstring Utf8ToCString(const std::string& text) { return Utf8ToWide(text); }

std::string CStringToAnsi(const std::wstring& text) { return WideToUtf8(text); }

void DeleteFolderRecursive(const std::wstring& folder)
{
    if (folder.empty())
        return;
    std::string path = ResolvePath(WideToUtf8(folder));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::error_code ec;
    // Only a folder: a file or a link of that name stays as it is.
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec)))
        return;
    std::filesystem::remove_all(path, ec);
}

bool ParseLeadingDecimal(const std::wstring& text, bool& negative, uint64_t& magnitude)
{
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    magnitude = 0;
    const size_t first = i;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        magnitude = std::min<uint64_t>(magnitude * 10 + static_cast<uint64_t>(text[i] - L'0'), 1ull << 32);
    return i > first;
}

#pragma once
// Folders, text conversions and file helpers shared by the data files, the
// pages and the self-update. Folder names end with a separator ('/'); they all
// come from the platform layer's folder functions.
#include <cstdint>
#include <string>

// The data folder ("Vornix" in the documents folder, BRELK_DATA_DIR in
// tests), created when missing, with a trailing '/'.
std::wstring GetDataFolder();
// The same folder; the settings file's path is built on it.
std::wstring GetPublicDataFolder();
// The data folder's "Upgrade/" subfolder, created when missing.
std::wstring GetUpgradeFolder();
// The program's folder with a trailing '/'.
std::wstring GetAppDirectory();
// The program's folder with a trailing '/', from its narrow name.
std::wstring GetExeFolderA();

// The text upper-cased, as settings and record fields are compared.
std::wstring UpperText(std::wstring text);

// UTF-8 text to wide text; empty in, empty out.
std::wstring Utf8ToCString(const std::string& text);
// Wide text to the narrow "ANSI" text (UTF-8 here).
std::string CStringToAnsi(const std::wstring& text);

// The number at the start of a settings value, as the C runtime's number
// readers take it: leading white space, a sign, decimal digits. The magnitude
// saturates at 2^32 (more than any 32-bit reader keeps); false when no digit
// follows.
bool ParseLeadingDecimal(const std::wstring& text, bool& negative, uint64_t& magnitude);

// Deletes the folder with everything below it. Links are removed, never
// followed, so nothing outside the folder goes. Failures are ignored.
void DeleteFolderRecursive(const std::wstring& folder);

#pragma once
// The application's setup and version records, read from and written to the
// settings file (SetupFile.h).
#include <string>

struct _tagSetupInfo {
    int carsStyle = 1; // region 1..5
    std::wstring language = L"EN";
    std::wstring languageInUse = L"EN";
};

struct _tagVersionInfo {
    std::wstring SoftWareVersion;
    std::wstring BrelkVersion;
    std::wstring CarBinVersion;
    std::wstring BootVersion;
};

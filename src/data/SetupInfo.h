#pragma once
// The application's setup and version records, read from and written to the
// settings file (SetupFile.h).
#include <string>

struct _tagSetupInfo {
    int carsStyle = 1; // region 1..5
    // The application's language setting: the code of the language the
    // program shows and stores ([Setup] Language), upper-case.
    std::wstring language = L"EN";
};

struct _tagVersionInfo {
    std::wstring SoftWareVersion;
    std::wstring BrelkVersion;
    std::wstring CarBinVersion;
    std::wstring BootVersion;
};

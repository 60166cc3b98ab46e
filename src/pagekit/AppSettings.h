#pragma once
// The application's settings as the pages and dialogs below the shell reach
// them: the region and language record, the versions read at start and the
// program's folder. The application object holds them and registers itself
// while it lives.
#include "SetupInfo.h"

#include <string>

class IAppSettings {
public:
    virtual ~IAppSettings() = default;
    virtual _tagSetupInfo& SetupInfo() = 0;
    virtual const _tagVersionInfo& VersionInfo() const = 0;
    // The program's folder, without a trailing separator.
    virtual const std::wstring& GetAppFolder() = 0;
};

// The registered settings; a process without an application object gets a
// record of defaults of its own, so a page made alone still has settings.
IAppSettings& AppSettings();
// The application object registers itself when made and goes when destroyed
// (nullptr).
void RegisterAppSettings(IAppSettings* settings);

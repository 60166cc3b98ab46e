#include "AppSettings.h"

#include "CodePage.h"
#include "Paths.h"

#include <atomic>

namespace {

std::atomic<IAppSettings*> g_settings{nullptr};

class DefaultAppSettings : public IAppSettings {
public:
    _tagSetupInfo& SetupInfo() override { return m_setup; }
    const _tagVersionInfo& VersionInfo() const override { return m_versions; }
    const std::wstring& GetAppFolder() override
    {
        if (m_folder.empty())
            m_folder = Utf8ToWide(GetProgramFolder());
        return m_folder;
    }

private:
    _tagSetupInfo m_setup;
    _tagVersionInfo m_versions;
    std::wstring m_folder;
};

} // namespace

IAppSettings& AppSettings()
{
    if (IAppSettings* settings = g_settings.load())
        return *settings;
    static DefaultAppSettings defaults;
    return defaults;
}

void RegisterAppSettings(IAppSettings* settings) { g_settings.store(settings); }

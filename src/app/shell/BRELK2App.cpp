#include "BRELK2App.h"

#include "BRELK2Dlg.h"
#include "CodePage.h"
#include "Language.h"
#include "Paths.h"
#include "RegistryHelpers.h"
#include "SetupFile.h"
#include "UiApp.h"
#include "UiLanguage.h"

CBRELK2App theApp;

const wchar_t kInstallerProductId[] = L"{7B3E5A21-4C9D-4E8F-A216-93D05C7E1B4A}";

CBRELK2App::CBRELK2App() { RegisterAppSettings(this); }

CBRELK2App::~CBRELK2App() { RegisterAppSettings(nullptr); }

bool CBRELK2App::AcquireSingleInstance() { return m_instanceLock.Acquire(kInstanceLockName); }

bool CBRELK2App::InitInstance(int& argc, char** argv)
{
    if (!AcquireSingleInstance())
        return false;
    RemoveOldInstallerKeys();
    // What the common controls and the drawing library need: the windowing layer.
    m_ui = std::make_unique<UiApp>(argc, argv);
    // No settings of ours live in the registry, so the framework's profile key
    // has nothing to name.
    LoadSettings();
    {
        CBRELK2Dlg dlg;
        SetMainWindow(&dlg);
        dlg.DoModal();
    }
    SetMainWindow(nullptr);
    return false;
}

int CBRELK2App::ExitInstance()
{
    m_ui.reset();
    m_instanceLock.Release();
    return 0;
}

void CBRELK2App::LoadSettings()
{
    const std::wstring& path = GetSetupIniFile();
    LoadSetupInfo(path, m_setupInfo);
    LoadPrintSetting(path, m_printSetting);
    LoadVersionInfo(m_versionInfo, path);
    if (m_setupInfo.language.empty())
        m_setupInfo.language = L"EN";
    GetLanguageManager().LoadLanguage(m_setupInfo.language);
    SetUiLanguage(GetLanguageManager().GetCurrentCode());
}

const std::wstring& CBRELK2App::GetAppFolder()
{
    if (m_strAppFolder.empty())
        m_strAppFolder = Utf8ToWide(GetProgramFolder());
    return m_strAppFolder;
}

void RemoveOldInstallerKeys()
{
    const std::wstring id = kInstallerProductId;
    const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::wstring installShield = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\InstallShield\\";
    const std::wstring uninstall32 = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    for (const std::wstring& folder : {uninstall, installShield, uninstall32}) {
        RegDeleteKeyRecursive(HKEY_LOCAL_MACHINE, folder + id);
        RegDeleteKeyRecursive(HKEY_LOCAL_MACHINE, folder + L"InstallShield_" + id);
    }
}

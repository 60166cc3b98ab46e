#pragma once
// The application object: lets one instance run, removes the installer's old
// keys, loads the settings and the language, runs the main dialog to its end.
#include "AppSettings.h"
#include "PrintSettingInfo.h"
#include "SetupInfo.h"
#include "SingleInstanceLock.h"

#include <memory>
#include <string>

class UiApp;

class CBRELK2App : public IAppSettings {
public:
    // Registers itself as the settings the pages reach (AppSettings.h).
    CBRELK2App();
    ~CBRELK2App() override;
    CBRELK2App(const CBRELK2App&) = delete;
    CBRELK2App& operator=(const CBRELK2App&) = delete;

    // The whole run. A second instance returns false at once, without a window
    // or a message; the first runs the main dialog and returns false when it
    // ends, so that the process ends. argc must outlive the run.
    bool InitInstance(int& argc, char** argv);
    // Ends the windowing layer and lets the instance lock go; 0.
    int ExitInstance();

    // The steps before the window, also on their own:
    // the "Teskaro_Brelk" instance lock (false: another instance holds it;
    // true again once this one holds it),
    bool AcquireSingleInstance();
    // the three settings records from "Setup.ini", then the language ("EN"
    // when none is stored).
    void LoadSettings();

    // The program's folder, without a trailing separator.
    const std::wstring& GetAppFolder() override;
    _tagSetupInfo& SetupInfo() override { return m_setupInfo; }
    const _tagVersionInfo& VersionInfo() const override { return m_versionInfo; }

    _tagSetupInfo m_setupInfo; // the region and the application's language setting
    _tagPrintSettingInfo m_printSetting;
    _tagVersionInfo m_versionInfo;

private:
    SingleInstanceLock m_instanceLock;
    std::unique_ptr<UiApp> m_ui;
    std::wstring m_strAppFolder;
};

extern CBRELK2App theApp;

// The name of the single-instance lock.
inline constexpr char kInstanceLockName[] = "Teskaro_Brelk";
// The product code of the old installer whose uninstall keys go at every start.
extern const wchar_t kInstallerProductId[];
// Deletes, with everything below them and ignoring failures, the six uninstall
// keys of that product under HKEY_LOCAL_MACHINE.
void RemoveOldInstallerKeys();

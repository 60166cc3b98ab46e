#pragma once
// What the self-update shows on the settings page: its progress, its status
// text and the state of the upgrade button. The settings page implements it;
// the update controller, which lives below the pages, reports through it.
// Every operation may be called from any thread (the controller's download
// worker among them) and goes to the page's windows by the windowing layer's
// thread rule.
#include "WinDefs.h"

#include <string>

class IUpgradePage {
public:
    virtual ~IUpgradePage() = default;
    // Stage 0 downloading, 1 unpacking; percent 0 to 100. At 100 the page
    // shows "Completed" for a moment on the calling thread, never blocking
    // the UI thread.
    virtual void OnUpgradeProgress(int stage, int percent) = 0;
    // Shows the status text of the language key and remembers the key.
    virtual void SetUpgradeButtonText(const std::wstring& key) = 0;
    // The status text's colour: blue (0xFF0000) for progress and success,
    // red (0x0000FF) for a failure.
    virtual void SetUpgradeStatusColor(COLORREF color) = 0;
    // The upgrade button's look (0 normal, 4 disabled) and whether it takes clicks.
    virtual void SetUpgradeButtonState(int state, bool enabled) = 0;
};

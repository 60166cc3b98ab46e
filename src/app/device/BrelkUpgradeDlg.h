#pragma once
// The small window that shows how the Brelk's firmware upgrade goes: one
// status text (control 1013) and the warning not to unplug the Brelk. It sits
// over the main window, which is disabled meanwhile; Enter and Esc do nothing
// and it cannot be closed while it is up.
#include "Wnd.h"

#include <functional>
#include <memory>
#include <string>

class CBrelkUpgradeDlg : public Wnd {
public:
    static constexpr int kStatusTextId = 1013;

    CBrelkUpgradeDlg();
    ~CBrelkUpgradeDlg() override;

    // Creates the window, hidden, centred over the main window (its owner).
    bool CreateOver(Wnd* mainWindow);
    // Any thread.
    void SetStatusText(const std::wstring& text);
    std::wstring GetStatusText() const;
    // What a request to close the window does instead (a message).
    void SetCloseRefusal(std::function<void()> refuse) { m_refuseClose = std::move(refuse); }

protected:
    int OnCreate() override;
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    bool PreTranslateKeyDown(UINT vk) override;
    void OnClose() override;

private:
    class StatusText;
    std::unique_ptr<StatusText> m_pStatus;
    std::function<void()> m_refuseClose;
};

#pragma once
// The title bar of the main window: the background strip with the client's
// version, the close and minimise buttons, the help, function-list and
// daily-file buttons. It drags the borderless window, and its context menu
// holds the About box.
#include "CustButton.h"
#include "Image.h"
#include "Wnd.h"

#include <memory>

class CBRELK2Dlg;

class CTopPane : public Wnd {
public:
    // Button ids; their clicks go to the main window as WM_PAGE_ACTION kind 2.
    static constexpr int kCloseId = 10100;
    static constexpr int kMinimiseId = 10101;
    static constexpr int kHelpId = 10103;
    static constexpr int kFunctionListId = 10104;
    static constexpr int kDailyFileId = 10105;
    // The About box's command.
    static constexpr int kAboutCommand = 16;

    explicit CTopPane(CBRELK2Dlg* mainDlg);
    ~CTopPane() override;

    // Reloads the button captions after a language change.
    void RefreshLanguage();
    // Presses the tab of that id in the tab strip, as a click on it does, so
    // the main window navigates to it.
    void PressTab(int tabId);

    CCustButton* GetButton(int id) const;

protected:
    int OnCreate() override;
    void OnDestroy() override;
    void OnPaint(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonUp(UINT flags, CPoint point) override;
    bool PreTranslateKeyDown(UINT vk) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CBRELK2Dlg* m_pMainDlg;
    std::unique_ptr<Image> m_background; // PNG 130
    std::unique_ptr<CCustButton> m_pBtnMin;
    std::unique_ptr<CCustButton> m_pBtnClose;
    std::unique_ptr<CCustButton> m_pBtnHelp;
    std::unique_ptr<CCustButton> m_pBtnFunctionList;
    std::unique_ptr<CCustButton> m_pBtnDailyFile;
};

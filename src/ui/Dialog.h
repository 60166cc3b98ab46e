#pragma once
// A top-level window run modally, as CDialog::DoModal runs it: DoModal creates
// the window, calls OnInitDialog, shows it and runs events until EndDialog (or
// PostQuitMessage), then destroys the window and returns the result. The main
// window of the program is one too: a frameless (WS_POPUP) dialog.
//
// Esc asks OnCancel and Enter OnOK unless a window below swallows the key
// first; closing the window asks OnCancel.
#include "Wnd.h"

class QEventLoop;

class Dialog : public Wnd {
public:
    // size: the window's size; it is centred over the owner (or the screen)
    // unless OnCreate or OnInitDialog moves it. style: WS_POPUP for no frame.
    explicit Dialog(CSize size, DWORD style = 0);
    ~Dialog() override;

    // Runs the dialog; the result given to EndDialog, or -1 after PostQuitMessage.
    int DoModal(Wnd* owner = nullptr);
    void EndDialog(int result);
    bool IsRunning() const { return m_running; }
    // True once EndDialog was called in this run (the loop ends when the
    // events return to it).
    bool HasEnded() const { return m_ended; }

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    void OnClose() override { OnCancel(); }
    bool PreTranslateKeyDown(UINT vk) override;

private:
    friend void PostQuitMessage(int);
    CSize m_size;
    DWORD m_style;
    int m_result = -1;
    bool m_ended = false;
    bool m_running = false;
    QEventLoop* m_loop = nullptr;
};

#pragma once
// Message boxes with the Windows button sets (MB_OK, MB_OKCANCEL, MB_YESNO,
// MB_YESNOCANCEL, MB_RETRYCANCEL, MB_ABORTRETRYIGNORE), icons and MB_TOPMOST,
// answered with IDOK, IDCANCEL, IDYES, IDNO, ... behind a small interface that
// tests replace. MessageBox may be called from any thread: the box is always
// shown by the UI thread and a worker that asks waits for the answer.
#include "WinDefs.h"

#include <string>

class Wnd;

class IMessageBoxService {
public:
    virtual ~IMessageBoxService() = default;
    // On the UI thread; returns the answer (ID*).
    virtual int Show(Wnd* owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
};

int MessageBox(Wnd* owner, const std::wstring& text, const std::wstring& caption, UINT type = MB_OK);

// The service every MessageBox uses (nullptr restores the real one). The
// caller keeps ownership.
void SetMessageBoxService(IMessageBoxService* service);
IMessageBoxService& GetMessageBoxService();

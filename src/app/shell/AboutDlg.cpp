#include "AboutDlg.h"

#include "CodePage.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "ProductStrings.h"

std::wstring CAboutDlg::Title()
{
    const std::wstring title = GetLanguageManager().GetText(L"APP_TITLE");
    return title.empty() ? Utf8ToWide(g_productStrings[kProductId]) : title;
}

std::wstring CAboutDlg::Text() { return Title() + L" " + Utf8ToWide(g_productStrings[kSoftwareVersionIndex]); }

int CAboutDlg::DoModal(Wnd* owner) { return MessageBox(owner, Text(), Title(), MB_OK | MB_ICONINFORMATION); }

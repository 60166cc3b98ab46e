#include "AboutDlg.h"

#include "CodePage.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "ProductStrings.h"

std::wstring CAboutDlg::Text()
{
    std::wstring title = GetLanguageManager().GetText(L"APP_TITLE");
    if (title.empty())
        title = Utf8ToWide(g_productStrings[kProductId]);
    return title + L" " + Utf8ToWide(g_productStrings[kSoftwareVersionIndex]);
}

int CAboutDlg::DoModal(Wnd* owner)
{
    return MessageBox(owner, Text(), GetLanguageManager().GetText(L"ABOUTBOX"), MB_OK | MB_ICONINFORMATION);
}

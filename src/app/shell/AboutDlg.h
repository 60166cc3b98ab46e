#pragma once
// The About box: the program's title and software version.
#include <string>

class Wnd;

class CAboutDlg {
public:
    // Shows the box over the owner until it is closed; IDOK.
    int DoModal(Wnd* owner);
    // Its caption, and what it says.
    static std::wstring Title();
    static std::wstring Text();
};

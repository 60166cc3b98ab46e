#include "MyEditCtrl.h"

int CMyEditCtrl::OnCreate()
{
    m_pattern = LoadPngResource(196);
    SetColors(0x000000, 0xFFFFFF);
    SetBackgroundPattern(m_pattern.get());
    return 0;
}

bool CMyEditCtrl::FilterChar(wchar_t ch)
{
    const int mode = m_nMode.load();
    if (mode != kModeHex && mode != kModeDecimal)
        return true;
    if (ch == L'\b')
        return true;
    if (ch >= L'0' && ch <= L'9')
        return true;
    return mode == kModeHex && ((ch >= L'A' && ch <= L'F') || (ch >= L'a' && ch <= L'f'));
}

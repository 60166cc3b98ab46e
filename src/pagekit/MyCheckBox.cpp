#include "MyCheckBox.h"

#include "UiThread.h"

int CMyCheckBox::OnCreate()
{
    ApplyColors();
    return 0;
}

void CMyCheckBox::ApplyColors()
{
    if (IsCreated())
        SetColors(m_textColor, m_bkColor);
}

void CMyCheckBox::SetBkColor(COLORREF color)
{
    RunOnUiThread([&] {
        m_bkColor = color;
        ApplyColors();
    });
}

void CMyCheckBox::SetTextColor(COLORREF color)
{
    RunOnUiThread([&] {
        m_textColor = color;
        ApplyColors();
    });
}

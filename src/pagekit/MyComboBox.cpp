#include "MyComboBox.h"

int CMyComboBox::OnCreate()
{
    SetColors(m_textColor, m_bkColor);
    return 0;
}

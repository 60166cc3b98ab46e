#pragma once
// A check box in the page's colours: black text on white unless set.
#include "CheckBox.h"

class CMyCheckBox : public CheckBox {
public:
    CMyCheckBox() = default;

    void SetBkColor(COLORREF color);
    void SetTextColor(COLORREF color);

protected:
    int OnCreate() override;

private:
    void ApplyColors();

    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0x000000;
};

#pragma once
// A drop-down list in the settings grey: black text on 0xE1DFDE.
#include "ComboBox.h"

class CMyComboBox : public ComboBox {
public:
    CMyComboBox() = default;

protected:
    int OnCreate() override;

private:
    COLORREF m_bkColor = 0xE1DFDE;
    COLORREF m_textColor = 0x000000;
};

#pragma once
// A push button over QPushButton with its window text as the caption. A
// click by the user (mouse, or Space with the focus) reaches the parent as
// WM_COMMAND (id, BN_CLICKED).
#include "Font.h"
#include "Wnd.h"

class Button : public Wnd {
public:
    Button() = default;

    void SetFont(const Font& font);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void ApplyWindowText(const std::wstring& text) override;
    std::wstring ReadWindowText() const override;
};

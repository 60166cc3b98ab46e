#pragma once
// A check box over QCheckBox. A click by the user reaches the parent as
// WM_COMMAND (id, BN_CLICKED), after the check has changed; SetCheck sends nothing.
#include "Color.h"
#include "Font.h"
#include "Wnd.h"

class CheckBox : public Wnd {
public:
    CheckBox() = default;

    void SetCheck(int state); // BST_CHECKED or BST_UNCHECKED
    int GetCheck() const;
    void SetFont(const Font& font);
    void SetColors(COLORREF text, COLORREF background);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void ApplyWindowText(const std::wstring& text) override;
    std::wstring ReadWindowText() const override;
};

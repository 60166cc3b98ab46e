#pragma once
// A drop-down list box over QComboBox. A choice made by the user reaches the
// parent as WM_COMMAND (id, CBN_SELCHANGE); SetCurSel and the fill calls send
// nothing. The closed box is as high as its font needs when the rectangle
// given is lower (a drop-down list's rectangle also covers its list).
#include "Color.h"
#include "Font.h"
#include "Wnd.h"

constexpr int CB_ERR = -1;

class ComboBox : public Wnd {
public:
    ComboBox() = default;

    int AddString(const std::wstring& text); // the new item's index
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;                   // CB_ERR when nothing is selected
    int SetCurSel(int index);                // CB_ERR (and no selection) when out of range
    std::wstring GetLBText(int index) const; // empty when out of range
    void SetFont(const Font& font);
    void SetColors(COLORREF text, COLORREF background);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void OnSize(int cx, int cy) override;
    std::wstring ReadWindowText() const override;
};

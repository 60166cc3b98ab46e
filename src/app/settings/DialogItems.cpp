#include "DialogItems.h"

#include "BasePage.h"

#include <charconv>

void GetComboSelText(const ComboBox& box, std::wstring& text)
{
    const int selected = box.GetCurSel();
    text = selected == CB_ERR ? std::wstring() : box.GetLBText(selected);
}

void SelectComboItemByText(const std::wstring& text, ComboBox& box)
{
    const std::wstring wanted = LowerCase(text);
    const int count = box.GetCount();
    for (int i = 0; i < count; ++i)
        if (LowerCase(box.GetLBText(i)) == wanted) {
            box.SetCurSel(i);
            return;
        }
}

void SetDlgItemString(Wnd& parent, int id, const std::wstring& text)
{
    if (Wnd* item = parent.GetDlgItem(id))
        item->SetWindowText(text);
}

void SetDlgItemFloat(Wnd& parent, int id, double value)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1);
    SetDlgItemString(parent, id, std::wstring(digits, result.ptr));
}

void GetDlgItemString(const Wnd& parent, int id, std::wstring& text)
{
    const Wnd* item = parent.GetDlgItem(id);
    text = item ? item->GetWindowText() : std::wstring();
}

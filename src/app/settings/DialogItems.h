#pragma once
// Small operations on a window's items by control id and on drop-down lists,
// shared by the settings page and the print settings dialog.
#include "ComboBox.h"
#include "Wnd.h"

#include <string>

// The selected item's text; empty when nothing is selected.
void GetComboSelText(const ComboBox& box, std::wstring& text);
// Selects the first item equal to the text without regard to case; the
// selection stays as it was when no item is.
void SelectComboItemByText(const std::wstring& text, ComboBox& box);
// The text of the parent's item of that id; nothing when there is no such item.
void SetDlgItemString(Wnd& parent, int id, const std::wstring& text);
// The value as "%.1f" (always with a decimal point, whatever the locale).
void SetDlgItemFloat(Wnd& parent, int id, double value);
// The item's text; empty when the item is missing.
void GetDlgItemString(const Wnd& parent, int id, std::wstring& text);

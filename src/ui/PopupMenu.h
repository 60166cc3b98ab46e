#pragma once
// A context menu of commands, as TrackPopupMenu shows one: returns the chosen
// command id, or 0 when the menu was dismissed. Tests replace the chooser.
#include "Rect.h"

#include <functional>
#include <string>
#include <vector>

class Wnd;

struct MenuItem {
    int id = 0; // 0: a separator
    std::wstring text;
};

// Shows the menu at a point in the owner's client coordinates; UI thread or not.
int TrackPopupMenu(Wnd* owner, const std::vector<MenuItem>& items, CPoint point);

using PopupMenuChooser = std::function<int(const std::vector<MenuItem>& items)>;
// An empty chooser restores the real menu.
void SetPopupMenuChooser(PopupMenuChooser chooser);

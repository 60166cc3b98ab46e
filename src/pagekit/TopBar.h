#pragma once
// What a page sets in the bar above it when it is shown: which tab bar, the
// back, function-list and daily-file buttons, the search box and its text.
// The main window's top pane implements it. UI thread.
#include <string>

class ITopBar {
public:
    // The tab bars: the main tabs (car model, part number, settings) and the
    // sensor tabs (test, create, copy).
    static constexpr int kMainTabs = 0;
    static constexpr int kSensorTabs = 1;

    virtual ~ITopBar() = default;
    // The search box; hiding before there is one makes none.
    virtual void ShowSearchView(bool show) = 0;
    // That tab bar, with the tab of that index (0 to 2) current.
    virtual void ShowMenuTabs(int mode, bool show, int selectedIndex) = 0;
    virtual void ShowBackButton(bool show) = 0;
    virtual void ShowFunctionListButton(bool show) = 0;
    virtual void ShowDailyFileButton(bool show) = 0;
    // The search box's text, when there is a box; the text set sends nothing.
    virtual void SetSearchText(const std::wstring& text) = 0;
    // The search edit takes the focus, when there is a search box.
    virtual void FocusSearchEdit() = 0;
};

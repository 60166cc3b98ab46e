#pragma once
// What a page shows in the main window's top pane: the back button, the search
// box, the tab bars and the caption buttons, and the search text. The top
// pane implements it; the pages, which live below the panes, reach it through
// their m_pTopPane.
#include <string>

class ITopPaneControls {
public:
    // The tab bars of ShowMenuTabs.
    static constexpr int kMainTabs = 0;   // car, part number, settings
    static constexpr int kSensorTabs = 1; // test, create, copy

    virtual ~ITopPaneControls() = default;
    // The search box; hiding before there is one makes none.
    virtual void ShowSearchView(bool show) = 0;
    // That tab bar (kMainTabs, kSensorTabs), with the tab of that index (0 to
    // 2) current.
    virtual void ShowMenuTabs(int mode, bool show, int selectedIndex) = 0;
    virtual void ShowBackButton(bool show) = 0;
    virtual void ShowFunctionListButton(bool show) = 0;
    virtual void ShowDailyFileButton(bool show) = 0;
    // The search box's text, when there is a box; the text set sends nothing.
    virtual void SetSearchText(const std::wstring& text) = 0;
    // The search edit takes the focus, when there is a search box.
    virtual void FocusSearchEdit() = 0;
};

#pragma once
// What a page asks of the main window it is shown in: room for its content
// (the main window's page scroll bar) and the top pane above it. The main
// dialog is one; pages reach it through the program's main window.
class ITopPaneControls;

class IPageHost {
public:
    virtual ~IPageHost() = default;
    // Shows the page scroll bar for content of that height, or hides it when
    // the page area holds it all; returns 1.
    virtual int ShowScrollBar(int contentHeight) = 0;
    virtual ITopPaneControls* GetTopPane() const = 0;
};

// The program's main window as a page host, or nullptr when there is none.
IPageHost* GetPageHost();

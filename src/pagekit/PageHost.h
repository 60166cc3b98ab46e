#pragma once
// What a page asks of the main window it is shown in: room for its content
// (the main window's page scroll bar), the top bar above it, the user's
// selection and the settings file. The main dialog is one; pages reach it
// through the program's main window.
class CIni;
class CModel;
class ITopBar;
struct Selection;

class IPageHost {
public:
    virtual ~IPageHost() = default;
    // Shows the page scroll bar for content of that height, or hides it when
    // the page area holds it all; returns 1.
    virtual int ShowScrollBar(int contentHeight) = 0;
    // The bar above the pages, or null before it exists.
    virtual ITopBar* GetTopBar() const = 0;
    // The selection in use (UI thread).
    virtual const Selection& GetSelection() const = 0;
    // A model tile was chosen.
    virtual void SetModelSelection(const CModel* model) = 0;
    // The program's settings ([Setup] and [Config]).
    virtual const CIni& GetIni() const = 0;
};

// The program's main window as a page host, or nullptr when there is none.
IPageHost* GetPageHost();
// The selection of the program's main window, or nullptr when there is none.
const Selection* GetHostSelection();

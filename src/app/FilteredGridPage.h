#pragma once
// What the brand page and the part-number page share: a grid of items that
// the search text filters by any part of their names, and one line in place
// of the grid when the filter matches nothing.
#include "BasePage.h"

#include <string>

class CFilteredGridPage : public CBasePage {
public:
    // A new text is stored and the page rebuilt with it; the search edit
    // keeps the focus for the next key.
    void SetFilterText(std::wstring text) override;

    // True while the filter matches nothing (the page then says so).
    bool ShowsNoMatch() const { return m_bNoMatch; }

protected:
    // ShowPage without rebuild: the page's filter back in the search box, the
    // content height to the main window, the page shown.
    int ShowAsItWas(bool rebuild, int restoreTabs);
    // At a rebuild: an empty filter empties the search box too.
    void EmptySearchTextForEmptyFilter();

    void OnPaint(Graphics& g) override;

    bool m_bNoMatch = false;
};

#pragma once
// What the brand page and the part-number page share: a grid of items that
// the search text filters by any part of their names, one line in place of
// the grid when the filter matches nothing, one while the records are
// still being read, and one when their file is damaged.
#include "BasePage.h"

#include <functional>
#include <string>

class CFilteredGridPage : public CBasePage {
public:
    // A new text is stored and the page rebuilt with it; the search edit
    // keeps the focus for the next key.
    void SetFilterText(std::wstring text) override;

    // True while the filter matches nothing (the page then says so).
    bool ShowsNoMatch() const { return m_bNoMatch; }
    // True while the page waits for its records (the page then says so).
    bool ShowsLoading() const { return m_bLoading; }
    // True when its records' file is damaged (the page then says so).
    bool ShowsDamaged() const { return m_bDamaged; }

protected:
    // ShowPage without rebuild: the page's filter back in the search box, the
    // content height to the main window, the page shown.
    int ShowAsItWas(bool rebuild, int restoreTabs);
    // At a rebuild: an empty filter empties the search box too.
    void EmptySearchTextForEmptyFilter();

    // What the database calls from its worker once the records are read: a
    // post to this page (dropped when the page is gone by then).
    std::function<void()> PostWhenRead();
    // The records are there: the page takes them (on the UI thread).
    virtual void TakeRecords() = 0;
    // True once when records arrived while the page was hidden: the next
    // ShowPage lays them out.
    bool TakeRebuildWhenShown();

    void OnPaint(Graphics& g) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    bool m_bNoMatch = false;
    bool m_bLoading = false;
    bool m_bDamaged = false;
    bool m_bRebuildWhenShown = false;
};

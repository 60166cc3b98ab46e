#pragma once
// The base of every page the main dialog shows in its page area (and of the
// self-update controller): a scrolling child window that the main dialog
// creates on first use, shows and hides as the user navigates, and addresses
// through the virtual operations below. Pages never show native scroll bars;
// the main dialog's own scroll bar moves them.
#include "MyScrollBar.h"
#include "Wnd.h"

#include <string>
#include <vector>

class ITopBar;

class CBasePage : public Wnd {
public:
    // Takes the top pane from the main window, so that one must exist first.
    CBasePage();
    ~CBasePage() override;

    // The page's type: the brand page its region, model 6, part number 7,
    // settings 8, test 10, copy 11, create 12; 0 here.
    virtual int GetPageType();
    // Reloads the page's texts after a language change; nothing here.
    virtual void RefreshLanguage();
    // Hides every window of the child-control list.
    virtual void HideControls();
    // The search text changed; ignored here.
    virtual void SetFilterText(std::wstring text);
    // Lays the page out (anew when rebuild) and shows it; restoreTabs 1 makes
    // the selection pages bring back the top pane's main tab bar. Here: hands
    // the content height to the main window and shows the page; returns 1.
    virtual int ShowPage(bool rebuild, int restoreTabs);
    // The page scroll bar moved: repaints the child controls when the thumb
    // went more than 5 pixels, then scrolls to the position.
    virtual void OnScrollBarPos(const ScrollBarPos& pos);
    // Repaints the child controls and takes the focus; returns 1.
    virtual int FocusPage();
    // The page's action buttons allowed or not; nothing here.
    virtual void EnableActions(bool enable);
    // Content of 100 x 100 until the page lays itself out.
    virtual void OnInitialUpdate();

    int GetContentHeight() const { return m_nContentHeight; }
    int GetChildControlCount() const { return static_cast<int>(m_childControls.size()); }
    int GetLastThumbOffset() const { return m_nLastThumbOffset; }
    const std::wstring& GetFilterText() const { return m_strFilter; }

protected:
    int OnCreate() override;
    // White background.
    bool OnEraseBkgnd(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    // A wheel turn goes to the parent as WM_SCROLL_WHEEL (key flags, signed delta).
    bool OnMouseWheel(UINT flags, short delta, CPoint point) override;

    CRect m_rcCreate; // right, bottom: the size the window was created with
    int m_nCreateX = 0;
    int m_nCreateY = 0;
    std::wstring m_strFilter;
    ITopBar* m_pTopPane = nullptr;
    std::vector<Wnd*> m_childControls; // in creation order; the page that made them destroys them
    int m_nContentHeight = 0;
    int m_nLastThumbOffset = 0;
};

// The text without white space at either end.
std::wstring TrimWhiteSpace(const std::wstring& text);
// The text in lower case.
std::wstring LowerCase(std::wstring text);

// Whether a name passes the search filter: the filter trimmed of white space
// at both ends; an empty one passes everything; a name shorter than it never
// passes; otherwise it passes when the filter occurs in the name, first as
// written and then in lower case.
bool MatchesFilter(std::wstring name, std::wstring filter);

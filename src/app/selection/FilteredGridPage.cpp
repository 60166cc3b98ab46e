#include "FilteredGridPage.h"

#include "AppMessages.h"
#include "EmptyListNote.h"
#include "TopPaneControls.h"

void CFilteredGridPage::SetFilterText(std::wstring text)
{
    if (text == m_strFilter)
        return;
    m_strFilter = std::move(text);
    ShowPage(true, 0);
    if (m_pTopPane)
        m_pTopPane->FocusSearchEdit();
}

int CFilteredGridPage::ShowAsItWas(bool rebuild, int restoreTabs)
{
    if (m_pTopPane)
        m_pTopPane->SetSearchText(m_strFilter);
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

void CFilteredGridPage::EmptySearchTextForEmptyFilter()
{
    if (m_strFilter.empty() && m_pTopPane)
        m_pTopPane->SetSearchText(std::wstring());
}

std::function<void()> CFilteredGridPage::PostWhenRead()
{
    const HWND self = GetSafeHwnd();
    return [self] { ::PostMessage(self, WM_RECORDS_READ); };
}

bool CFilteredGridPage::TakeRebuildWhenShown()
{
    const bool rebuild = m_bRebuildWhenShown;
    m_bRebuildWhenShown = false;
    return rebuild;
}

void CFilteredGridPage::OnPaint(Graphics& g)
{
    if (m_bLoading)
        DrawEmptyListNote(g, GetClientRect(), LoadingText());
    else if (m_bDamaged)
        DrawEmptyListNote(g, GetClientRect(), DamagedRecordsText());
    else if (m_bNoMatch)
        DrawEmptyListNote(g, GetClientRect(), NoMatchText());
}

LRESULT CFilteredGridPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_RECORDS_READ)
        return CBasePage::OnMessage(msg, wParam, lParam);
    TakeRecords();
    m_bLoading = false;
    if (IsWindowVisible())
        ShowPage(true, 0);
    else
        m_bRebuildWhenShown = true;
    Invalidate();
    return 0;
}

#include "FilteredGridPage.h"

#include "EmptyListNote.h"
#include "TopPane.h"

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

void CFilteredGridPage::OnPaint(Graphics& g)
{
    if (m_bNoMatch)
        DrawEmptyListNote(g, GetClientRect(), NoMatchText());
}

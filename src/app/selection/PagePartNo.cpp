#include "PagePartNo.h"

#include "AppMessages.h"
#include "TopBar.h"
#include "UiScale.h"
#include "VehicleDatabase.h"

namespace {

// Scroll sizes of a page whose rows all fit.
constexpr int kSmallWidth = 10;
constexpr int kSmallContent = 10;

} // namespace

CPagePartNo::CPagePartNo() : m_nRowHeight(ScaleLength(98)), m_nItemWidth(ScaleLength(202)) {}

CPagePartNo::~CPagePartNo() = default;

int CPagePartNo::GetPageType() { return kPageType; }

void CPagePartNo::RefreshLanguage() { Invalidate(); }

void CPagePartNo::OnDestroy() { DeleteItems(); }

void CPagePartNo::DeleteItems()
{
    // Nothing may reach an item once it is gone: the pressed item and the
    // page's control list let go of them first.
    m_pPressed = nullptr;
    m_childControls.clear();
    for (auto& item : m_items)
        item->DestroyWindow();
    m_items.clear();
    m_nShown = 0;
}

void CPagePartNo::HideItems(size_t from, size_t to)
{
    for (size_t i = from; i < to && i < m_items.size(); ++i)
        m_items[i]->ShowWindow(SW_HIDE);
}

void CPagePartNo::ShowTopPaneControls(int restoreTabs)
{
    if (!m_pTopPane)
        return;
    if (restoreTabs == 1) {
        m_pTopPane->ShowMenuTabs(ITopBar::kSensorTabs, false, 0);
        m_pTopPane->ShowMenuTabs(ITopBar::kMainTabs, true, 1);
    }
    m_pTopPane->ShowBackButton(false);
    m_pTopPane->ShowSearchView(true);
    m_pTopPane->ShowFunctionListButton(false);
    m_pTopPane->ShowDailyFileButton(true);
}

std::vector<const CPartNo*> CPagePartNo::MatchingPartNos() const
{
    std::vector<const CPartNo*> kept;
    if (m_pPartNos)
        for (const auto& partNo : *m_pPartNos)
            if (MatchesFilter(partNo->fields[0], m_strFilter))
                kept.push_back(partNo.get());
    return kept;
}

void CPagePartNo::LayOutItems(const std::vector<const CPartNo*>& kept, const GridRows& grid, size_t wasShown)
{
    const CRect client = GetClientRect();
    const int n = static_cast<int>(kept.size());
    for (int index = 0; index < grid.drawn * CPartNoItem::kPerRow; ++index) {
        const int row = index / CPartNoItem::kPerRow, column = index % CPartNoItem::kPerRow;
        // The last row has no rule below it when the grid runs past the page.
        const bool bottomBorder = grid.Filled() || row != grid.drawn - 1;
        const CPartNo* record = index < n ? kept[size_t(index)] : nullptr;
        const bool rightBorder = column != CPartNoItem::kPerRow - 1;
        const CRect cell = GridCellRect(index, CPartNoItem::kPerRow, m_nItemWidth, m_nRowHeight, client.Width());
        if (size_t(index) < m_items.size()) {
            CPartNoItem* item = m_items[size_t(index)].get();
            item->Rebind(record, rightBorder, bottomBorder);
            if (item->GetWindowRect() != cell)
                item->MoveWindow(cell);
            if (size_t(index) >= wasShown)
                item->ShowWindow(SW_SHOW);
        } else {
            auto item = std::make_unique<CPartNoItem>(record, rightBorder, bottomBorder);
            item->Create(this, cell, kFirstItemId + index, WS_CHILD | WS_VISIBLE);
            m_items.push_back(std::move(item));
        }
        m_childControls.push_back(m_items[size_t(index)].get());
        ++m_nShown;
    }
}

int CPagePartNo::ShowPage(bool rebuild, int restoreTabs)
{
    ShowTopPaneControls(restoreTabs);
    if (!rebuild && !TakeRebuildWhenShown())
        return ShowAsItWas(rebuild, restoreTabs);
    EmptySearchTextForEmptyFilter();
    // As with deleting: nothing holds on to an item of the grid that was.
    m_pPressed = nullptr;
    m_childControls.clear();
    const size_t wasShown = m_nShown;
    m_nShown = 0;
    if (m_pTopPane)
        m_pTopPane->ShowSearchView(true);

    if (!m_bRequested) {
        // A large list is read on a worker; the page says so until it is there.
        m_bRequested = true;
        CVehicleDatabase* db = GetVehicleDatabase();
        m_pPartNos = db ? db->RequestPartNos(PostWhenRead()) : nullptr;
        m_bLoading = db && !m_pPartNos;
    }
    m_bNoMatch = false;
    if (m_bLoading) {
        HideItems(0, wasShown);
        Invalidate();
        m_nContentHeight = 0;
        SetScrollSizes(CSize(kSmallWidth, kSmallContent));
        return CBasePage::ShowPage(rebuild, restoreTabs);
    }

    const std::vector<const CPartNo*> kept = MatchingPartNos();
    const GridRows grid =
        CountGridRows(static_cast<int>(kept.size()), CPartNoItem::kPerRow, GetClientRect().Height(), m_nRowHeight);
    // A search that finds nothing says so in one line instead of a grid of blank cells.
    m_bNoMatch = kept.empty() && !TrimWhiteSpace(m_strFilter).empty();
    if (!m_bNoMatch)
        LayOutItems(kept, grid, wasShown);
    HideItems(m_nShown, wasShown); // the items past the new grid go
    ScrollToPosition(CPoint(0, 0));
    m_nContentHeight = grid.Filled() ? kSmallContent : grid.rows * m_nRowHeight;
    SetScrollSizes(CSize(kSmallWidth, m_nContentHeight));
    Invalidate();
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

// The last column reaches the page's edge, also when the main window's scroll bar narrows the page.
void CPagePartNo::TakeRecords()
{
    CVehicleDatabase* db = GetVehicleDatabase();
    m_pPartNos = db ? db->RequestPartNos({}) : nullptr;
}

void CPagePartNo::OnSize(int cx, int) { StretchLastColumn(m_items, cx); }

LRESULT CPagePartNo::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAGE_ACTION && !lParam.IsTyped() && lParam.Int() == kActionSelectItem) {
        CSelectionItem* item = wParam.As<CSelectionItem>();
        if (!item)
            return 0;
        if (m_pPressed && m_pPressed != item)
            m_pPressed->SetNormal();
        m_pPressed = item;
        return 1;
    }
    return CFilteredGridPage::OnMessage(msg, wParam, lParam);
}

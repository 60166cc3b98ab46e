#pragma once
// The part-number page: every sensor part number of the database as a grid
// of items, five a row, filtered by the search text. An item's release
// reports its part number to the main window.
#include "FilteredGridPage.h"
#include "PartNoItem.h"
#include "VehicleDatabase.h"

#include <memory>
#include <vector>

class CPagePartNo : public CFilteredGridPage {
public:
    static constexpr int kPageType = 7;
    static constexpr int kFirstItemId = CPartNoItem::kFirstId;

    CPagePartNo();
    ~CPagePartNo() override;

    int GetPageType() override;
    void RefreshLanguage() override;
    int ShowPage(bool rebuild, int restoreTabs) override;

    int GetItemWidth() const { return m_nItemWidth; }
    int GetRowHeight() const { return m_nRowHeight; }
    size_t GetItemCount() const { return m_nShown; }
    CPartNoItem* GetItem(size_t index) const { return index < m_nShown ? m_items[index].get() : nullptr; }
    CSelectionItem* GetPressedItem() const { return m_pPressed; }

protected:
    void OnDestroy() override;
    void OnSize(int cx, int cy) override;
    void TakeRecords() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DeleteItems();
    // Hides the items [from, to); they stay for the next layout.
    void HideItems(size_t from, size_t to);
    // The top pane as this page shows it: the main tabs, the search box, the daily records.
    void ShowTopPaneControls(int restoreTabs);
    // The part numbers the search text keeps, in the database's order.
    std::vector<const CPartNo*> MatchingPartNos() const;
    // Lays the kept part numbers out as the grid's items, reusing the items
    // made before; the grid's cells past them stay empty.
    void LayOutItems(const std::vector<const CPartNo*>& kept, const GridRows& grid, size_t wasShown);

    int m_nRowHeight;
    int m_nItemWidth;
    CSelectionItem* m_pPressed = nullptr;
    // The database's part numbers once read; asked for once.
    const LazyRecords<CPartNo>* m_pPartNos = nullptr;
    bool m_bRequested = false;
    // Every item made so far, item i with control id kFirstItemId + i; the
    // first m_nShown are the grid shown, the rest hidden for reuse (a page
    // rebuilt under typing makes no window again).
    std::vector<std::unique_ptr<CPartNoItem>> m_items;
    size_t m_nShown = 0;
};

#pragma once
// The year pane of the model page: the chosen model's years as a grid of
// year items, three a row, filled out with empty cells to one row past the
// pane. The model page's scroll bar scrolls it.
#include "VehicleRecords.h"
#include "Wnd.h"
#include "YearItem.h"

#include <memory>
#include <string>
#include <vector>

class CModelRightWnd : public Wnd {
public:
    static constexpr int kFirstItemId = CYearItem::kFirstId;

    CModelRightWnd();
    ~CModelRightWnd() override;

    void OnInitialUpdate();
    // The years of the model (none without one) whose name begins with the
    // trimmed filter, in any letter case.
    void Fill(const CModel* model, const std::wstring& filter);

    int GetContentHeight() const { return m_nContentHeight; }
    int GetItemWidth() const { return m_nItemWidth; }
    int GetItemHeight() const { return m_nItemHeight; }
    size_t GetItemCount() const { return m_items.size(); }
    CYearItem* GetItem(size_t index) const { return index < m_items.size() ? m_items[index].get() : nullptr; }
    CSelectionItem* GetPressedItem() const { return m_pPressed; }
    // The line shown instead of items (in the language in use), or "" when there are items.
    std::wstring GetNote() const;

protected:
    void OnDestroy() override;
    void OnSize(int cx, int cy) override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    bool OnMouseWheel(UINT flags, short delta, CPoint point) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DeleteItems();

    int m_nItemWidth;
    int m_nItemHeight;
    std::vector<std::unique_ptr<CYearItem>> m_items;
    CSelectionItem* m_pPressed = nullptr;
    int m_nContentHeight = 0;
    enum class Note { kNone, kNoMatch, kChooseModel } m_note = Note::kNone;
};

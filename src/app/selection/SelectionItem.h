#pragma once
// What a year item and a part-number item share: a cell of a grid that a
// page lays out, showing one record. Hovering lights it, a press selects it
// (state 3) and tells the parent (WM_PAGE_ACTION with the item, 0), the
// release after the press hands the record to the main window. The parent
// returns the item pressed before to normal. A cell without a record fills a
// row and takes no mouse.
#include "Color.h"
#include "HoverPress.h"
#include "Image.h"
#include "Wnd.h"

#include <string>

class CSelectionItem : public Wnd {
public:
    static constexpr int kStateNormal = 0;
    static constexpr int kStateSelected = 3;
    static constexpr int kStateHover = 5;

    ~CSelectionItem() override;

    virtual bool HasRecord() const = 0;
    // Back to normal (the parent does it when another item is pressed).
    void SetNormal();
    // The item made over for another place of its grid: its borders, normal,
    // no press or hover held (a page reuses its items as the filter changes).
    void Reset(bool rightBorder, bool bottomBorder);
    int GetState() const { return m_mouse.State(); }
    bool HasRightBorder() const { return m_bRightBorder; }
    bool HasBottomBorder() const { return m_bBottomBorder; }
    // The item's row and whether it ends its row, from its control id.
    int GetRow() const;
    bool IsLastInRow() const;

    // How one kind of item looks.
    struct Look {
        int firstId; // control id of the first item
        int perRow;  // items in a row
        COLORREF evenFace, oddFace;
        Color borderDark;
        bool bottomBorderShort; // the bottom border stops before the right border
        float fontSize;
        Color textNormal, textSelected;
        float textInset; // the text's box ends this far before the right edge
    };

protected:
    // The pictures of an item: selected, hover on an even row, hover on an odd row.
    enum Picture { kSelectedPicture, kHoverEvenPicture, kHoverOddPicture };

    CSelectionItem(const Look& look, bool rightBorder, bool bottomBorder);

    virtual std::wstring GetText() const = 0;
    virtual const Image* GetPicture(Picture which) = 0;
    // The release after a press: the record to the main window.
    virtual void SendSelection() = 0;
    // Before a press is taken; nothing here.
    virtual void OnPressing() {}

    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;

private:
    const Look& m_look;
    bool m_bBottomBorder;
    bool m_bRightBorder;
    CHoverPress m_mouse{kStateNormal}; // the state, the saved state, the press and the visit
};

// The rows of a grid of items, perRow a row, in a view of a height: the rows
// the items take, the rows that fit, and the rows drawn (one more than fit
// when the items take no more, the rest filled with empty cells).
struct GridRows {
    int rows = 0;
    int visible = 0;
    int drawn = 0;
    bool Filled() const { return visible >= rows; }
};
GridRows CountGridRows(int count, int perRow, int viewHeight, int rowHeight);
// The cell of an item: column c of row r; the last column reaches the view's right edge.
CRect GridCellRect(int index, int perRow, int cellWidth, int cellHeight, int viewWidth);
// Stretches the items that end their rows to the view's new width.
template <class Items> void StretchLastColumn(const Items& items, int width)
{
    for (const auto& item : items) {
        if (!item->IsLastInRow())
            continue;
        CRect r = item->GetWindowRect();
        r.right = width;
        item->MoveWindow(r);
    }
}

#include "ModelRightWnd.h"

#include "AppMessages.h"
#include "BasePage.h"
#include "EmptyListNote.h"
#include "UiScale.h"

namespace {

constexpr COLORREF kPaneFace = 0xF5F5F5;
// Scroll sizes of a pane whose rows all fit.
constexpr int kSmallWidth = 10;
constexpr int kSmallHeight = 100;
constexpr int kSmallContent = 10;

// Years are found by the start of their name, not anywhere in it.
bool StartsWithFilter(const std::wstring& name, const std::wstring& filter)
{
    const std::wstring f = TrimWhiteSpace(filter);
    if (f.empty())
        return true;
    return name.size() >= f.size() && LowerCase(name).compare(0, f.size(), LowerCase(f)) == 0;
}

} // namespace

CModelRightWnd::CModelRightWnd() : m_nItemWidth(ScaleLength(255)), m_nItemHeight(ScaleLength(135)) {}

CModelRightWnd::~CModelRightWnd() = default;

void CModelRightWnd::OnInitialUpdate() { SetScrollSizes(CSize(kSmallWidth, kSmallHeight)); }

void CModelRightWnd::OnDestroy() { DeleteItems(); }

void CModelRightWnd::DeleteItems()
{
    // The pressed item goes with the items, before any of them is gone.
    m_pPressed = nullptr;
    for (auto& item : m_items)
        item->DestroyWindow();
    m_items.clear();
}

void CModelRightWnd::Fill(const CModel* model, const std::wstring& filter)
{
    DeleteItems();
    m_note = Note::kNone;
    std::vector<const CYear*> kept;
    if (model)
        for (const auto& year : model->years)
            if (StartsWithFilter(year->name, filter))
                kept.push_back(year.get());

    const CRect client = GetClientRect();
    const int n = static_cast<int>(kept.size());
    const GridRows grid = CountGridRows(n, CYearItem::kPerRow, client.Height(), m_nItemHeight);
    if (n == 0) {
        // One line says why the pane is empty, instead of a grid of blank cells.
        m_note = model ? Note::kNoMatch : Note::kChooseModel;
    } else {
        for (int index = 0; index < grid.drawn * CYearItem::kPerRow; ++index) {
            const int row = index / CYearItem::kPerRow, column = index % CYearItem::kPerRow;
            auto item = std::make_unique<CYearItem>(index < n ? kept[size_t(index)] : nullptr,
                                                    column != CYearItem::kPerRow - 1, row != grid.drawn - 1);
            item->Create(this, GridCellRect(index, CYearItem::kPerRow, m_nItemWidth, m_nItemHeight, client.Width()),
                         kFirstItemId + index, WS_CHILD | WS_VISIBLE);
            m_items.push_back(std::move(item));
        }
    }
    const bool scrolls = !grid.Filled();
    SetScrollSizes(CSize(kSmallWidth, scrolls ? grid.rows * m_nItemHeight : kSmallHeight));
    m_nContentHeight = scrolls ? grid.rows * m_nItemHeight : kSmallContent;
    Invalidate();
}

// The last column reaches the pane's edge, also when the scroll bar narrows the pane.
void CModelRightWnd::OnSize(int cx, int) { StretchLastColumn(m_items, cx); }

bool CModelRightWnd::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kPaneFace);
    return true;
}

std::wstring CModelRightWnd::GetNote() const
{
    switch (m_note) {
    case Note::kNoMatch: return NoMatchText();
    case Note::kChooseModel: return ChooseModelText();
    default: return {};
    }
}

void CModelRightWnd::OnPaint(Graphics& g)
{
    if (m_note != Note::kNone)
        DrawEmptyListNote(g, GetClientRect(), GetNote());
}

bool CModelRightWnd::OnMouseWheel(UINT flags, short delta, CPoint)
{
    // The model page's scroll bar moves this pane.
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_SCROLL_WHEEL, flags, static_cast<int>(delta));
    return true;
}

LRESULT CModelRightWnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAGE_ACTION && !lParam.IsTyped() && lParam.Int() == kActionSelectItem) {
        CSelectionItem* item = wParam.As<CSelectionItem>();
        if (!item || item == m_pPressed)
            return 0;
        if (m_pPressed)
            m_pPressed->SetNormal();
        m_pPressed = item;
        return 1;
    }
    return Wnd::OnMessage(msg, wParam, lParam);
}

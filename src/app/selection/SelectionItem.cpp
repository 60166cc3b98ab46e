#include "SelectionItem.h"

#include "AppMessages.h"
#include "Font.h"

namespace {

constexpr Color kBorderLight{0xFFFEFEFE};

} // namespace

CSelectionItem::CSelectionItem(const Look& look, bool rightBorder, bool bottomBorder)
    : m_look(look), m_bBottomBorder(bottomBorder), m_bRightBorder(rightBorder)
{
}

CSelectionItem::~CSelectionItem() = default;

int CSelectionItem::GetRow() const { return (GetDlgCtrlID() - m_look.firstId) / m_look.perRow; }

bool CSelectionItem::IsLastInRow() const
{
    return (GetDlgCtrlID() - m_look.firstId) % m_look.perRow == m_look.perRow - 1;
}

void CSelectionItem::SetNormal()
{
    m_mouse.Keep(kStateNormal);
    Invalidate();
}

void CSelectionItem::Reset(bool rightBorder, bool bottomBorder)
{
    m_bRightBorder = rightBorder;
    m_bBottomBorder = bottomBorder;
    m_mouse.Forget();
    SetNormal();
}

bool CSelectionItem::OnEraseBkgnd(Graphics& g)
{
    // A selected item is covered by its picture.
    if (m_mouse.State() == kStateSelected)
        return false;
    g.FillRect(GetClientRect(), GetRow() % 2 == 0 ? m_look.evenFace : m_look.oddFace);
    return true;
}

void CSelectionItem::OnPaint(Graphics& g)
{
    const CRect client = GetClientRect();
    const float w = float(client.Width()), h = float(client.Height());
    const bool even = GetRow() % 2 == 0;
    const int state = m_mouse.State();
    if (HasRecord()) {
        const Image* picture = nullptr;
        if (state == kStateSelected)
            picture = GetPicture(kSelectedPicture);
        else if (state == kStateHover)
            picture = GetPicture(even ? kHoverEvenPicture : kHoverOddPicture);
        g.DrawImage(picture, RectF(0, 0, IsLastInRow() ? w - 1 : w - 2, h - 2));
    }
    if (m_bRightBorder) {
        g.DrawLine(m_look.borderDark, 1, w - 2, 0, w - 2, h);
        g.DrawLine(kBorderLight, 1, w - 1, 0, w - 1, h);
    }
    if (m_bBottomBorder) {
        const float right = m_look.bottomBorderShort ? w - 2 : w;
        g.DrawLine(m_look.borderDark, 1, 0, h - 2, right, h - 2);
        g.DrawLine(kBorderLight, 1, 0, h - 1, right, h - 1);
    }
    if (!HasRecord())
        return;
    const Color ink = state == kStateSelected ? m_look.textSelected : m_look.textNormal;
    g.DrawString(GetText(), Font(L"Arial", m_look.fontSize, FontStyleBold), ink, RectF(0, 0, w - m_look.textInset, h),
                 StringFormat(StringAlignmentCenter, StringAlignmentCenter));
}

void CSelectionItem::OnMouseMove(UINT, CPoint)
{
    if (!HasRecord() || m_mouse.State() == kStateSelected || !m_mouse.Enter(kStateHover))
        return;
    TrackMouseEvent(TME_LEAVE);
    Invalidate();
}

void CSelectionItem::OnMouseLeave()
{
    m_mouse.Leave();
    Invalidate();
}

void CSelectionItem::OnLButtonDown(UINT, CPoint)
{
    if (!HasRecord())
        return;
    OnPressing();
    m_mouse.Keep(kStateSelected);
    Invalidate();
    UpdateWindow();
    m_mouse.Press();
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_PAGE_ACTION, MsgParam::Of(this), kActionSelectItem);
}

void CSelectionItem::OnLButtonUp(UINT, CPoint)
{
    if (!m_mouse.Release())
        return;
    // The receiver may hide this item's page: nothing of it is touched afterwards.
    SendSelection();
}

GridRows CountGridRows(int count, int perRow, int viewHeight, int rowHeight)
{
    GridRows g;
    g.rows = (count + perRow - 1) / perRow;
    g.visible = rowHeight > 0 ? viewHeight / rowHeight : 0;
    g.drawn = g.Filled() ? g.visible + 1 : g.rows;
    return g;
}

CRect GridCellRect(int index, int perRow, int cellWidth, int cellHeight, int viewWidth)
{
    const int r = index / perRow, c = index % perRow;
    return CRect(c * cellWidth, r * cellHeight, c == perRow - 1 ? viewWidth : (c + 1) * cellWidth,
                 (r + 1) * cellHeight);
}

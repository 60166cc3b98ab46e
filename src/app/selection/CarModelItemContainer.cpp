#include "CarModelItemContainer.h"

#include "AppMessages.h"

namespace {

constexpr COLORREF kListFace = 0xE2E0DF;

} // namespace

CCarModelItemContainer::CCarModelItemContainer() = default;

CCarModelItemContainer::~CCarModelItemContainer() = default;

void CCarModelItemContainer::OnInitialUpdate() { SetScrollSizes(CSize(1, 1)); }

void CCarModelItemContainer::OnDestroy() { DeleteTiles(); }

void CCarModelItemContainer::DeleteTiles()
{
    // The selection goes with the tiles, before any of them is gone.
    m_pSelected = nullptr;
    for (auto& tile : m_tiles)
        tile->DestroyWindow();
    m_tiles.clear();
}

void CCarModelItemContainer::SetModels(const std::vector<std::unique_ptr<CModel>>* models)
{
    if (!models)
        return;
    DeleteTiles();
    const CRect client = GetClientRect();
    const int count = static_cast<int>(models->size());
    // The last tile of a list that scrolls has no rule under it.
    const bool overflow = client.Height() / kTileHeight < count;
    for (int i = 0; i < count; ++i) {
        const bool separator = !(overflow && i == count - 1);
        auto tile = std::make_unique<CCarModelItem>((*models)[size_t(i)].get(), separator);
        tile->Create(this, CRect(client.left, kTileHeight * i, client.right, kTileHeight * (i + 1)), kFirstTileId + i,
                     WS_CHILD | WS_VISIBLE);
        tile->ShowWindow(SW_SHOW);
        tile->UpdateWindow();
        m_tiles.push_back(std::move(tile));
    }
    m_nContentHeight = kTileHeight * count;
    SetScrollSizes(CSize(1, m_nContentHeight));
    ShowWindow(SW_SHOW);
}

void CCarModelItemContainer::SelectItem(CCarModelItem* tile)
{
    if (!tile || tile == m_pSelected)
        return;
    if (m_pSelected) {
        m_pSelected->SetState(CCarModelItem::kStateNormal);
        m_pSelected->Invalidate();
        m_pSelected->UpdateWindow();
    }
    m_pSelected = tile;
    tile->SetState(CCarModelItem::kStateSelected);
    tile->Invalidate();
    tile->UpdateWindow();
    Wnd* parent = GetParent();
    if (Wnd* page = parent ? parent->GetParent() : nullptr)
        page->SendMessage(WM_MODEL_SELECTED, MsgParam::Of(tile->GetModel()), 0);
}

void CCarModelItemContainer::RedrawItems()
{
    for (auto& tile : m_tiles) {
        tile->Invalidate();
        tile->ShowWindow(SW_SHOW);
        tile->UpdateWindow();
    }
}

bool CCarModelItemContainer::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kListFace);
    return true;
}

bool CCarModelItemContainer::OnMouseWheel(UINT flags, short delta, CPoint)
{
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_SCROLL_WHEEL, flags, static_cast<int>(delta));
    return true;
}

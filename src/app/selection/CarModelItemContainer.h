#pragma once
// The scrolling list of a brand's models on the model page's left pane: one
// tile 47 pixels high per model. The tile chosen is reported to the model
// page as WM_MODEL_SELECTED (the model, 0); wheel turns go to the pane, whose
// scroll bar moves the list.
#include "CarModelItem.h"
#include "VehicleRecords.h"
#include "Wnd.h"

#include <memory>
#include <vector>

class CCarModelItemContainer : public Wnd {
public:
    static constexpr int kTileHeight = 47;
    static constexpr int kFirstTileId = 13000;

    CCarModelItemContainer();
    ~CCarModelItemContainer() override;

    void OnInitialUpdate();
    // Makes a tile for each model, anew; nothing without a list.
    void SetModels(const std::vector<std::unique_ptr<CModel>>* models);
    // Selects the tile and reports its model, unless it is selected already.
    void SelectItem(CCarModelItem* tile);
    // Repaints every tile now.
    void RedrawItems();

    int GetContentHeight() const { return m_nContentHeight; }
    CCarModelItem* GetSelectedItem() const { return m_pSelected; }
    size_t GetItemCount() const { return m_tiles.size(); }
    CCarModelItem* GetItem(size_t index) const { return index < m_tiles.size() ? m_tiles[index].get() : nullptr; }

protected:
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;
    bool OnMouseWheel(UINT flags, short delta, CPoint point) override;

private:
    void DeleteTiles();

    int m_nContentHeight = 0;
    std::vector<std::unique_ptr<CCarModelItem>> m_tiles;
    CCarModelItem* m_pSelected = nullptr;
};

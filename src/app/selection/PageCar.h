#pragma once
// The brand page of a region: the region's brands as a grid of logo panels,
// filtered by the search text. A panel's click reports its brand to the main
// window. The brand records belong to the vehicle database; the page only
// shows them.
#include "BrandWnd.h"
#include "FilteredGridPage.h"
#include "VehicleRecords.h"

#include <memory>
#include <vector>

class CPageCar : public CFilteredGridPage {
public:
    static constexpr int kFirstPanelId = 11000;
    static constexpr int kPanelFontSize = 14;

    explicit CPageCar(ECarsStyle region);
    ~CPageCar() override;

    // The region for every region (0 for none): each region has its own model page.
    int GetPageType() override;
    void RefreshLanguage() override;
    int ShowPage(bool rebuild, int restoreTabs) override;
    void OnInitialUpdate() override;

    int GetRegion() const { return m_nRegion; }
    int GetPanelWidth() const { return m_nPanelWidth; }
    int GetPanelHeight() const { return m_nPanelHeight; }
    size_t GetPanelCount() const { return m_panels.size(); }
    CBrandWnd* GetPanel(size_t index) const { return index < m_panels.size() ? m_panels[index].get() : nullptr; }

protected:
    int OnCreate() override;
    void TakeRecords() override;
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;

private:
    // The brands' panels, and whether the region's file was damaged.
    void MakePanels();

    int m_nRegion;
    const CBrands* m_pBrands = nullptr;
    int m_nPanelWidth;
    int m_nPanelHeight;
    std::vector<std::unique_ptr<CBrandWnd>> m_panels;
};

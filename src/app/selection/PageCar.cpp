#include "PageCar.h"

#include "TopPaneControls.h"
#include "UiScale.h"
#include "VehicleDatabase.h"

namespace {

constexpr COLORREF kPageFace = 0xC7C6C5;
// The grid: its first panel's place and the gap between two panels of a row.
constexpr int kGridLeft = 20;
constexpr int kGridTop = 30;
constexpr int kPanelGap = 60;

} // namespace

CPageCar::CPageCar(ECarsStyle region)
    : m_nRegion(region), m_nPanelWidth(ScaleLength(145)), m_nPanelHeight(ScaleLength(160))
{
}

CPageCar::~CPageCar() = default;

int CPageCar::GetPageType()
{
    if (m_nRegion >= CARS_STYLE_US && m_nRegion <= CARS_STYLE_KR)
        return m_nRegion;
    return m_nRegion == 0 ? 0 : 1;
}

void CPageCar::RefreshLanguage() { Invalidate(); }

void CPageCar::OnInitialUpdate() {}

int CPageCar::OnCreate()
{
    CBasePage::OnCreate();
    CVehicleDatabase* db = GetVehicleDatabase();
    // A large region is read on a worker; the page says so until it is there.
    m_pBrands = db ? db->RequestBrands(static_cast<ECarsStyle>(m_nRegion), PostWhenRead()) : nullptr;
    m_bLoading = db && !m_pBrands && m_nRegion >= CARS_STYLE_US && m_nRegion <= CARS_STYLE_KR;
    MakePanels();
    return 0;
}

void CPageCar::TakeRecords()
{
    CVehicleDatabase* db = GetVehicleDatabase();
    m_pBrands = db ? db->LoadedBrands(static_cast<ECarsStyle>(m_nRegion)) : nullptr;
    MakePanels();
}

void CPageCar::MakePanels()
{
    // A damaged file shows no brands: the user learns why the page is empty.
    CVehicleDatabase* db = GetVehicleDatabase();
    m_bDamaged = m_pBrands && db && db->IsRegionDamaged(static_cast<ECarsStyle>(m_nRegion));
    if (!m_pBrands || !m_panels.empty())
        return;
    for (size_t i = 0; i < m_pBrands->brands.size(); ++i) {
        auto panel = std::make_unique<CBrandWnd>(m_pBrands->brands[i]->name, CBrandWnd::kModeGrid, m_nPanelWidth,
                                                 m_nPanelHeight, kPanelFontSize);
        panel->Create(this, CRect(), kFirstPanelId + static_cast<int>(i), WS_CHILD | WS_VISIBLE);
        m_childControls.push_back(panel.get());
        m_panels.push_back(std::move(panel));
    }
}

void CPageCar::OnDestroy()
{
    // Only the panels are the page's: the brands stay with the vehicle database.
    m_childControls.clear();
    for (auto& panel : m_panels)
        panel->DestroyWindow();
    m_panels.clear();
}

int CPageCar::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        m_pTopPane->ShowBackButton(false);
        m_pTopPane->ShowSearchView(true);
        m_pTopPane->ShowFunctionListButton(true);
        m_pTopPane->ShowDailyFileButton(true);
    }
    if (!rebuild && !TakeRebuildWhenShown())
        return ShowAsItWas(rebuild, restoreTabs);
    EmptySearchTextForEmptyFilter();
    HideControls();
    m_bNoMatch = false;
    if (m_bLoading) {
        // The note alone, with no scroll bar, until the brands are read.
        Invalidate();
        m_nContentHeight = 0;
        SetScrollSizes(CSize(0, 0));
        return CBasePage::ShowPage(rebuild, restoreTabs);
    }
    if (!m_pBrands) {
        ShowWindow(SW_SHOW);
        SetScrollSizes(CSize(0, 0));
        return 0;
    }

    int x = kGridLeft, y = kGridTop;
    const int width = GetClientRect().Width();
    int shown = 0;
    for (size_t i = 0; i < m_pBrands->brands.size() && i < m_panels.size(); ++i) {
        if (!MatchesFilter(m_pBrands->brands[i]->name, m_strFilter))
            continue;
        // A new row when the panel would pass the edge, never before a row's first panel.
        if (x != kGridLeft && width < x + m_nPanelWidth) {
            y += m_nPanelHeight;
            x = kGridLeft;
        }
        CBrandWnd* panel = m_panels[i].get();
        panel->MoveWindow(CRect(x, y, x + m_nPanelWidth, y + m_nPanelHeight));
        panel->ShowWindow(SW_SHOW);
        panel->UpdateWindow();
        x += m_nPanelWidth + kPanelGap;
        ++shown;
    }
    m_bNoMatch = shown == 0 && !m_pBrands->brands.empty();

    Invalidate();
    ScrollToPosition(CPoint(0, 0));
    m_nContentHeight = y + m_nPanelHeight;
    SetScrollSizes(CSize(0, m_nContentHeight));
    SetFocus();
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

bool CPageCar::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kPageFace);
    return true;
}

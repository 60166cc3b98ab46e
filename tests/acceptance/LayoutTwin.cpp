#include "LayoutTwin.h"

#include "BRELK2App.h"
#include "BRELK2Dlg.h"
#include "CarModelItem.h"
#include "CarModelItemContainer.h"
#include "ConnectStatusView.h"
#include "DeviceMap.h"
#include "DevicePresence.h"
#include "MenuTabs.h"
#include "ModelLeftWnd.h"
#include "ModelRightWnd.h"
#include "PageCar.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "SearchView.h"
#include "TopPane.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "VehicleRecords.h"

LayoutTwin::LayoutTwin(int screenWidth, int screenHeight)
{
    EnsureUiApp();
    // No serial device takes part: the twin never talks to a Brelk.
    DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
    theApp.m_setupInfo.carsStyle = 1;
    ScreenInfo screen{CSize(screenWidth, screenHeight), CRect(0, 0, screenWidth, screenHeight)};
    m_dlg = std::make_unique<CBRELK2Dlg>(&screen);
    m_dlg->GetDevicePresence().SetMonitor(nullptr);
    SetMainWindow(m_dlg.get());
    const CSize size = m_dlg->GetWindowSize();
    m_dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP);
    ShowAndWait(*m_dlg);
    // In, as F2 on the start-up window lets the user in.
    m_dlg->SetConnectState(CDevicePresence::kViewDisconnected, 1);
    RunEvents(50);
}

LayoutTwin::~LayoutTwin()
{
    if (m_dlg)
        m_dlg->DestroyWindow();
    m_dlg.reset();
    SetMainWindow(nullptr);
    DeviceMap::SetSource({});
}

void LayoutTwin::Click(CPoint point)
{
    MouseClick(*m_dlg, point);
    RunEvents(20);
}

void LayoutTwin::ChooseRegion(int region)
{
    CMenuTabs* tabs = m_dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
    if (!tabs || !tabs->GetRegionBox())
        return;
    tabs->GetRegionBox()->SetCurSel(region - 1);
    tabs->OnRegionChanged();
    RunEvents(20);
}

void LayoutTwin::TypeSearch(const std::wstring& text)
{
    if (CSearchView* view = m_dlg->GetTopPane()->GetSearchView())
        TypeText(view->GetEdit(), text);
    RunEvents(20);
}

CRect LayoutTwin::Of(Wnd* wnd) const
{
    if (!wnd || !CallOnUiThread([&] { return wnd->IsWindowVisible(); }))
        return CRect();
    return RectInTopLevel(*wnd);
}

CRect LayoutTwin::MainTab(int index) const
{
    CMenuTabs* tabs = m_dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
    return tabs ? Of(tabs->GetTab(index)) : CRect();
}

CRect LayoutTwin::SensorTab(int pageId) const
{
    CMenuTabs* tabs = m_dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeSensor);
    if (!tabs)
        return CRect();
    for (int i = 0; i < 3; ++i)
        if (CCustButton* tab = tabs->GetTab(i); tab && tab->GetDlgCtrlID() == pageId)
            return Of(tab);
    return CRect();
}

CRect LayoutTwin::RegionBox() const
{
    CMenuTabs* tabs = m_dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
    return tabs ? Of(tabs->GetRegionBox()) : CRect();
}

CRect LayoutTwin::BackButton() const { return Of(m_dlg->GetTopPane()->GetButton(CTopPane::kBackId)); }

CRect LayoutTwin::SearchEdit() const
{
    CSearchView* view = m_dlg->GetTopPane()->GetSearchView();
    return view ? Of(&view->GetEdit()) : CRect();
}

CRect LayoutTwin::ConnectionView() const { return Of(m_dlg->GetTopPane()->GetConnectStatusView()); }

CRect LayoutTwin::Brand(const std::wstring& name) const
{
    auto* page = dynamic_cast<CPageCar*>(m_dlg->GetCurrentPage());
    for (size_t i = 0; page && i < page->GetPanelCount(); ++i)
        if (page->GetPanel(i)->GetBrandName() == name)
            return Of(page->GetPanel(i)->GetButton());
    return CRect();
}

CRect LayoutTwin::Model(const std::wstring& name) const
{
    auto* page = dynamic_cast<CPageModel*>(m_dlg->GetCurrentPage());
    CCarModelItemContainer* list = page && page->GetLeftPane() ? page->GetLeftPane()->GetList() : nullptr;
    for (size_t i = 0; list && i < list->GetItemCount(); ++i)
        if (list->GetItem(i)->GetModel() && list->GetItem(i)->GetModel()->name == name)
            return Of(list->GetItem(i));
    return CRect();
}

CRect LayoutTwin::Year(const std::wstring& name) const
{
    auto* page = dynamic_cast<CPageModel*>(m_dlg->GetCurrentPage());
    CModelRightWnd* years = page ? page->GetYearPane() : nullptr;
    for (size_t i = 0; years && i < years->GetItemCount(); ++i)
        if (years->GetItem(i)->GetYear() && years->GetItem(i)->GetYear()->name == name)
            return Of(years->GetItem(i));
    return CRect();
}

CRect LayoutTwin::PartNumber(const std::wstring& name) const
{
    auto* page = dynamic_cast<CPagePartNo*>(m_dlg->GetCurrentPage());
    for (size_t i = 0; page && i < page->GetItemCount(); ++i)
        if (page->GetItem(i)->GetPartNo() && page->GetItem(i)->GetPartNo()->fields[0] == name)
            return Of(page->GetItem(i));
    return CRect();
}

CRect LayoutTwin::PageControl(int id) const
{
    CBasePage* page = m_dlg->GetCurrentPage();
    return page ? Of(page->GetDlgItem(id)) : CRect();
}

CRect LayoutTwin::Page() const { return m_dlg->GetPageRect(); }

std::unique_ptr<Image> LayoutTwin::Grab() const { return GrabWindow(*m_dlg); }

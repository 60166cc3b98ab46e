// The selection pages as a user meets them: the program's own pages over the
// sample data in its own window, driven by mouse clicks and typed keys.
#include "AppMessages.h"
#include "BRELK2App.h"
#include "BrandBtn.h"
#include "BrandWnd.h"
#include "CarModelItemContainer.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "ModelLeftWnd.h"
#include "ModelRightWnd.h"
#include "MyScrollBar.h"
#include "PageCar.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "PageTestSensor.h"
#include "PartNoItem.h"
#include "SearchView.h"
#include "TopPane.h"
#include "UiScale.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <ostream>

namespace {

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

// Whether two grabs show the same pixels.
bool SamePixels(const Image& a, const Image& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (!(a.GetPixel(x, y) == b.GetPixel(x, y)))
                return false;
    return true;
}

CPoint Centre(Wnd& w)
{
    const CRect r = w.GetClientRect();
    return CPoint(r.Width() / 2, r.Height() / 2);
}

class SelectionPagesTest : public PagesTest {
protected:
    static CBrandWnd* Panel(CPageCar& page, const std::wstring& brand)
    {
        for (size_t i = 0; i < page.GetPanelCount(); ++i)
            if (page.GetPanel(i)->GetBrandName() == brand)
                return page.GetPanel(i);
        return nullptr;
    }
    static CCustButton* MainTab(CBRELK2Dlg& dlg, int index)
    {
        return dlg.GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain)->GetTab(index);
    }
    static CSearchEdit& SearchEdit(CBRELK2Dlg& dlg) { return dlg.GetTopPane()->GetSearchView()->GetEdit(); }
    // The part numbers the page shows, in order.
    static std::vector<std::wstring> Shown(const CPagePartNo& page)
    {
        std::vector<std::wstring> shown;
        for (size_t i = 0; i < page.GetItemCount(); ++i)
            if (const CPartNo* p = page.GetItem(i)->GetPartNo())
                shown.push_back(p->fields[0]);
        return shown;
    }
};

TEST_F(SelectionPagesTest, ChoosingRegionBrandModelAndYearReachesTheOperationPage)
{
    auto dlg = OpenProgram();
    CTopPane* top = dlg->GetTopPane();
    // At entry the main tabs stand where the help button was, and the region's brands show.
    ASSERT_TRUE(top->GetMenuTabs(CMenuTabs::kModeMain));
    EXPECT_TRUE(top->GetMenuTabs(CMenuTabs::kModeMain)->IsWindowVisible());
    EXPECT_FALSE(top->GetButton(CTopPane::kHelpId)->IsWindowVisible());
    ASSERT_TRUE(top->GetConnectStatusView());
    EXPECT_EQ(top->GetConnectStatusView()->GetState(), CConnectStatusView::kStateConnected);
    ASSERT_TRUE(Current<CPageCar>(*dlg));
    EXPECT_EQ(CurrentId(*dlg), 10213);

    // The region: Europe, chosen in the box under the car tab.
    CMyComboBox* box = top->GetMenuTabs(CMenuTabs::kModeMain)->GetRegionBox();
    box->SetFocus();
    KeyPress(*box, VK_DOWN);
    EXPECT_EQ(theApp.m_setupInfo.carsStyle, 2);
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars);
    EXPECT_EQ(cars->GetRegion(), 2);

    // The brand: a click on its logo opens the region's model page.
    CBrandWnd* velsor = Panel(*cars, L"Velsor");
    ASSERT_TRUE(velsor && velsor->IsWindowVisible());
    MouseClick(*velsor->GetButton(), Centre(*velsor->GetButton()));
    CPageModel* models = Current<CPageModel>(*dlg);
    ASSERT_TRUE(models);
    EXPECT_EQ(CurrentId(*dlg), 102092);
    ASSERT_TRUE(dlg->GetBrandSelection());
    EXPECT_EQ(dlg->GetBrandSelection()->name, L"Velsor");
    EXPECT_EQ(dlg->GetModelSelection(), nullptr);
    EXPECT_TRUE(top->GetButton(CTopPane::kBackId)->IsWindowVisible());
    EXPECT_EQ(models->GetLeftPane()->GetHeader()->GetBrandName(), L"Velsor");
    // Before a model is chosen the year pane says so, with no cells.
    EXPECT_EQ(models->GetYearPane()->GetItemCount(), 0u);
    EXPECT_EQ(models->GetYearPane()->GetNote(), L"Choose a model on the left.");

    // The model: a click on its tile fills the years and keeps the model.
    CCarModelItemContainer* list = models->GetLeftPane()->GetList();
    ASSERT_EQ(list->GetItemCount(), 2u);
    CCarModelItem* fenn = list->GetItem(0);
    EXPECT_EQ(fenn->GetModel()->name, L"Fenn");
    MouseClick(*fenn, CPoint(100, 20));
    EXPECT_EQ(dlg->GetModelSelection(), fenn->GetModel());
    EXPECT_EQ(list->GetSelectedItem(), fenn);
    EXPECT_EQ(models->GetModel(), fenn->GetModel());
    CModelRightWnd* years = models->GetYearPane();
    ASSERT_GE(years->GetItemCount(), 3u);
    EXPECT_EQ(years->GetItem(0)->GetYear()->name, L"2015");

    // The year: its release prepares the operation pages and shows the test page.
    MouseClick(*years->GetItem(1), Centre(*years->GetItem(1)));
    EXPECT_EQ(CurrentId(*dlg), kPageTestSensor);
    ASSERT_TRUE(dlg->GetVehicleSelection());
    EXPECT_EQ(dlg->GetVehicleSelection()->name, L"2016");
    EXPECT_EQ(dlg->GetSelectionKind(), 0);
    EXPECT_EQ(dlg->GetBrandSelection()->name, L"Velsor");
    EXPECT_EQ(dlg->GetModelSelection()->name, L"Fenn");
    auto* test = Current<CPageTestSensor>(*dlg);
    ASSERT_TRUE(test);
    EXPECT_EQ(test->ComposeLines().a, L"Vehicle: Velsor-->Fenn-->2016");
    EXPECT_TRUE(top->GetMenuTabs(CMenuTabs::kModeSensor)->IsWindowVisible());
    EXPECT_FALSE(top->GetMenuTabs(CMenuTabs::kModeMain)->IsWindowVisible());

    // Back: the model page as it was, the main tabs back; back once more: the brands.
    MouseClick(*top->GetButton(CTopPane::kBackId), CPoint(30, 12));
    EXPECT_EQ(CurrentId(*dlg), 102092);
    EXPECT_TRUE(top->GetMenuTabs(CMenuTabs::kModeMain)->IsWindowVisible());
    EXPECT_FALSE(top->GetMenuTabs(CMenuTabs::kModeSensor)->IsWindowVisible());
    EXPECT_EQ(models->GetModel(), fenn->GetModel());
    MouseClick(*top->GetButton(CTopPane::kBackId), CPoint(30, 12));
    EXPECT_EQ(CurrentId(*dlg), 10214);
    EXPECT_FALSE(top->GetButton(CTopPane::kBackId)->IsWindowVisible());

    // Another brand: the model chosen before is forgotten.
    CBrandWnd* norvak = Panel(*cars, L"Norvak");
    MouseClick(*norvak->GetButton(), Centre(*norvak->GetButton()));
    EXPECT_EQ(dlg->GetBrandSelection()->name, L"Norvak");
    EXPECT_EQ(dlg->GetModelSelection(), nullptr);
    EXPECT_EQ(Current<CPageModel>(*dlg)->GetModel(), nullptr);
}

TEST_F(SelectionPagesTest, JapanOpensItsOwnModelPage)
{
    theApp.m_setupInfo.carsStyle = 4;
    auto dlg = OpenProgram();
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars);
    EXPECT_EQ(cars->GetPageType(), 4);
    CBrandWnd* panel = cars->GetPanel(0);
    MouseClick(*panel->GetButton(), Centre(*panel->GetButton()));
    EXPECT_EQ(CurrentId(*dlg), 102094);
}

// Brand panels, year items and part-number items at both scales, against the
// sizes and places the layout gives: 145 x 160 panels from x 20 every 205
// pixels (60 between), 255 x 135 years, 202 x 98 part numbers, all scaled.
struct ScaleCase {
    const ScreenInfo* screen;
    CSize panel;
    std::vector<int> rowX; // the panels of the first row
    CSize year;
    CSize partNo;
    int leftPane;
};

void PrintTo(const ScaleCase& c, std::ostream* os)
{
    *os << (c.screen == &kLargeScreen ? "scale 1.0" : "scale 0.78125");
}

class SelectionPagesAtScale : public SelectionPagesTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(SelectionPagesAtScale, RectanglesOfPanelsAndItems)
{
    const ScaleCase& c = GetParam();
    // Nine brands: five a row at 1.0, four at 0.78125.
    CBrands* us = GetVehicleDatabase()->GetBrands(CARS_STYLE_US);
    for (const wchar_t* name : {L"Aalto", L"Caddan", L"Duvel", L"Eskar", L"Fyrne", L"Gault"})
        us->AddBrand(name, L"9");
    auto dlg = OpenProgram(*c.screen);
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars);
    ASSERT_EQ(cars->GetPanelCount(), 9u);
    const int perRow = static_cast<int>(c.rowX.size());
    for (int i = 0; i < 9; ++i) {
        const int x = c.rowX[size_t(i % perRow)], y = 30 + (i / perRow) * c.panel.cy;
        EXPECT_EQ(cars->GetPanel(size_t(i))->GetWindowRect(), CRect(x, y, x + c.panel.cx, y + c.panel.cy)) << i;
    }

    std::wstring name = L"Brunmark";
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
    CPageModel* models = Current<CPageModel>(*dlg);
    ASSERT_TRUE(models);
    EXPECT_EQ(models->GetYearRect().left, c.leftPane);
    CCarModelItem* tile = models->GetLeftPane()->GetList()->GetItem(0);
    EXPECT_EQ(tile->GetWindowRect().Height(), 47); // tiles are not scaled
    MouseClick(*tile, CPoint(60, 20));
    CModelRightWnd* years = models->GetYearPane();
    ASSERT_GE(years->GetItemCount(), 3u);
    EXPECT_EQ(years->GetItem(0)->GetWindowRect(), CRect(0, 0, c.year.cx, c.year.cy));
    EXPECT_EQ(years->GetItem(1)->GetWindowRect(), CRect(c.year.cx, 0, 2 * c.year.cx, c.year.cy));
    // The third column reaches the pane's edge.
    EXPECT_EQ(years->GetItem(2)->GetWindowRect().right, years->GetClientRect().Width());
    // The page reports a content height of 10: the main window's bar stays hidden.
    EXPECT_EQ(models->GetContentHeight(), 10);
    EXPECT_FALSE(dlg->GetScrollBar()->IsWindowVisible());

    MouseClick(*MainTab(*dlg, 1), CPoint(40, 15));
    CPagePartNo* parts = Current<CPagePartNo>(*dlg);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->GetItem(0)->GetWindowRect(), CRect(0, 0, c.partNo.cx, c.partNo.cy));
    EXPECT_EQ(parts->GetItem(1)->GetWindowRect(), CRect(c.partNo.cx, 0, 2 * c.partNo.cx, c.partNo.cy));
    EXPECT_EQ(parts->GetItem(4)->GetWindowRect().right, parts->GetClientRect().Width());
}

INSTANTIATE_TEST_SUITE_P(
    Scales, SelectionPagesAtScale,
    ::testing::Values(
        ScaleCase{&kLargeScreen, CSize(145, 160), {20, 225, 430, 635, 840}, CSize(255, 135), CSize(202, 98), 290},
        ScaleCase{&kSmallScreen, CSize(113, 125), {20, 193, 366, 539}, CSize(199, 105), CSize(157, 76), 226}),
    [](const ::testing::TestParamInfo<ScaleCase>& scale) {
        return std::string(scale.param.screen == &kLargeScreen ? "Scale100" : "Scale78");
    });

TEST_F(SelectionPagesTest, ThePartNumberPageFiltersAsTheUserTypes)
{
    auto dlg = OpenProgram();
    MouseClick(*MainTab(*dlg, 1), CPoint(40, 15));
    CPagePartNo* parts = Current<CPagePartNo>(*dlg);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->GetPageType(), 7);
    const std::vector<std::wstring> all = {L"BRK-D040", L"BRK-D040S", L"BRK-D07C", L"BRK-D0B2",
                                           L"BRK-D1A3", L"BRK-D1ED",  L"BRK-X0FF"};
    EXPECT_EQ(Shown(*parts), all);
    // Seven part numbers fit: the grid is filled to one row past the page, and
    // the function-list button is not shown here.
    EXPECT_EQ(parts->GetItemCount(), size_t((665 / 98 + 1) * 5));
    EXPECT_FALSE(dlg->GetTopPane()->GetButton(CTopPane::kFunctionListId)->IsWindowVisible());

    CSearchEdit& edit = SearchEdit(*dlg);
    MouseClick(edit, CPoint(20, 8));
    // Anywhere in the name, in any letter case.
    TypeText(edit, L"d0");
    EXPECT_EQ(Shown(*parts), (std::vector<std::wstring>{L"BRK-D040", L"BRK-D040S", L"BRK-D07C", L"BRK-D0B2"}));
    TypeText(edit, L"b");
    EXPECT_EQ(Shown(*parts), (std::vector<std::wstring>{L"BRK-D0B2"}));
    EXPECT_EQ(parts->GetFilterText(), L"d0b");
    // The edit keeps the focus while the page rebuilds under it.
    EXPECT_EQ(Wnd::GetFocus(), &edit);
    for (int i = 0; i < 3; ++i)
        KeyPress(edit, VK_BACK);
    EXPECT_EQ(Shown(*parts), all);
    // A filter of spaces matches everything.
    TypeText(edit, L"   ");
    EXPECT_EQ(parts->GetFilterText(), L"   ");
    EXPECT_EQ(Shown(*parts), all);
    // One longer than every name matches nothing, and the page says so in one line.
    for (int i = 0; i < 3; ++i)
        KeyPress(edit, VK_BACK);
    TypeText(edit, L"BRK-D040S-X");
    EXPECT_TRUE(Shown(*parts).empty());
    EXPECT_EQ(parts->GetItemCount(), 0u);
    EXPECT_TRUE(parts->ShowsNoMatch());

    // The caret stays where it was while the page rebuilds under typing.
    edit.SetSel(0, -1);
    TypeText(edit, L"D0");
    KeyPress(edit, VK_LEFT);
    TypeText(edit, L"x");
    TypeText(edit, L"y");
    EXPECT_EQ(edit.GetWindowText(), L"Dxy0");
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 3);
    EXPECT_TRUE(parts->ShowsNoMatch());

    // Delete at the end still filters; the selection's Delete takes it out.
    edit.SetSel(1, 3);
    KeyPress(edit, VK_DELETE);
    EXPECT_EQ(edit.GetWindowText(), L"D0");
    EXPECT_EQ(Shown(*parts).size(), 4u);

    // A part number chosen: the operation page with that part number.
    MouseClick(*parts->GetItem(1), Centre(*parts->GetItem(1)));
    EXPECT_EQ(CurrentId(*dlg), kPageTestSensor);
    EXPECT_EQ(dlg->GetSelectionKind(), 1);
    ASSERT_TRUE(dlg->GetPartNoSelection());
    EXPECT_EQ(dlg->GetPartNoSelection()->fields[0], L"BRK-D040S");
    EXPECT_EQ(Current<CPageTestSensor>(*dlg)->ComposeLines().a, L"Part number: BRK-D040S");
    // Back: the page as it was, its filter in the search box.
    dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kBackId, kActionBack);
    EXPECT_EQ(CurrentId(*dlg), kPagePartNo);
    EXPECT_EQ(edit.GetWindowText(), L"D0");
    EXPECT_EQ(parts->GetPressedItem(), parts->GetItem(1));
}

TEST_F(SelectionPagesTest, TheBrandAndYearFilters)
{
    auto dlg = OpenProgram();
    CPageCar* cars = Current<CPageCar>(*dlg);
    CSearchEdit& edit = SearchEdit(*dlg);
    MouseClick(edit, CPoint(20, 8));
    TypeText(edit, L"AR");
    // "AR" is in "Brunmark" and "Tarrin" once the letter case is let go.
    EXPECT_TRUE(Panel(*cars, L"Brunmark")->IsWindowVisible());
    EXPECT_TRUE(Panel(*cars, L"Tarrin")->IsWindowVisible());
    EXPECT_FALSE(Panel(*cars, L"Norvak")->IsWindowVisible());
    EXPECT_EQ(Panel(*cars, L"Tarrin")->GetWindowRect().left, 225);
    TypeText(edit, L"q");
    EXPECT_TRUE(cars->ShowsNoMatch());
    EXPECT_FALSE(Panel(*cars, L"Brunmark")->IsWindowVisible());

    // On the model page the search filters the years by their start.
    edit.SetSel(0, -1);
    KeyPress(edit, VK_BACK);
    EXPECT_EQ(cars->GetFilterText(), L"");
    CBrandWnd* brunmark = Panel(*cars, L"Brunmark");
    ASSERT_TRUE(brunmark->IsWindowVisible());
    MouseClick(*brunmark->GetButton(), Centre(*brunmark->GetButton()));
    CPageModel* models = Current<CPageModel>(*dlg);
    ASSERT_TRUE(models);
    EXPECT_EQ(edit.GetWindowText(), L"");
    CCarModelItem* arvo = models->GetLeftPane()->GetList()->GetItem(0);
    MouseClick(*arvo, CPoint(60, 20));
    auto years = [&] {
        std::vector<std::wstring> names;
        CModelRightWnd* pane = models->GetYearPane();
        for (size_t i = 0; i < pane->GetItemCount(); ++i)
            if (const CYear* y = pane->GetItem(i)->GetYear())
                names.push_back(y->name);
        return names;
    };
    EXPECT_EQ(years(), (std::vector<std::wstring>{L"2016", L"2017", L"2018"}));
    MouseClick(edit, CPoint(20, 8));
    // The filter is trimmed before it is compared.
    TypeText(edit, L" 201");
    EXPECT_EQ(years().size(), 3u);
    TypeText(edit, L"7");
    EXPECT_EQ(years(), (std::vector<std::wstring>{L"2017"}));
    // "017" is inside "2017" but not at its start.
    edit.SetSel(0, -1);
    TypeText(edit, L"017");
    EXPECT_TRUE(years().empty());
    EXPECT_EQ(models->GetYearPane()->GetNote(), L"Nothing matches the search.");
    // Another model: its years unfiltered, the search box emptied.
    MouseClick(*models->GetLeftPane()->GetList()->GetItem(1), CPoint(60, 20));
    EXPECT_EQ(edit.GetWindowText(), L"");
    EXPECT_EQ(years(), (std::vector<std::wstring>{L"2019", L"2020", L"2021"}));
}

TEST_F(SelectionPagesTest, TheWheelScrollsEveryPage)
{
    CVehicleDatabase* db = GetVehicleDatabase();
    CBrands* us = db->GetBrands(CARS_STYLE_US);
    for (int i = 0; i < 30; ++i)
        us->AddBrand(L"Wheelmark " + std::to_wstring(100 + i), L"9");
    CBrand* brunmark = us->FindBrand(L"Brunmark");
    for (int i = 0; i < 20; ++i)
        brunmark->AddModel(L"Zed " + std::to_wstring(10 + i), L"9");
    CModel* arvo = brunmark->FindModel(L"Arvo");
    for (int i = 0; i < 30; ++i)
        arvo->AddYear(std::to_wstring(1980 + i), L"40", L"0x40", L"0", L"OBD", L"M", L"OE", L"1", L"40");
    for (int i = 0; i < 60; ++i)
        db->AddPartNo({L"WHL-" + std::to_wstring(100 + i), L"40", L"0x40", L"0", L"OBD", L"1", L"40"});
    auto dlg = OpenProgram();

    // The brand page through the main window's bar.
    CPageCar* cars = Current<CPageCar>(*dlg);
    CMyScrollBar* bar = dlg->GetScrollBar();
    ASSERT_TRUE(bar->IsWindowVisible());
    MouseWheel(*cars->GetPanel(2), CPoint(20, 20), -240);
    EXPECT_EQ(bar->GetThumbOffset(), 20);
    EXPECT_GT(cars->GetScrollPosition().y, 0);

    // The model list through its own bar, the years through the page's bar.
    std::wstring name = L"Brunmark";
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
    CPageModel* models = Current<CPageModel>(*dlg);
    CModelLeftWnd* left = models->GetLeftPane();
    ASSERT_TRUE(left->GetScrollBar()->IsWindowVisible());
    // The last tile of a list that passes its pane has no rule under it.
    CCarModelItemContainer* list = left->GetList();
    EXPECT_FALSE(list->GetItem(list->GetItemCount() - 1)->HasSeparator());
    EXPECT_TRUE(list->GetItem(0)->HasSeparator());
    MouseClick(*list->GetItem(0), CPoint(60, 20));
    MouseWheel(*list->GetItem(1), CPoint(20, 20), -120);
    EXPECT_EQ(left->GetScrollBar()->GetThumbOffset(), 10);
    EXPECT_GT(list->GetScrollPosition().y, 0);
    ASSERT_TRUE(models->GetScrollBar()->IsWindowVisible());
    CModelRightWnd* years = models->GetYearPane();
    // The pane makes room for the bar; its last column still reaches its edge.
    EXPECT_EQ(years->GetWindowRect().right, models->GetYearRect().right - 16);
    EXPECT_EQ(years->GetItem(2)->GetWindowRect().right, years->GetClientRect().Width());
    MouseWheel(*years->GetItem(4), CPoint(20, 20), -120);
    EXPECT_EQ(models->GetScrollBar()->GetThumbOffset(), 10);
    EXPECT_GT(years->GetScrollPosition().y, 0);
    EXPECT_EQ(models->GetYearThumbOffset(), 10);

    // The part numbers through the main window's bar again.
    MouseClick(*MainTab(*dlg, 1), CPoint(40, 15));
    CPagePartNo* parts = Current<CPagePartNo>(*dlg);
    ASSERT_TRUE(bar->IsWindowVisible());
    EXPECT_EQ(parts->GetItem(4)->GetWindowRect().right, parts->GetClientRect().Width());
    MouseWheel(*parts->GetItem(3), CPoint(20, 20), -120);
    EXPECT_EQ(bar->GetThumbOffset(), 10);
    EXPECT_GT(parts->GetScrollPosition().y, 0);
}

TEST_F(SelectionPagesTest, TheMouseLightsALogoOrAnItemAndAVisitLeavesItAsItWas)
{
    auto dlg = OpenProgram();
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars);
    CBrandWnd* brunmark = Panel(*cars, L"Brunmark");
    ASSERT_TRUE(brunmark);
    CBrandBtn& logo = *brunmark->GetButton();
    RunEvents(10);
    const auto normal = GrabWindow(*dlg);
    ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-brands-normal.png")));

    // Over the logo: its selected look; away from it: as it was.
    MouseMove(logo, Centre(logo));
    EXPECT_EQ(logo.GetState(), CBrandBtn::kStateHover);
    RunEvents(10);
    const auto lit = GrabWindow(*dlg);
    ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-brands-hover.png")));
    EXPECT_FALSE(SamePixels(*normal, *lit));
    MouseMove(*cars, CPoint(5, 5));
    EXPECT_EQ(logo.GetState(), CBrandBtn::kStateNormal);
    RunEvents(10);
    EXPECT_TRUE(SamePixels(*normal, *GrabWindow(*dlg)));
    // A press that the mouse takes away before the release opens nothing.
    MouseMove(logo, Centre(logo));
    MousePress(logo, Centre(logo));
    MouseMove(*cars, CPoint(5, 5));
    MouseRelease(logo, Centre(logo));
    EXPECT_EQ(Current<CPageCar>(*dlg), cars);

    // A part-number item: lit under the mouse, selected by a press, and it
    // stays selected when the mouse leaves.
    MouseClick(*MainTab(*dlg, 1), CPoint(40, 15));
    CPagePartNo* parts = Current<CPagePartNo>(*dlg);
    ASSERT_TRUE(parts);
    CPartNoItem& item = *parts->GetItem(1);
    MouseMove(item, CPoint(20, 20));
    EXPECT_EQ(item.GetState(), CSelectionItem::kStateHover);
    RunEvents(10);
    ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-partnumbers-hover.png")));
    MouseMove(*parts->GetItem(3), CPoint(20, 20));
    EXPECT_EQ(item.GetState(), CSelectionItem::kStateNormal);
    MouseMove(item, CPoint(20, 20));
    MousePress(item, CPoint(20, 20));
    EXPECT_EQ(item.GetState(), CSelectionItem::kStateSelected);
    MouseMove(*parts->GetItem(3), CPoint(20, 20));
    EXPECT_EQ(item.GetState(), CSelectionItem::kStateSelected);
    // The press was taken away: its release hands nothing over.
    MouseRelease(item, CPoint(20, 20));
    EXPECT_EQ(Current<CPagePartNo>(*dlg), parts);
    RunEvents(10);
    ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-partnumbers-pressed.png")));
}

TEST_F(SelectionPagesTest, GrabbedPagesAtBothScales)
{
    for (const ScreenInfo* screen : {&kLargeScreen, &kSmallScreen}) {
        const std::string scale = screen == &kLargeScreen ? "100" : "78";
        auto dlg = OpenProgram(*screen);
        const int width = dlg->GetWindowSize().cx;
        ASSERT_TRUE(Current<CPageCar>(*dlg));
        const std::string brands = GrabPath("brelk-brands-" + scale + ".png");
        ASSERT_TRUE(GrabWindowToPng(*dlg, brands));
        auto img = GrabWindow(*dlg);
        // The brand page's face.
        EXPECT_EQ(img->GetPixel(width - 60, 400), Color::FromCOLORREF(0xC7C6C5));

        std::wstring name = L"Brunmark";
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
        CPageModel* model = Current<CPageModel>(*dlg);
        ASSERT_TRUE(model);
        RunEvents(10);
        const std::string models = GrabPath("brelk-models-" + scale + ".png");
        ASSERT_TRUE(GrabWindowToPng(*dlg, models));
        CCarModelItem* tile = model->GetLeftPane()->GetList()->GetItem(0);
        MouseClick(*tile, CPoint(30, 20));
        MouseMove(*model->GetYearPane()->GetItem(1), CPoint(40, 40));
        RunEvents(10);
        const std::string years = GrabPath("brelk-years-" + scale + ".png");
        ASSERT_TRUE(GrabWindowToPng(*dlg, years));
        img = GrabWindow(*dlg);
        // The year pane's face in an even row, a filler cell of an odd row.
        const int paneLeft = model->GetYearRect().left;
        const int itemHeight = model->GetYearPane()->GetItemHeight();
        EXPECT_EQ(img->GetPixel(paneLeft + 10, 70 + itemHeight + 10), Color::FromCOLORREF(0xE8E6E5));

        MouseClick(*MainTab(*dlg, 1), CPoint(40, 15));
        CPagePartNo* parts = Current<CPagePartNo>(*dlg);
        ASSERT_TRUE(parts);
        MouseClick(*parts->GetItem(2), CPoint(20, 20));
        dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kBackId, kActionBack);
        RunEvents(10);
        const std::string partNumbers = GrabPath("brelk-partnumbers-" + scale + ".png");
        ASSERT_TRUE(GrabWindowToPng(*dlg, partNumbers));
        std::printf("grabbed %s %s %s %s\n", brands.c_str(), models.c_str(), years.c_str(), partNumbers.c_str());
        dlg->DestroyWindow();
        SetMainWindow(nullptr);
    }
}

} // namespace

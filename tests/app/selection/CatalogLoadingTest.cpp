// The selection pages over a catalog too large to read at once: the page
// says it is loading while a worker reads, then shows the records, and a
// brand's models and years come when the brand is opened.
#include "AppMessages.h"
#include "BrandWnd.h"
#include "CarModelItemContainer.h"
#include "MainDialogFixture.h"
#include "MenuTabs.h"
#include "ModelLeftWnd.h"
#include "ModelRightWnd.h"
#include "PageCar.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "RecordingWnd.h"
#include "TopPane.h"
#include "UiThread.h"
#include "VehicleDatabase.h"

#include "DataFixtures.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

constexpr int kBrands = 8, kModels = 12, kYears = 15, kPartNumbers = 900;
constexpr uint32_t kReadLimitMs = 20000;

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

class CatalogLoadingTest : public PagesTest {
protected:
    void SetUp() override
    {
        PagesTest::SetUp(); // the sample's texts
        program = std::make_unique<ScopedEnv>("BRELK_PROGRAM_DIR", folder.Path());
        ASSERT_TRUE(WriteGeneratedVehicleCatalog(folder.File("catalog.data"), kBrands, kModels, kYears, kPartNumbers));
        DeleteVehicleDatabase();
    }
    void TearDown() override
    {
        PagesTest::TearDown();
        DeleteVehicleDatabase();
        program.reset();
    }
    TempFolder folder;
    std::unique_ptr<ScopedEnv> program;
};

TEST_F(CatalogLoadingTest, TheBrandPageSaysItIsLoadingUntilTheWorkerHasReadTheRegion)
{
    RecordingWnd main{"main"};
    SetMainWindow(&main);
    ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
    ASSERT_TRUE(ShowAndWait(main));
    CPageCar cars(CARS_STYLE_EUROPE);
    ASSERT_TRUE(cars.Create(&main, CRect(0, 70, 1021, 735), 10214));
    cars.ShowPage(true, 0);
    // No event has run yet: the worker's news has not reached the page.
    EXPECT_TRUE(cars.ShowsLoading());
    EXPECT_EQ(cars.GetPanelCount(), 0u);
    EXPECT_EQ(cars.GetContentHeight(), 0);
    EXPECT_TRUE(GrabWindowToPng(cars, GrabPath("catalog-loading.png")));
    ASSERT_TRUE(PumpUntil([&] { return !cars.ShowsLoading(); }, kReadLimitMs));
    ASSERT_EQ(cars.GetPanelCount(), size_t(kBrands));
    EXPECT_TRUE(cars.GetPanel(0)->IsWindowVisible());
    EXPECT_GT(cars.GetContentHeight(), 0);
    EXPECT_TRUE(GrabWindowToPng(cars, GrabPath("catalog-loaded.png")));
    // Only the region shown was read.
    EXPECT_FALSE(GetVehicleDatabase()->LoadedBrands(CARS_STYLE_US));
    cars.DestroyWindow();
    main.DestroyWindow();
    SetMainWindow(nullptr);
}

// A region file that is not well-formed shows no brands: the page says the
// vehicle data is damaged, whether the region was read at once (small) or
// on a worker (large); a good region says nothing of it.
TEST_F(CatalogLoadingTest, ADamagedRegionSaysSoOnItsBrandPage)
{
    VehicleCatalog catalog;
    catalog.regions[0] = MakeGeneratedRegionXml(1, 3, 2, 2);
    catalog.regions[1] = MakeGeneratedRegionXml(2, 12, 10, 15); // large
    catalog.regions[1].resize(catalog.regions[1].size() - 20);
    catalog.regions[2] = "<makers><maker name=\"A\">"; // small
    catalog.partNo = MakePartNoXml({});
    catalog.sensorParam = MakeSensorParamXml({});
    ASSERT_TRUE(WriteVehicleCatalog(folder.File("catalog.data"), catalog));
    DeleteVehicleDatabase();
    RecordingWnd main{"main"};
    SetMainWindow(&main);
    ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
    ASSERT_TRUE(ShowAndWait(main));
    const struct {
        ECarsStyle region;
        bool damaged;
        const char* grab;
    } cases[] = {
        {CARS_STYLE_US, false, "region-good.png"},
        {CARS_STYLE_EUROPE, true, "region-damaged-large.png"},
        {CARS_STYLE_AU, true, "region-damaged-small.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grab);
        CPageCar cars(c.region);
        ASSERT_TRUE(cars.Create(&main, CRect(0, 70, 1021, 735), 10214));
        cars.ShowPage(true, 0);
        ASSERT_TRUE(PumpUntil([&] { return !cars.ShowsLoading(); }, kReadLimitMs));
        EXPECT_EQ(cars.ShowsDamaged(), c.damaged);
        EXPECT_EQ(cars.GetPanelCount() == 0, c.damaged);
        PumpMessages();
        auto shot = GrabWindow(cars);
        ASSERT_TRUE(shot);
        // The note's grey ink stands where the brands would.
        int ink = 0;
        for (int y = 15; y < 50; ++y)
            for (int x = 15; x < 600; ++x)
                ink += shot->GetPixel(x, y) == Color(0xFF797D80) ? 1 : 0;
        EXPECT_EQ(ink > 50, c.damaged) << ink;
        EXPECT_TRUE(GrabWindowToPng(cars, GrabPath(c.grab)));
        cars.DestroyWindow();
    }
    main.DestroyWindow();
    SetMainWindow(nullptr);
}

TEST_F(CatalogLoadingTest, FromRegionToYearAndPartNumberOverALargeCatalog)
{
    auto dlg = OpenProgram();
    CPageCar* cars = Current<CPageCar>(*dlg);
    ASSERT_TRUE(cars);
    ASSERT_TRUE(PumpUntil([&] { return !cars->ShowsLoading(); }, kReadLimitMs));
    ASSERT_EQ(cars->GetPanelCount(), size_t(kBrands));
    CBrandWnd* panel = cars->GetPanel(2);
    ASSERT_TRUE(panel->IsWindowVisible());
    const std::wstring brand = panel->GetBrandName();

    // The brand's models and years come with the click.
    MouseClick(*panel->GetButton(), CPoint(40, 40));
    CPageModel* models = Current<CPageModel>(*dlg);
    ASSERT_TRUE(models);
    ASSERT_EQ(dlg->GetBrandSelection()->name, brand);
    CCarModelItemContainer* list = models->GetLeftPane()->GetList();
    ASSERT_EQ(list->GetItemCount(), size_t(kModels));
    MouseClick(*list->GetItem(1), CPoint(100, 20));
    ASSERT_TRUE(dlg->GetModelSelection());
    EXPECT_EQ(dlg->GetModelSelection()->years.size(), size_t(kYears));
    EXPECT_GE(models->GetYearPane()->GetItemCount(), size_t(kYears));
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("catalog-years.png")));

    // Another region: its own page, loading first if its worker is not done.
    CMyComboBox* box = dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain)->GetRegionBox();
    box->SetFocus();
    KeyPress(*box, VK_DOWN);
    CPageCar* europe = Current<CPageCar>(*dlg);
    ASSERT_TRUE(europe);
    EXPECT_EQ(europe->GetRegion(), CARS_STYLE_EUROPE);
    ASSERT_TRUE(PumpUntil([&] { return !europe->ShowsLoading(); }, kReadLimitMs));
    EXPECT_EQ(europe->GetPanelCount(), size_t(kBrands));
    EXPECT_TRUE(europe->GetPanel(0)->IsWindowVisible());

    // The part numbers: read on a worker as well, then filtered as typed.
    dlg->SendMessage(WM_PAGE_ACTION, kPagePartNo, kActionNavigate);
    CPagePartNo* parts = Current<CPagePartNo>(*dlg);
    ASSERT_TRUE(parts);
    ASSERT_TRUE(PumpUntil([&] { return !parts->ShowsLoading(); }, kReadLimitMs));
    EXPECT_EQ(parts->GetItemCount(), size_t((kPartNumbers + 4) / 5 * 5));
    parts->SetFilterText(L"PN-1089");
    ASSERT_GE(parts->GetItemCount(), 1u);
    ASSERT_TRUE(parts->GetItem(0)->GetPartNo());
    EXPECT_EQ(parts->GetItem(0)->GetPartNo()->fields[0], L"PN-10890");
    EXPECT_TRUE(GrabWindowToPng(*dlg, GrabPath("catalog-partnumbers.png")));
}

} // namespace

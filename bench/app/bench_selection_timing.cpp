// The selection pages over a generated catalog of 5 regions x 60 brands x 40
// models x 15 years (180,000 year records) and 2,000 part numbers, in the
// program's own main window (offscreen): each step timed from the user's
// action to the page painted whole (the window grabbed), one step per
// repetition, five repetitions (take the median).
//
//   brand click  -> the model page with the brand's models.      Goal: < 100 ms.
//   model click  -> the year page with the model's years.        Goal: < 100 ms.
//   region switch (region box, a region not read yet) -> its brand page with
//                   its brands (also: the loading page painted). Goal: < 100 ms.
//   part-number search keystroke at 2,000 part numbers is in
//   bench_selection_filter.
#include "AppMessages.h"
#include "BRELK2App.h"
#include "BRELK2Dlg.h"
#include "BrandWnd.h"
#include "CarModelItemContainer.h"
#include "DataFixtures.h"
#include "DeviceMap.h"
#include "DevicePresence.h"
#include "Language.h"
#include "MenuTabs.h"
#include "ModelLeftWnd.h"
#include "PageCar.h"
#include "PageModel.h"
#include "TempFolder.h"
#include "TopPane.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "VehicleDatabase.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBrands = 60, kModels = 40, kYears = 15, kPartNumbers = 2000;
constexpr uint32_t kReadLimitMs = 30000;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The main window as the program opens it, over the generated catalog.
struct Program {
    Program()
    {
        EnsureUiApp();
        DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
        {
            ScopedEnv sample("BRELK_PROGRAM_DIR", BRELK_SAMPLE_BIN);
            GetLanguageManager().LoadLanguage(L"EN");
        }
        WriteGeneratedVehicleCatalog(folder.File("catalog.data"), kBrands, kModels, kYears, kPartNumbers);
        theApp.m_setupInfo.carsStyle = 1;
        DeleteVehicleDatabase();
        static const ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
        dlg = std::make_unique<CBRELK2Dlg>(&screen);
        dlg->GetDevicePresence().SetMonitor(nullptr);
        SetMainWindow(dlg.get());
        const CSize size = dlg->GetWindowSize();
        dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP);
        ShowAndWait(*dlg);
        dlg->SetConnectState(1, 1);
        RunEvents(10);
        CarPageRead();
    }
    CPageCar* CarPage() const { return dynamic_cast<CPageCar*>(dlg->GetCurrentPage()); }
    bool CarPageRead() const
    {
        CPageCar* cars = CarPage();
        return cars && PumpUntil([&] { return !cars->ShowsLoading(); }, kReadLimitMs);
    }
    void Paint() const { (void)GrabWindow(*dlg); }

    ScopedDataFolder data;
    TempFolder folder;
    ScopedEnv program{"BRELK_PROGRAM_DIR", folder.Path()};
    std::unique_ptr<CBRELK2Dlg> dlg;
};

Program& TheProgram()
{
    static Program program;
    return program;
}

void BM_BrandClickToPaintedModelPage(benchmark::State& state)
{
    Program& p = TheProgram();
    static size_t next = 0;
    for (auto _ : state) {
        CPageCar* cars = p.CarPage();
        CBrandWnd* panel = cars ? cars->GetPanel(next++ % cars->GetPanelCount()) : nullptr;
        if (!panel) {
            state.SkipWithError("no brand page");
            return;
        }
        std::wstring name = panel->GetBrandName();
        const auto start = Clock::now();
        p.dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
        p.Paint();
        state.SetIterationTime(Since(start));
        auto* models = dynamic_cast<CPageModel*>(p.dlg->GetCurrentPage());
        if (!models || models->GetLeftPane()->GetList()->GetItemCount() != size_t(kModels)) {
            state.SkipWithError("the model page did not show the brand's models");
            return;
        }
        p.dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kBackId, kActionBack);
    }
}
BENCHMARK(BM_BrandClickToPaintedModelPage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

void BM_ModelClickToPaintedYearPage(benchmark::State& state)
{
    Program& p = TheProgram();
    static size_t next = 0;
    CPageCar* cars = p.CarPage();
    if (!cars) {
        state.SkipWithError("no brand page");
        return;
    }
    std::wstring name = cars->GetPanel(0)->GetBrandName();
    p.dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
    auto* models = dynamic_cast<CPageModel*>(p.dlg->GetCurrentPage());
    if (!models) {
        state.SkipWithError("no model page");
        return;
    }
    p.Paint();
    for (auto _ : state) {
        CCarModelItem* tile = models->GetLeftPane()->GetList()->GetItem(next++ % kModels / 6);
        const auto start = Clock::now();
        MouseClick(*tile, CPoint(100, 20));
        p.Paint();
        state.SetIterationTime(Since(start));
        if (!p.dlg->GetModelSelection() || p.dlg->GetModelSelection()->years.size() != size_t(kYears))
            state.SkipWithError("the year page did not show the model's years");
    }
    p.dlg->SendMessage(WM_PAGE_ACTION, CTopPane::kBackId, kActionBack);
}
BENCHMARK(BM_ModelClickToPaintedYearPage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

// From US through Europe, Australia, Japan to Korea, and back to US (read).
void BM_RegionSwitchToPaintedBrandPage(benchmark::State& state)
{
    Program& p = TheProgram();
    static int step = 0;
    double loadingShown = 0, read = 0;
    for (auto _ : state) {
        CMyComboBox* box = p.dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain)->GetRegionBox();
        box->SetFocus();
        const auto start = Clock::now();
        KeyPress(*box, step++ < 4 ? VK_DOWN : VK_HOME);
        p.Paint();
        loadingShown = Since(start);
        const auto region = static_cast<ECarsStyle>(p.CarPage()->GetRegion());
        PumpUntil([&] { return GetVehicleDatabase()->LoadedBrands(region) != nullptr; }, kReadLimitMs);
        read = Since(start);
        if (!p.CarPageRead()) {
            state.SkipWithError("the region was not read");
            return;
        }
        p.Paint();
        state.SetIterationTime(Since(start));
        if (p.CarPage()->GetPanelCount() != size_t(kBrands))
            state.SkipWithError("the brand page did not show the region's brands");
    }
    // When the loading page was painted, and when the worker had read the region.
    state.counters["first_paint_ms"] = loadingShown * 1000;
    state.counters["read_ms"] = read * 1000;
}
BENCHMARK(BM_RegionSwitchToPaintedBrandPage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

} // namespace

BENCHMARK_MAIN();

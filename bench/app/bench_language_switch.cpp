// A language switch from the settings page with every page made: the texts of
// the new language loaded, the top pane and every page refreshed, the
// settings page painted again. The brands of a region, a model page, 500 part
// numbers, the operation pages and the settings page exist. Goal: the window
// answers again at once (well under 100 ms).
#include "AppMessages.h"
#include "BRELK2App.h"
#include "BRELK2Dlg.h"
#include "DeviceMap.h"
#include "DevicePresence.h"
#include "PageHistory.h"
#include "TempFolder.h"
#include "UiApp.h"
#include "UiThread.h"
#include "VehicleDatabase.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

CBRELK2Dlg& MainDialog()
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static TempFolder data;
    static std::unique_ptr<UiApp> app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("BRELK_PROGRAM_DIR", BRELK_SAMPLE_BIN, 0);
        setenv("BRELK_DATA_DIR", data.Path().c_str(), 1);
        // No serial device of this machine takes part.
        DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
        return std::make_unique<UiApp>(argc, argv);
    }();
    static std::unique_ptr<CBRELK2Dlg> dlg;
    if (!dlg) {
        theApp.LoadSettings();
        const ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
        dlg = std::make_unique<CBRELK2Dlg>(&screen);
        dlg->GetDevicePresence().SetMonitor(nullptr);
        SetMainWindow(dlg.get());
        CVehicleDatabase* db = GetVehicleDatabase();
        for (int i = 0; i < 500; ++i)
            db->AddPartNo({L"PN-" + std::to_wstring(10000 + i), L"40", L"0x40", L"0", L"OBD", L"1", L"40"});
        const CSize size = dlg->GetWindowSize();
        dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP);
        dlg->ShowWindow(SW_SHOW);
        dlg->SetConnectState(1, 1);
        db->GetBrands(CARS_STYLE_US)->AddBrand(L"Benchmark", L"1");
        static const std::wstring brand = L"Benchmark";
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&brand), kActionBrand);
        static const CYear year(L"2015", L"40", L"0x40", L"0", L"OBD", L"Maker", L"OE-1", L"1", L"40");
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&year), kActionVehicle);
        dlg->SendMessage(WM_PAGE_ACTION, kPagePartNo, kActionNavigate);
        dlg->SendMessage(WM_PAGE_ACTION, kPageSetup, kActionNavigate);
        PumpUntil([] { return !dlg->IsWorkerRunning(); }, 5000);
    }
    return *dlg;
}

void BM_LanguageSwitchWithEveryPage(benchmark::State& state)
{
    CBRELK2Dlg& dlg = MainDialog();
    const std::wstring codes[2] = {L"DE", L"EN"};
    int next = 0;
    for (auto _ : state) {
        dlg.SendMessage(WM_PAGE_ACTION, 10115, MsgParam::Of(&codes[next]));
        dlg.UpdateWindow();
        PumpMessages();
        next = 1 - next;
    }
    state.counters["pages"] = static_cast<double>(dlg.GetPageHistory().Links().size());
}
BENCHMARK(BM_LanguageSwitchWithEveryPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

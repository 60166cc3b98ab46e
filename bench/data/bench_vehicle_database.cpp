// The whole database load through GetVehicleDatabase from a generated catalog
// of 5 regions x 60 brands x 40 models x 15 years (180,000 year records).
// Goal: under 1.5 s and 300 MB peak. The peak (VmHWM) is taken over the loads
// only: it is reset after the catalog has been written.
#include "Catalog.h"
#include "DataFixtures.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

long ProcStatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

const TempFolder& Catalog()
{
    static TempFolder folder;
    static const bool written = WriteGeneratedVehicleCatalog(folder.File("catalog.data"), 60, 40, 15, 2000);
    (void)written;
    return folder;
}

void BM_GetVehicleDatabase(benchmark::State& state)
{
    ScopedEnv program("BRELK_PROGRAM_DIR", Catalog().Path());
    ResetPeakMemory();
    size_t years = 0;
    for (auto _ : state) {
        CVehicleDatabase* db = GetVehicleDatabase();
        years = 0;
        for (const auto& [region, brands] : db->regions)
            for (const auto& brand : brands->brands)
                for (const auto& model : brand->models)
                    years += model->years.size();
        DeleteVehicleDatabase();
    }
    state.counters["years"] = static_cast<double>(years);
    state.counters["peak_MB"] = static_cast<double>(ProcStatusKb("VmHWM:")) / 1024.0;
}

BENCHMARK(BM_GetVehicleDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

// The database from a generated catalog of 5 regions x 60 brands x 40 models
// x 15 years (180,000 year records) and 2,000 part numbers, read the two ways
// side by side:
//   eager:     the whole load (the constructor with a path), the baseline.
//              Goal: under 1.5 s and 300 MB peak.
//   on demand: what a page waits for: the start-up region's brands read on
//              the worker; then one brand opened (its models and years);
//              the part numbers read on the worker.
//   fresh process: the start-up region's brands read in a process of its
//              own each time (a child forked for the read), as the program
//              reads them once started: its heap is new, every page it
//              fills is faulted in. 0: the document made wide whole first
//              (as the region was read before), 1: the database's read.
//              Reported: the page faults of the read.
// The peak (VmHWM) is reset after the catalog has been written and before
// each load; the eager load runs last, so its peak is not the others'.
#include "Catalog.h"
#include "DataFixtures.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"

#include "Markup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

void ReportPeak(benchmark::State& state)
{
    state.counters["peak_MB"] = static_cast<double>(ProcStatusKb("VmHWM:")) / 1024.0;
}

// Waits for what a worker reads, as the page does when the post comes.
template <class Request> auto WaitFor(Request request)
{
    std::promise<void> ready;
    auto got = request([&] { ready.set_value(); });
    if (!got) {
        ready.get_future().wait();
        got = request({});
    }
    return got;
}

void BM_OnDemandStartRegion(benchmark::State& state)
{
    const std::string index = Catalog().File("catalog.data");
    ResetPeakMemory();
    size_t brands = 0;
    for (auto _ : state) {
        CVehicleDatabase db(index, CVehicleDatabase::Loading::kOnDemand);
        brands = WaitFor([&](std::function<void()> f) {
                     return db.RequestBrands(CARS_STYLE_US, std::move(f));
                 })->brands.size();
    }
    state.counters["brands"] = static_cast<double>(brands);
    ReportPeak(state);
}
BENCHMARK(BM_OnDemandStartRegion)->Unit(benchmark::kMillisecond)->Iterations(5);

// The start-up region's brands as the region was read before: the whole
// document made wide, then parsed.
size_t WideStartRegionBrands(const std::string& index)
{
    CMarkup xml;
    xml.SetDoc(CVehicleDatabase::ReadMemberText(index, std::string(kComposeSourcePrefix) + kRegionFiles[0].fileName));
    CBrands brands;
    if (xml.FindElem(L"makers"))
        while (xml.FindChildElem(L"maker"))
            brands.AddBrand(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"));
    return brands.brands.size();
}

struct ChildRead {
    double ms = -1;
    double faults = 0;
    double brands = 0;
};

// Runs the read in a forked child and gives what it measured.
template <class Read> ChildRead InFreshProcess(Read read)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        ChildRead got;
        got.brands = static_cast<double>(read());
        got.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ::getrusage(RUSAGE_SELF, &after);
        got.faults = static_cast<double>(after.ru_minflt - before.ru_minflt);
        const bool sent = ::write(fds[1], &got, sizeof got) == static_cast<ssize_t>(sizeof got);
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    ChildRead got;
    if (pid < 0 || ::read(fds[0], &got, sizeof got) != static_cast<ssize_t>(sizeof got))
        got = {};
    ::close(fds[0]);
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return got;
}

void BM_FreshProcessStartRegion(benchmark::State& state)
{
    const std::string index = Catalog().File("catalog.data");
    const bool wide = state.range(0) == 0;
    std::unique_ptr<CVehicleDatabase> kept; // set in the child only
    ChildRead got;
    for (auto _ : state) {
        got = InFreshProcess([&]() -> size_t {
            if (wide)
                return WideStartRegionBrands(index);
            // Kept to the child's exit: its worker goes on to the sensor
            // parameters, which are not the page's wait.
            kept = std::make_unique<CVehicleDatabase>(index, CVehicleDatabase::Loading::kOnDemand);
            return WaitFor([&](std::function<void()> f) { return kept->RequestBrands(CARS_STYLE_US, std::move(f)); })
                ->brands.size();
        });
        if (got.ms < 0) {
            state.SkipWithError("the child process did not report");
            return;
        }
        state.SetIterationTime(got.ms / 1000.0);
    }
    state.counters["brands"] = got.brands;
    state.counters["faults"] = got.faults;
}
BENCHMARK(BM_FreshProcessStartRegion)
    ->ArgName("read") // 0 made wide whole, 1 the database's read
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(9);

void BM_OnDemandOpenBrand(benchmark::State& state)
{
    const std::string index = Catalog().File("catalog.data");
    CVehicleDatabase db(index, CVehicleDatabase::Loading::kOnDemand);
    const CBrands* brands =
        WaitFor([&](std::function<void()> f) { return db.RequestBrands(CARS_STYLE_US, std::move(f)); });
    size_t next = 0, years = 0;
    for (auto _ : state) {
        const CBrand* brand = brands->brands[next++ % brands->brands.size()].get();
        db.OpenBrand(brand);
        years = 0;
        for (const auto& model : brand->models)
            years += model->years.size();
    }
    state.counters["years"] = static_cast<double>(years);
}
BENCHMARK(BM_OnDemandOpenBrand)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OnDemandPartNumbers(benchmark::State& state)
{
    const std::string index = Catalog().File("catalog.data");
    size_t count = 0;
    for (auto _ : state) {
        CVehicleDatabase db(index, CVehicleDatabase::Loading::kOnDemand);
        count = WaitFor([&](std::function<void()> f) { return db.RequestPartNos(std::move(f)); })->size();
    }
    state.counters["part_numbers"] = static_cast<double>(count);
}
BENCHMARK(BM_OnDemandPartNumbers)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EagerLoad(benchmark::State& state)
{
    const std::string index = Catalog().File("catalog.data");
    ResetPeakMemory();
    size_t years = 0;
    for (auto _ : state) {
        CVehicleDatabase db(index);
        years = 0;
        for (const auto& [region, brands] : db.regions)
            for (const auto& brand : brands->brands)
                for (const auto& model : brand->models)
                    years += model->years.size();
    }
    state.counters["years"] = static_cast<double>(years);
    ReportPeak(state);
}
BENCHMARK(BM_EagerLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

// Soak: many operations in one process over the simulated Brelk (brelk-sim in
// a process of its own, its line unpaced), as a workshop day runs them: 500
// Create Sensor runs of one blank V4 sensor with typed identifiers, then 500
// Test Sensor runs of the sensor programmed. The resident memory and the open
// descriptors are taken after one warm-up run of each (the pages, the
// database, the logs and the port exist by then) and at the end.
// Goal: growth under 2 MB, no descriptor more.
//
//   bench_soak; BRELK_SOAK_RUNS=N runs N of each instead of 500;
//   BRELK_SOAK_CLOCK=K runs the client's clock K times faster (its waits
//   and windows K times shorter; the simulator answers within them), so a
//   soak of a whole day takes part of an hour. The default, 1, is real time.
#include "PageHistory.h"
#include "ProgramBench.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kRuns = 500;
constexpr uint32_t kFirstId = 0x50000000;

int Runs()
{
    const char* over = std::getenv("BRELK_SOAK_RUNS");
    return over && std::atoi(over) > 0 ? std::atoi(over) : kRuns;
}

int ClockScale()
{
    const char* over = std::getenv("BRELK_SOAK_CLOCK");
    return over && std::atoi(over) > 1 ? std::atoi(over) : 1;
}

// The system's clock, running `scale` times faster.
class ScaledClock : public IClock {
public:
    explicit ScaledClock(uint32_t scale) : m_system(GetClock()), m_scale(scale) { SetClock(this); }
    ~ScaledClock() override { SetClock(nullptr); }
    uint32_t GetTickCount() override { return m_system.GetTickCount() * m_scale; }
    void Sleep(uint32_t ms) override { m_system.Sleep((ms + m_scale - 1) / m_scale); }
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override
    {
        return m_system.WaitForEvents((ms + m_scale - 1) / m_scale, events);
    }

private:
    IClock& m_system;
    uint32_t m_scale;
};

struct Snapshot {
    long rssKb = 0;
    int descriptors = 0;
};

Snapshot Take() { return {SelfStatusKb("VmRSS:"), OpenDescriptors()}; }

void BM_Soak(benchmark::State& state)
{
    BenchProgramFolder program;
    ScopedEnv programDir("BRELK_PROGRAM_DIR", program.Path());
    ScopedDataFolder data;
    SimBrelkProcess sim;
    if (!sim.Start({"--sensors", "2345"})) {
        state.SkipWithError("brelk-sim did not start");
        return;
    }
    const int scale = ClockScale();
    std::unique_ptr<ScaledClock> fast = scale > 1 ? std::make_unique<ScaledClock>(scale) : nullptr;
    const Snapshot atStart = Take();
    ClientWindow client;
    if (!client.Open()) {
        state.SkipWithError("the main window did not open on the sample data");
        return;
    }
    const int runs = Runs();
    const std::wstring programmed = LanguageText(L"PROGRAM_SUCCSSED");
    const std::wstring tested = LanguageText(L"TEST_SUCCSSED");
    for (auto _ : state) {
        uint32_t id = kFirstId;
        int created = 0, testsPassed = 0;
        // Warm-up: one of each.
        created += client.CreateSensor(id++) && client.Status(kPageCreateSensor) == programmed ? 1 : 0;
        testsPassed += client.TestSensor() && client.Status(kPageTestSensor) == tested ? 1 : 0;
        const Snapshot warm = Take();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i < runs; ++i)
            created += client.CreateSensor(id++) && client.Status(kPageCreateSensor) == programmed ? 1 : 0;
        const Snapshot afterCreate = Take();
        for (int i = 1; i < runs; ++i)
            testsPassed += client.TestSensor() && client.Status(kPageTestSensor) == tested ? 1 : 0;
        const Snapshot end = Take();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);

        state.counters["runs_each"] = runs;
        state.counters["clock_scale"] = scale;
        state.counters["created_ok"] = created;
        state.counters["tested_ok"] = testsPassed;
        state.counters["rss_start_MB"] = static_cast<double>(atStart.rssKb) / 1024.0;
        state.counters["rss_warm_MB"] = static_cast<double>(warm.rssKb) / 1024.0;
        state.counters["rss_after_create_MB"] = static_cast<double>(afterCreate.rssKb) / 1024.0;
        state.counters["rss_end_MB"] = static_cast<double>(end.rssKb) / 1024.0;
        state.counters["rss_growth_MB"] = static_cast<double>(end.rssKb - warm.rssKb) / 1024.0;
        state.counters["fds_start"] = atStart.descriptors;
        state.counters["fds_warm"] = warm.descriptors;
        state.counters["fds_end"] = end.descriptors;
        state.counters["fds_growth"] = end.descriptors - warm.descriptors;
        state.counters["boxes"] = static_cast<double>(client.Boxes());
        if (created != runs || testsPassed != runs)
            std::fprintf(stderr, "soak: %d of %d created, %d of %d tested\n", created, runs, testsPassed, runs);
    }
}
BENCHMARK(BM_Soak)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();

// The client's work over the Brelk's line: its main window in this process,
// brelk-sim in a process of its own, pacing the pseudo-terminal at the
// Brelk's 57600 baud in both directions.
//
//   CreateSensor: Create Sensor of one blank V4 sensor (F7 line, code 040, an
//     image over its whole code area) for a vehicle of the sample data, with
//     an identifier typed in hexadecimal: from the press of Program to the
//     end of the operation (read-back, daily records and the Brelk's signals
//     included), each run on a blank sensor of its own. Goal: within 1.1x of
//     the wire time of every byte exchanged plus the protocol's fixed waits.
//   BrelkUpgrade: the Brelk firmware upgrade of a 64 KiB image, from a Brelk
//     at V6.10 to V6.11 read back after its restart. Goal: within 1.2x of its
//     wire time plus its fixed waits.
//
// The wire time is that of the bytes the client's port wrote and read (ten
// bits a byte at 57600 baud). The fixed waits are what the client sleeps by
// design (the restarts, the pauses between steps, the signals) and the
// receive windows it waits out to their end (the search's collecting
// windows, raw wake-ups nobody answers), less the wire time of the exchange
// inside each window, which the line time holds already; the
// one-millisecond sleeps of a write retried are line time and left out
// (they are counted). The simulated
// Brelk answers at once: the air time of a real Brelk's radio is not in
// either figure. "ratio" is that of the sums over the runs, "worst_ratio"
// the worst run's. Peak memory: the resident peak of this process (the
// client's window, Qt and the benchmark) over the run.
#include "BrelkUpgrade.h"
#include "CatalogWriter.h"
#include "PageHistory.h"
#include "ProgramBench.h"
#include "SensorOperations.h"
#include "SerialPort.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "Wnd.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kUpgradeImageBytes = 64 * 1024;
constexpr uint32_t kFirstId = 0x4038AA00;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// The meters of one run, and the sums over the runs of a benchmark.
struct Meters {
    LineMeter line;
    SleepMeter sleeps;
    TimeOutMeter timeOuts;

    double measured = 0, expected = 0, wire = 0, slept = 0, windows = 0, overlap = 0, worstRatio = 0;
    uint64_t bytesOut = 0, bytesIn = 0, timeOutCount = 0, shortSleeps = 0;
    int runs = 0;

    void StartRun()
    {
        line.Reset();
        sleeps.Reset();
        timeOuts.Reset();
    }
    // Adds the run: what it took, and what an ideal client would take (the
    // wire time, the sleeps, and the windows waited out less the wire time
    // they held).
    void EndRun(double seconds)
    {
        const double runWire = WireSeconds(line.Written() + line.Read());
        const double runSlept = static_cast<double>(sleeps.SleptMs() - sleeps.ShortSleeps()) / 1000.0;
        const double runWindows = static_cast<double>(timeOuts.WaitedMs()) / 1000.0;
        const double runExpected = runWire + runSlept + runWindows - timeOuts.OverlapSeconds();
        measured += seconds;
        expected += runExpected;
        wire += runWire;
        slept += runSlept;
        windows += runWindows;
        overlap += timeOuts.OverlapSeconds();
        worstRatio = std::max(worstRatio, runExpected > 0 ? seconds / runExpected : 0);
        bytesOut += line.Written();
        bytesIn += line.Read();
        timeOutCount += timeOuts.Count();
        shortSleeps += sleeps.ShortSleeps();
        ++runs;
    }
    // Per run, as the mean of the runs; the ratio of the sums and the worst run's.
    void Report(benchmark::State& state) const
    {
        if (runs == 0)
            return;
        const double n = runs;
        state.counters["measured_s"] = measured / n;
        state.counters["expected_s"] = expected / n;
        state.counters["ratio"] = expected > 0 ? measured / expected : 0;
        state.counters["worst_ratio"] = worstRatio;
        state.counters["wire_s"] = wire / n;
        state.counters["sleeps_s"] = slept / n;
        state.counters["windows_s"] = windows / n;
        state.counters["overlap_s"] = overlap / n;
        state.counters["windows"] = static_cast<double>(timeOutCount) / n;
        state.counters["short_sleeps"] = static_cast<double>(shortSleeps) / n;
        state.counters["bytes_out"] = static_cast<double>(bytesOut) / n;
        state.counters["bytes_in"] = static_cast<double>(bytesIn) / n;
    }
};

void BM_CreateSensor(benchmark::State& state)
{
    BenchProgramFolder program;
    ScopedEnv programDir("BRELK_PROGRAM_DIR", program.Path());
    ScopedDataFolder data;
    Meters meters;
    // A blank sensor for every run: groups of one sensor each, the next
    // brought in range (SIGHUP) before each run but the first.
    SimBrelkProcess sim;
    if (!sim.Start({"--baud", "57600", "--sensors", "2345/2346/2347/2348/2349/234A"})) {
        state.SkipWithError("brelk-sim did not start");
        return;
    }
    ClientWindow client;
    if (!client.Open()) {
        state.SkipWithError("the main window did not open on the sample data");
        return;
    }
    ResetPeakMemory();
    uint32_t id = kFirstId;
    bool first = true;
    for (auto _ : state) {
        if (!first)
            sim.NextSensorGroup();
        first = false;
        meters.StartRun();
        const auto start = Clock::now();
        const bool ended = client.CreateSensor(id++);
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        meters.EndRun(seconds);
        if (!ended || client.Status(kPageCreateSensor) != LanguageText(L"PROGRAM_SUCCSSED")) {
            state.SkipWithError("Create Sensor did not succeed");
            return;
        }
    }
    meters.Report(state);
    state.counters["peak_MB"] = static_cast<double>(SelfStatusKb("VmHWM:")) / 1024.0;
    state.counters["boxes"] = static_cast<double>(client.Boxes());
}
BENCHMARK(BM_CreateSensor)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(5);

void BM_BrelkUpgrade(benchmark::State& state)
{
    // A catalog that holds only the Brelk image, 64 KiB of bytes no Brelk runs.
    TempFolder program;
    std::string image(kUpgradeImageBytes, '\0');
    std::mt19937 random(64);
    for (char& byte : image)
        byte = static_cast<char>(random());
    CatalogWriter catalog;
    catalog.AddMember(ComposeSourceKey("brelk.bin"), image, "firmware.dat");
    if (!catalog.Write(program.File("catalog.data"))) {
        state.SkipWithError("the catalog was not written");
        return;
    }
    ScopedEnv programDir("BRELK_PROGRAM_DIR", program.Path());
    ScopedDataFolder data;
    Meters meters;
    // The owner the upgrade disables and shows its window over; not the main
    // dialog, which would start an upgrade of its own when the Brelk comes.
    EnsureUiApp();
    ScriptedMessageBoxes boxes;
    Wnd owner;
    owner.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP);
    SetMainWindow(&owner);
    if (!ShowAndWait(owner)) {
        state.SkipWithError("the owner window did not show");
        return;
    }
    ResetPeakMemory();
    for (auto _ : state) {
        state.PauseTiming();
        SimBrelkProcess sim;
        if (!sim.Start({"--baud", "57600", "--version", "V6.10"})) {
            state.SkipWithError("brelk-sim did not start");
            return;
        }
        state.ResumeTiming();
        // A port left open on an earlier benchmark's Brelk is no way to this one.
        SerialClose();
        meters.StartRun();
        CBrelkUpgrade upgrade(owner);
        const auto start = Clock::now();
        const int upgraded = upgrade.UpgradeBrelk();
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        meters.EndRun(seconds);
        SerialClose();
        if (upgraded != 1) {
            state.SkipWithError("the upgrade did not end at V6.11");
            return;
        }
    }
    meters.Report(state);
    state.counters["peak_MB"] = static_cast<double>(SelfStatusKb("VmHWM:")) / 1024.0;
    state.counters["boxes"] = static_cast<double>(boxes.AskedBoxes().size());
    SetMainWindow(nullptr);
    owner.DestroyWindow();
}
BENCHMARK(BM_BrelkUpgrade)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();

// One Brelk exchange over a pseudo-terminal pair through the real termios
// path, against the simulated Brelk serving the master side on its own thread.
//
//   ImmediateAnswer: a command out, one reply frame back at once. Reports the
//     client's added latency: from the moment the simulator has queued the
//     reply's last byte to RecvFrames returning (mean and max, microseconds).
//   TimeOutWithoutReply: a 2 s receive that nothing answers. Reports the CPU
//     time the client thread spends meanwhile, as a share of the wait.
#include "Binary.h"
#include "BrelkSimulator.h"
#include "PtyBrelk.h"
#include "SerialPort.h"
#include "SimFrameHandler.h"
#include "TempFolder.h"
#include "TsLog.h"
#include "TsNetlayer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <sys/resource.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double ThreadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Answers every command frame with one short telegram.
class AnswerAtOnce : public SimSensor {
public:
    void OnRequest(const SimRequest&, std::vector<SimRfFrame>& answers) override
    {
        SimRfFrame f;
        f.telegram = {0x0D, 0x09, 0x12, 0x34, 0x30, 0x31, 0x09, 0x20, 0x71, 0x00, 0x04, 0x11, 0x6C};
        answers.push_back(f);
    }
};

// The simulated Brelk on a pseudo-terminal, published as COM 9 in a links
// folder of its own; the client's port opened on it.
struct PtySetup {
    explicit PtySetup(bool answer)
        : ports("BRELK_PORTS_DIR", folder.File("ports")), dataDir("BRELK_DATA_DIR", folder.File("data")), frames(sim),
          host(sim)
    {
        CTsLog::GetInstance().m_bWriteFile = false;
        if (answer)
            frames.AddSensor(std::make_shared<AnswerAtOnce>());
        host.SetAnswerObserver([this] {
            answeredAt = NowNs();
            answers.fetch_add(1);
        });
        ok = host.Open() && host.Publish(folder.File("ports"), 9);
        if (ok) {
            host.Start();
            g_nBrelkPort = 9;
            ok = SerialOpen(9);
        }
    }
    ~PtySetup()
    {
        SerialClose();
        host.Stop();
    }

    TempFolder folder;
    ScopedEnv ports;
    ScopedEnv dataDir;
    BrelkSimulator sim;
    SimFrameHandler frames;
    PtyBrelk host;
    std::atomic<int64_t> answeredAt{0};
    std::atomic<int> answers{0};
    bool ok = false;
};

void ImmediateAnswer(benchmark::State& state)
{
    PtySetup setup(true);
    if (!setup.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = 1000;
    const CBinary data = CBinary("\x00\x01\x09\x00\xFF\xFF\x30\x31\x09\x50\x51", 11);
    double totalUs = 0;
    double maxUs = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        const int before = setup.answers.load();
        if (!link.Send(data)) {
            state.SkipWithError("send failed");
            break;
        }
        const CBinary bytes = link.RecvFrames(link.m_LfConfig.DurationTm);
        const int64_t returned = NowNs();
        // The observer runs just after the write; wait for it so the stamp
        // belongs to this answer.
        while (setup.answers.load() == before)
            std::this_thread::yield();
        const double us = std::max<double>(0.0, static_cast<double>(returned - setup.answeredAt.load()) / 1e3);
        totalUs += us;
        maxUs = std::max(maxUs, us);
        frames += CTsReceive::CountFrames(bytes.GetBuffer(), bytes.GetSize());
    }
    state.counters["latency_us_mean"] = totalUs / static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["latency_us_max"] = maxUs;
    state.counters["frames_per_exchange"] =
        static_cast<double>(frames) / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(ImmediateAnswer)->Unit(benchmark::kMicrosecond)->Iterations(2000)->UseRealTime();

void TimeOutWithoutReply(benchmark::State& state)
{
    PtySetup setup(false);
    if (!setup.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = 2000;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        const CBinary bytes = link.RecvFrames(link.m_LfConfig.DurationTm);
        wall += std::chrono::duration<double>(Clock::now() - t0).count();
        cpu += ThreadCpuSeconds() - cpu0;
        benchmark::DoNotOptimize(bytes.GetSize());
    }
    state.counters["cpu_percent_of_wait"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["cpu_ms_per_wait"] = 1000.0 * cpu / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(TimeOutWithoutReply)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

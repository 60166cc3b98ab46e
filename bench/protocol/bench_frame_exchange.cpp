// Brelk exchanges over a pseudo-terminal pair through the real termios path,
// against the simulated Brelk serving the master side on its own thread. Each
// measure runs twice, side by side: with the receive loop of the frame layer
// (one poll on the port and the stop signal until a byte comes, the time-out
// passes or a Stop is set) and with the loop it replaced, kept below, which
// waited in rounds of at most 1 ms and looked at the stop flag between them.
//
//   Reply/<loop>: a command out, one reply frame back at once. Reports the
//     added latency from the moment the simulator has queued the reply's last
//     byte to the receive's return: mean and 99th percentile, microseconds.
//     Goal: mean under 100 us, 99th percentile under 500 us.
//   WaitWithoutReply/<loop>: a 2 s receive that nothing answers. Reports the
//     CPU time the client thread spends meanwhile, as a share of the wait.
//     Goal: under 0.2 % of a core.
//   Stop/<loop>: a 10 s receive that nothing answers, stopped from another
//     thread after a few milliseconds. Reports the time from the Stop to the
//     receive's return: mean and 99th percentile, milliseconds. Goal: 99th
//     percentile within 2 ms.
#include "Binary.h"
#include "BrelkSimulator.h"
#include "Clock.h"
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
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count();
}

double ThreadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Mean(const std::vector<double>& v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, static_cast<size_t>(p / 100.0 * static_cast<double>(v.size())));
    return v[at];
}

// The receive loop the frame layer had: read, count, then a wait of at most
// 1 ms in the port, the stop flag looked at between the rounds.
CBinary PollingRecvFrames(int expected, uint32_t timeout)
{
    CBinary collected;
    const uint32_t start = GetTickCount();
    if (g_bAbort.IsSet())
        return collected;
    uint8_t chunk[RECV_READ_CHUNK];
    for (;;) {
        const int n = SerialRead(chunk, RECV_READ_CHUNK);
        if (n < 0)
            break;
        if (n > 0) {
            collected.Append(chunk, n);
            if (CTsReceive::CountFrames(collected.GetBuffer(), collected.GetSize()) == expected)
                break;
        }
        if (TicksSince(start, GetTickCount()) > timeout || g_bAbort.IsSet())
            break;
        SerialWaitReadable(1, nullptr);
    }
    return collected;
}

enum Loop { kPolling = 0, kOnePoll = 1 };

CBinary Receive(Loop loop, CTsNetlayer& link)
{
    return loop == kOnePoll ? link.RecvFrames(link.m_LfConfig.DurationTm)
                            : PollingRecvFrames(link.m_nRecvFrames, link.m_LfConfig.DurationTm);
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
        g_bAbort.Clear();
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
        g_bAbort.Clear();
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

const CBinary& Request()
{
    static const CBinary data("\x00\x01\x09\x00\xFF\xFF\x30\x31\x09\x50\x51", 11);
    return data;
}

void Reply(benchmark::State& state)
{
    const Loop loop = static_cast<Loop>(state.range(0));
    PtySetup setup(true);
    if (!setup.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = 1000;
    std::vector<double> latencies;
    int64_t frames = 0;
    for (auto _ : state) {
        const int before = setup.answers.load();
        if (!link.Send(Request())) {
            state.SkipWithError("send failed");
            break;
        }
        const CBinary bytes = Receive(loop, link);
        const int64_t returned = NowNs();
        // The observer runs just after the write; wait for it so the stamp
        // belongs to this answer.
        while (setup.answers.load() == before)
            std::this_thread::yield();
        latencies.push_back(std::max<double>(0.0, static_cast<double>(returned - setup.answeredAt.load()) / 1e3));
        frames += CTsReceive::CountFrames(bytes.GetBuffer(), bytes.GetSize());
    }
    state.counters["latency_us_mean"] = Mean(latencies);
    state.counters["latency_us_p99"] = Percentile(latencies, 99);
    state.counters["latency_us_max"] = Percentile(latencies, 100);
    state.counters["frames_per_exchange"] =
        static_cast<double>(frames) / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(Reply)
    ->ArgName("one_poll")
    ->Arg(kPolling)
    ->Arg(kOnePoll)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000)
    ->UseRealTime();

void WaitWithoutReply(benchmark::State& state)
{
    const Loop loop = static_cast<Loop>(state.range(0));
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
        const auto t0 = Steady::now();
        const CBinary bytes = Receive(loop, link);
        wall += std::chrono::duration<double>(Steady::now() - t0).count();
        cpu += ThreadCpuSeconds() - cpu0;
        benchmark::DoNotOptimize(bytes.GetSize());
    }
    state.counters["cpu_percent_of_wait"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["cpu_ms_per_wait"] = 1000.0 * cpu / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(WaitWithoutReply)
    ->ArgName("one_poll")
    ->Arg(kPolling)
    ->Arg(kOnePoll)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void Stop(benchmark::State& state)
{
    const Loop loop = static_cast<Loop>(state.range(0));
    PtySetup setup(false);
    if (!setup.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    CTsNetlayer link;
    link.m_nRecvFrames = 1;
    link.m_LfConfig.DurationTm = 10000;
    std::vector<double> latencies;
    int round = 0;
    for (auto _ : state) {
        g_bAbort.Clear();
        std::atomic<int64_t> stoppedAt{0};
        // From 2 to 6.9 ms into the wait, so the Stop lands anywhere in a 1 ms round.
        const auto after = std::chrono::microseconds(2000 + (round++ * 700) % 4900);
        std::thread stopper([&] {
            std::this_thread::sleep_for(after);
            stoppedAt = NowNs();
            g_bAbort.Set();
        });
        const CBinary bytes = Receive(loop, link);
        const int64_t returned = NowNs();
        stopper.join();
        latencies.push_back(std::max<double>(0.0, static_cast<double>(returned - stoppedAt.load()) / 1e6));
        benchmark::DoNotOptimize(bytes.GetSize());
    }
    g_bAbort.Clear();
    state.counters["stop_ms_mean"] = Mean(latencies);
    state.counters["stop_ms_p99"] = Percentile(latencies, 99);
    state.counters["stop_ms_max"] = Percentile(latencies, 100);
}
BENCHMARK(Stop)
    ->ArgName("one_poll")
    ->Arg(kPolling)
    ->Arg(kOnePoll)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(300)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();

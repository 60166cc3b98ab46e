// brelk-sim: a simulated Brelk on a pseudo-terminal (--help: the options
// and signals; SimOptions.h: the default bench).
//
// Publishes the terminal as DIR/comN, answers the version query with TEXT
// and a terminating zero, and hands each command frame to the simulated
// sensors of the bench group in range (SimBench.h). Its firmware loader takes
// an upgrade to "V6.11": a Brelk started with another version is upgraded by
// the client. Like a USB Brelk it leaves the bus and comes back under a new
// terminal when it restarts into its loader and out of it. Runs until
// interrupted.
#include "BrelkSimulator.h"
#include "DeviceMap.h"
#include "PtyBrelk.h"
#include "SimBench.h"
#include "SimBrelkLoader.h"
#include "SimFrameHandler.h"
#include "SimOptions.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A restart takes the Brelk off the bus for a while; the client waits longer.
constexpr uint32_t kRestartGoneAfterMs = 100;
constexpr uint32_t kRestartBackAfterMs = 1500;

PtyBrelk* g_host = nullptr;

void OnSignal(int signal)
{
    if (!g_host)
        return;
    if (signal == SIGUSR1)
        g_host->Unplug();
    else if (signal == SIGUSR2)
        g_host->Replug();
    else if (signal == SIGHUP)
        g_host->Poke();
    else
        g_host->Stop();
}

// What is in range, so that a user at the terminal knows what the client meets.
void SayInRange(const SimBench& bench, const BenchGroups& groups)
{
    const size_t group = bench.GroupInRange();
    std::string list = group < groups.size() ? BenchSensorsText({groups[group]}) : std::string();
    std::printf("brelk-sim: in range (group %zu of %zu): %s", group + 1, groups.size(),
                list.empty() ? "no sensor" : list.c_str());
    if (groups.size() > 1)
        std::printf("; the next group: kill -HUP %d", static_cast<int>(getpid()));
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    switch (ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case SimCommand::Help: std::fputs(SimHelpText(), stdout); return 0;
    case SimCommand::Bad: std::fprintf(stderr, "brelk-sim: %s (brelk-sim --help says more)\n", error.c_str()); return 2;
    case SimCommand::Run: break;
    }
    const int com = options.com;
    const std::string ports = options.ports.empty() ? DeviceMap::LinksFolder() : options.ports;
    const std::string& record = options.record;
    const std::string& state = options.state;
    const BenchGroups& sensors = options.sensors;

    BrelkSimulator sim;
    sim.SetVersion(options.version + std::string(1, '\0'));
    SimFrameHandler frames(sim);
    SimBrelkLoader loader(sim);
    if (options.inLoader)
        loader.StartInLoader();
    SimBench bench(frames, sensors);
    FILE* rec = record.empty() ? nullptr : std::fopen(record.c_str(), "a");
    if (rec) {
        sim.SetCommandObserver([rec](uint8_t command) {
            std::fprintf(rec, "%02X\n", command);
            std::fflush(rec);
        });
    }

    PtyBrelk host(sim);
    host.SetLineRate(static_cast<unsigned>(options.baud));
    if (!state.empty()) {
        bench.WriteRecordIfChanged(state);
        host.SetExchangeObserver([&] { bench.WriteRecordIfChanged(state); });
    }
    host.SetPokeObserver([&] {
        bench.Swap();
        if (!state.empty())
            bench.WriteRecordIfChanged(state);
        SayInRange(bench, sensors);
    });
    if (!host.Open() || !host.Publish(ports, com)) {
        std::fprintf(stderr, "brelk-sim: %s\n", host.Error().c_str());
        return 1;
    }
    loader.SetRestartObserver([&](SimBrelkLoader::Restart restart) {
        // Said on the terminal: what the Brelk runs now that it comes back.
        if (restart == SimBrelkLoader::Restart::IntoLoader || loader.InLoader())
            std::printf("brelk-sim: restarts into its loader\n");
        else
            std::printf("brelk-sim: restarts with firmware %s\n", sim.Version().c_str());
        std::fflush(stdout);
        host.Reenumerate(kRestartGoneAfterMs, kRestartBackAfterMs);
    });
    if (options.unplugAtBlock >= 0)
        loader.OnBlock(options.unplugAtBlock, [&host] { host.Unplug(); });
    g_host = &host;
    for (int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2, SIGHUP})
        std::signal(signal, OnSignal);
    std::printf("brelk-sim: COM%d -> %s (%s/com%d)\n", com, host.SlavePath().c_str(), ports.c_str(), com);
    SayInRange(bench, sensors);
    host.Run();
    g_host = nullptr;
    if (rec)
        std::fclose(rec);
    return 0;
}

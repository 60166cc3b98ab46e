// brelk-sim: a simulated Brelk on a pseudo-terminal.
//
//   brelk-sim [--com N] [--ports DIR] [--version TEXT] [--record FILE] [--sensors LIST]
//             [--state FILE] [--baud N] [--in-loader] [--unplug-at-block K]
//
// Publishes the terminal as DIR/comN (default: the client's links folder and
// COM 9), answers the version query with TEXT and a terminating zero (default
// "V6.11"), and appends each command byte it takes, as two hex digits on a
// line, to FILE. Command frames are answered by simulated sensors on its
// bench, one per hexadecimal search id in LIST (comma-separated; default
// "1234"; "none" for an empty field). Each is a blank programmable V4 sensor,
// or one programmed before with "=ID" ("2345=00ABCDEF"), that also answers the
// test trigger of the protocol 40 of the tests' "Active.tab" with the
// identifier it holds. Groups separated by "/" take turns in front of the
// Brelk: the first is in range, SIGHUP swaps it for the next. --state keeps in
// FILE a line per sensor saying whether it is in range, the identifier it
// holds and the CRC-32 of its code area (SimBench.h). --baud paces the
// terminal as a serial line of that speed. Runs until interrupted.
//
// Its firmware loader takes an upgrade to "V6.11": a Brelk started with another
// version is upgraded by the client. Like a USB Brelk it leaves the bus and
// comes back under a new terminal when it restarts into its loader and out of
// it. --in-loader starts it in its loader (a Brelk left half-written);
// --unplug-at-block K unplugs it when the header of block K arrives.
// SIGUSR1 unplugs it (its link goes, the terminal hangs up), SIGUSR2 plugs it
// in again.
#include "BrelkSimulator.h"
#include "DeviceMap.h"
#include "PtyBrelk.h"
#include "SimBench.h"
#include "SimBrelkLoader.h"
#include "SimFrameHandler.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
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

int Usage()
{
    std::fprintf(stderr, "usage: brelk-sim [--com N] [--ports DIR] [--version TEXT] [--record FILE] [--sensors LIST]\n"
                         "                 [--state FILE] [--baud N] [--in-loader] [--unplug-at-block K]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int com = 9;
    std::string ports = DeviceMap::LinksFolder();
    std::string version = "V6.11";
    std::string record;
    std::string state;
    BenchGroups sensors;
    ParseBenchSensors("1234", sensors);
    int baud = 0;
    bool inLoader = false;
    int unplugAtBlock = -1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--in-loader") {
            inLoader = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        std::string value = argv[++i];
        if (arg == "--unplug-at-block")
            unplugAtBlock = std::atoi(value.c_str());
        else if (arg == "--com")
            com = std::atoi(value.c_str());
        else if (arg == "--ports")
            ports = value;
        else if (arg == "--version")
            version = value;
        else if (arg == "--record")
            record = value;
        else if (arg == "--state")
            state = value;
        else if (arg == "--baud")
            baud = std::atoi(value.c_str());
        else if (arg != "--sensors" || !ParseBenchSensors(value, sensors))
            return Usage();
    }
    if (com < 1 || com > 255 || baud < 0)
        return Usage();

    BrelkSimulator sim;
    sim.SetVersion(version + std::string(1, '\0'));
    SimFrameHandler frames(sim);
    SimBrelkLoader loader(sim);
    if (inLoader)
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
    host.SetLineRate(static_cast<unsigned>(baud));
    if (!state.empty()) {
        bench.WriteRecordIfChanged(state);
        host.SetExchangeObserver([&] { bench.WriteRecordIfChanged(state); });
    }
    host.SetPokeObserver([&] {
        bench.Swap();
        if (!state.empty())
            bench.WriteRecordIfChanged(state);
    });
    if (!host.Open() || !host.Publish(ports, com)) {
        std::fprintf(stderr, "brelk-sim: %s\n", host.Error().c_str());
        return 1;
    }
    loader.SetRestartObserver(
        [&host](SimBrelkLoader::Restart) { host.Reenumerate(kRestartGoneAfterMs, kRestartBackAfterMs); });
    if (unplugAtBlock >= 0)
        loader.OnBlock(unplugAtBlock, [&host] { host.Unplug(); });
    g_host = &host;
    for (int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2, SIGHUP})
        std::signal(signal, OnSignal);
    std::printf("brelk-sim: COM%d -> %s (%s/com%d)\n", com, host.SlavePath().c_str(), ports.c_str(), com);
    std::fflush(stdout);
    host.Run();
    g_host = nullptr;
    if (rec)
        std::fclose(rec);
    return 0;
}

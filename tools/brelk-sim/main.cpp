// brelk-sim: a simulated Brelk on a pseudo-terminal.
//
//   brelk-sim [--com N] [--ports DIR] [--version TEXT] [--record FILE] [--sensors LIST]
//             [--in-loader] [--unplug-at-block K]
//
// Publishes the terminal as DIR/comN (default: the client's links folder and
// COM 9), answers the version query with TEXT and a terminating zero (default
// "V6.11"), and appends each command byte it takes, as two hex digits on a
// line, to FILE. Command frames are answered by simulated V4 sensors, one per
// hexadecimal id in LIST (comma-separated; default "1234"; "none" for an
// empty field). Runs until interrupted.
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
#include "SimBrelkLoader.h"
#include "SimFrameHandler.h"
#include "SimV4Sensor.h"

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
    else
        g_host->Stop();
}

int Usage()
{
    std::fprintf(stderr, "usage: brelk-sim [--com N] [--ports DIR] [--version TEXT] [--record FILE] [--sensors LIST]\n"
                         "                 [--in-loader] [--unplug-at-block K]\n");
    return 2;
}

// "1234,5678" -> the ids; "none" -> none. False on anything else.
bool ParseSensorIds(const std::string& text, std::vector<uint16_t>& ids)
{
    ids.clear();
    if (text == "none")
        return true;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        char* stop = nullptr;
        const unsigned long id = std::strtoul(part.c_str(), &stop, 16);
        if (part.empty() || *stop != '\0' || id > 0xFFFE)
            return false;
        ids.push_back(static_cast<uint16_t>(id));
        start = end + 1;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int com = 9;
    std::string ports = DeviceMap::LinksFolder();
    std::string version = "V6.11";
    std::string record;
    std::vector<uint16_t> sensorIds = {0x1234};
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
        else if (arg != "--sensors" || !ParseSensorIds(value, sensorIds))
            return Usage();
    }
    if (com < 1 || com > 255)
        return Usage();

    BrelkSimulator sim;
    sim.SetVersion(version + std::string(1, '\0'));
    SimFrameHandler frames(sim);
    SimBrelkLoader loader(sim);
    if (inLoader)
        loader.StartInLoader();
    for (uint16_t id : sensorIds)
        frames.AddSensor(std::make_shared<SimV4Sensor>(id));
    FILE* rec = record.empty() ? nullptr : std::fopen(record.c_str(), "a");
    if (rec) {
        sim.SetCommandObserver([rec](uint8_t command) {
            std::fprintf(rec, "%02X\n", command);
            std::fflush(rec);
        });
    }

    PtyBrelk host(sim);
    if (!host.Open() || !host.Publish(ports, com)) {
        std::fprintf(stderr, "brelk-sim: %s\n", host.Error().c_str());
        return 1;
    }
    loader.SetRestartObserver(
        [&host](SimBrelkLoader::Restart) { host.Reenumerate(kRestartGoneAfterMs, kRestartBackAfterMs); });
    if (unplugAtBlock >= 0)
        loader.OnBlock(unplugAtBlock, [&host] { host.Unplug(); });
    g_host = &host;
    for (int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        std::signal(signal, OnSignal);
    std::printf("brelk-sim: COM%d -> %s (%s/com%d)\n", com, host.SlavePath().c_str(), ports.c_str(), com);
    std::fflush(stdout);
    host.Run();
    g_host = nullptr;
    if (rec)
        std::fclose(rec);
    return 0;
}

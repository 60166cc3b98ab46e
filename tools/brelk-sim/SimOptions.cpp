#include "SimOptions.h"

#include <cerrno>
#include <cstdlib>

const char kDefaultBench[] = "F7V4:2345/F7V4:3456=00ABCDEF/F7V4:2355/F6V4:2346/F6V4:3457=00BCDEF1/F6V4:2356/"
                             "N8V4:2347/N8V4:3458=00CDEF12/N8V4:2357/F7V3:2348/F7V3:3459=00DEF123/F7V3:2358/"
                             "F6V1:2349/F6V1:345A=00EF1234/F6V1:2359";

namespace {

constexpr int kMaxCom = 255;
constexpr long kMaxBaud = 4000000;

bool ParseNumber(const std::string& text, long low, long high, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

} // namespace

SimCommand ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error)
{
    options = SimOptions();
    ParseBenchSensors(kDefaultBench, options.sensors);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return SimCommand::Help;
        if (arg == "--in-loader") {
            options.inLoader = true;
            continue;
        }
        const bool known = arg == "--com" || arg == "--ports" || arg == "--version" || arg == "--record" ||
                           arg == "--sensors" || arg == "--state" || arg == "--baud" || arg == "--unplug-at-block";
        if (!known) {
            error = "unknown option " + arg;
            return SimCommand::Bad;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return SimCommand::Bad;
        }
        const std::string& value = args[++i];
        long number = 0;
        if (arg == "--com") {
            if (!ParseNumber(value, 1, kMaxCom, number)) {
                error = "--com takes 1 to 255, not " + value;
                return SimCommand::Bad;
            }
            options.com = static_cast<int>(number);
        } else if (arg == "--baud") {
            if (!ParseNumber(value, 0, kMaxBaud, number)) {
                error = "--baud takes a line rate in bit/s (0: unpaced), not " + value;
                return SimCommand::Bad;
            }
            options.baud = static_cast<int>(number);
        } else if (arg == "--unplug-at-block") {
            if (!ParseNumber(value, 0, 0xFFFF, number)) {
                error = "--unplug-at-block takes a block number, not " + value;
                return SimCommand::Bad;
            }
            options.unplugAtBlock = static_cast<int>(number);
        } else if (arg == "--sensors") {
            if (!ParseBenchSensors(value, options.sensors)) {
                error = "--sensors: cannot read " + value;
                return SimCommand::Bad;
            }
        } else if (value.empty()) {
            error = arg + " needs a value";
            return SimCommand::Bad;
        } else if (arg == "--ports") {
            options.ports = value;
        } else if (arg == "--version") {
            options.version = value;
        } else if (arg == "--record") {
            options.record = value;
        } else {
            options.state = value;
        }
    }
    return SimCommand::Run;
}

const char* SimHelpText()
{
    return "usage: brelk-sim [options]\n"
           "A simulated Brelk with simulated sensors on a pseudo-terminal, published as a COM port\n"
           "the client finds (start the client with the same BRELK_PORTS_DIR, or use scripts/run --simulated).\n"
           "\n"
           "  --com N            publish as COM N (1-255; default 9)\n"
           "  --ports DIR        the links folder to publish in (default: the client's own)\n"
           "  --sensors LIST     the sensors on the bench; groups separated by '/' take turns in range,\n"
           "                     sensors in a group by ','. A sensor is [LINE:]ID[=HELD]: LINE one of\n"
           "                     F7V4 (default), F6V4, N8V4, F7V3, F6V1; ID its search id (hex, up to FFFE);\n"
           "                     =HELD (hex) a sensor programmed before with that identifier, else blank.\n"
           "                     \"none\": no sensor. Example: F7V3:2345/F7V4:3456=00ABCDEF\n"
           "                     Default: for each line in turn a blank sensor, a programmed one and\n"
           "                     another blank one (F7V4:2345/F7V4:3456=00ABCDEF/F7V4:2355/F6V4:2346/...;\n"
           "                     see README, \"Trying it without a Brelk\").\n"
           "  --state FILE       keep in FILE a line per sensor: in range or away, the identifier it\n"
           "                     holds (FFFFFFFF blank), the CRC-32 of its code area, its line\n"
           "  --record FILE      append each command byte the Brelk takes to FILE (two hex digits a line)\n"
           "  --baud N           pace the terminal as a serial line of N bit/s (the Brelk's is 57600)\n"
           "  --version TEXT     the firmware version it reports (default V6.11; another one is upgraded)\n"
           "  --in-loader        start in the firmware loader, as a Brelk left half-upgraded\n"
           "  --unplug-at-block K  unplug when the header of upgrade block K arrives\n"
           "  --help             this text\n"
           "\n"
           "Signals: SIGHUP takes the group in range away and brings the next (after the last, the first);\n"
           "SIGUSR1 unplugs the Brelk, SIGUSR2 plugs it in again; SIGINT or SIGTERM end it.\n";
}

#pragma once
// The command line of brelk-sim (main.cpp says what each option does).
#include "SimBench.h"

#include <string>
#include <vector>

// The bench brelk-sim puts in front of the Brelk when no --sensors is given:
// everything the sample vehicles need, in groups that SIGHUP brings in turn.
//   1  blank F7V4 2345 (433 MHz) and blank F6V4 2346 (315 MHz)
//   2  blank N8V4 2347 (433 MHz) and blank F6V1 2348 (315 MHz)
//   3  blank F7V3 2349 (433 MHz)
//   4  programmed sensors of every line, as fitted in a wheel: F7V4 3456
//      holds 00ABCDEF, F6V4 3457 00BCDEF1, N8V4 3458 00CDEF12, F7V3 3459
//      00DEF123, F6V1 345A 00EF1234
// Sensors of one frequency in one group are of lines that no search of
// another line takes, so each group answers one sensor per search.
extern const char kDefaultBench[];

struct SimOptions {
    int com = 9;
    std::string ports; // empty: the client's links folder
    std::string version = "V6.11";
    std::string record;
    std::string state;
    BenchGroups sensors;
    int baud = 0;
    bool inLoader = false;
    int unplugAtBlock = -1;
};

enum class SimCommand { Run, Help, Bad };

// Reads the arguments (without the program name) into options; on Bad,
// error says what was wrong.
SimCommand ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// What --help prints.
const char* SimHelpText();

#pragma once
// The command line of brelk-sim (main.cpp says what each option does).
#include "SimBench.h"

#include <string>
#include <vector>

// The bench brelk-sim puts in front of the Brelk when no --sensors is given:
// what the sample vehicles need, one sensor a group, SIGHUP bringing the next.
// For each line in turn (F7V4, F6V4, N8V4, F7V3, F6V1) a blank sensor to
// create onto (2345 to 2349), a programmed one to test and copy (3456
// holding 00ABCDEF, 3457 00BCDEF1, 3458 00CDEF12, 3459 00DEF123, 345A
// 00EF1234) and a blank one to copy onto (2355 to 2359). One at a time, since the sample's test protocols share their
// trigger and every programmed sensor would answer it, and a search of one
// line meets the sensors of the others.
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

// sample-data: writes the sample data set's firmware containers and sensor
// test tables into a folder (see SampleDataSet.h for what it holds). Every
// byte is invented, and every build writes the same.
//
//   sample-data <folder>
#include "SampleDataSet.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample-data <folder>\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[1], ec);
    std::string error;
    if (!WriteSampleDataSet(argv[1], error)) {
        std::fprintf(stderr, "sample-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

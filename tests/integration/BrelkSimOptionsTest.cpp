// brelk-sim's command line, read as the program reads it.
#include "SimOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BrelkSimOptions, ACommandLineIsReadOrRefusedWithAReason)
{
    struct Case {
        std::vector<std::string> args;
        SimCommand command;
        const char* sensors; // the bench read, in its long form; nullptr: not looked at
        const char* error;   // a part of the reason given; nullptr: not looked at
    } cases[] = {
        {{}, SimCommand::Run, kDefaultBench, nullptr},
        {{"--help"}, SimCommand::Help, nullptr, nullptr},
        {{"--com", "7", "-h"}, SimCommand::Help, nullptr, nullptr},
        // The forms of before: plain ids are blank F7V4 sensors.
        {{"--sensors", "1234"}, SimCommand::Run, "F7V4:1234", nullptr},
        {{"--sensors", "3456=00ABCDEF/4567"}, SimCommand::Run, "F7V4:3456=00ABCDEF/F7V4:4567", nullptr},
        {{"--sensors", "none"}, SimCommand::Run, "", nullptr},
        // A line per sensor, in any case.
        {{"--sensors", "F7V3:3456=00ABCDEF"}, SimCommand::Run, "F7V3:3456=00ABCDEF", nullptr},
        {{"--sensors", "f6v1:12,N8V4:34/F6V4:56=1"},
         SimCommand::Run,
         "F6V1:0012,N8V4:0034/F6V4:0056=00000001",
         nullptr},
        {{"--sensors", "X9V9:1234"}, SimCommand::Bad, nullptr, "X9V9:1234"},
        {{"--sensors", "F7V3:"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--sensors", ":1234"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--sensors", "F7V3:12345"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--sensors", "FFFF"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--sensors", "1234=123456789"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--sensors", "12 34"}, SimCommand::Bad, nullptr, "--sensors"},
        {{"--com", "0"}, SimCommand::Bad, nullptr, "--com"},
        {{"--com", "256"}, SimCommand::Bad, nullptr, "--com"},
        {{"--com", "9x"}, SimCommand::Bad, nullptr, "9x"},
        {{"--baud", "-1"}, SimCommand::Bad, nullptr, "--baud"},
        {{"--unplug-at-block", "two"}, SimCommand::Bad, nullptr, "--unplug-at-block"},
        {{"--com"}, SimCommand::Bad, nullptr, "needs a value"},
        {{"--ports", ""}, SimCommand::Bad, nullptr, "needs a value"},
        {{"--bogus"}, SimCommand::Bad, nullptr, "unknown option --bogus"},
        {{"7"}, SimCommand::Bad, nullptr, "unknown option 7"},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& a : c.args)
            what += a + " ";
        SimOptions options;
        std::string error;
        EXPECT_EQ(ParseSimOptions(c.args, options, error), c.command) << what << error;
        if (c.sensors) {
            EXPECT_EQ(BenchSensorsText(options.sensors), c.sensors) << what;
        }
        if (c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << what << ": " << error;
        }
    }
}

TEST(BrelkSimOptions, EveryOptionTakesItsValue)
{
    SimOptions options;
    std::string error;
    ASSERT_EQ(ParseSimOptions({"--com", "12", "--ports", "/p", "--version", "V6.10", "--record", "r.txt", "--state",
                               "s.txt", "--baud", "57600", "--in-loader", "--unplug-at-block", "3"},
                              options, error),
              SimCommand::Run)
        << error;
    EXPECT_EQ(options.com, 12);
    EXPECT_EQ(options.ports, "/p");
    EXPECT_EQ(options.version, "V6.10");
    EXPECT_EQ(options.record, "r.txt");
    EXPECT_EQ(options.state, "s.txt");
    EXPECT_EQ(options.baud, 57600);
    EXPECT_TRUE(options.inLoader);
    EXPECT_EQ(options.unplugAtBlock, 3);
}

TEST(BrelkSimOptions, TheDefaultBenchHasEveryLineBlankProgrammedAndBlankToCopyOnto)
{
    BenchGroups groups;
    ASSERT_TRUE(ParseBenchSensors(kDefaultBench, groups));
    for (BenchFamily family :
         {BenchFamily::F7V4, BenchFamily::F6V4, BenchFamily::N8V4, BenchFamily::F7V3, BenchFamily::F6V1}) {
        int blank = 0, programmed = 0;
        for (const auto& group : groups)
            for (const BenchSensorSpec& spec : group)
                if (spec.family == family)
                    ++(spec.held ? programmed : blank);
        EXPECT_EQ(blank, 2) << BenchFamilyName(family);
        EXPECT_EQ(programmed, 1) << BenchFamilyName(family);
    }
}

TEST(BrelkSimOptions, TheHelpNamesEveryOptionAndSignal)
{
    const std::string help = SimHelpText();
    for (const char* word : {"--com", "--ports", "--sensors", "--state", "--record", "--baud", "--version",
                             "--in-loader", "--unplug-at-block", "--help", "SIGHUP", "SIGUSR1", "SIGUSR2", "SIGTERM",
                             "F7V4", "F6V4", "N8V4", "F7V3", "F6V1"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

} // namespace

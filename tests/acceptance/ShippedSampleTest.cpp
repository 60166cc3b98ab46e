// The shipped sample does the whole job: the client as the build leaves it
// (its data beside it, BRELK_PROGRAM_DIR unset), against brelk-sim with the
// bench scripts/run --simulated starts, paced as the Brelk's own 57600 baud
// line. For one vehicle of each sensor line, by clicks: Create Sensor onto
// the blank sensor of the line, Check Sensor reads it back, Test Sensor
// reads the programmed sensor of the line and Copy Sensor writes its
// identifier onto the line's second blank sensor. A technician swaps the
// sensors in front of the Brelk; here SIGHUP brings the next group of the
// bench.
#include "AcceptanceTest.h"

#include "BRELK2Dlg.h"
#include "Image.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "SampleDataSet.h"
#include "SensorOperations.h"
#include "TextLines.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr int kOperationMs = 240000;
constexpr int kSwapMs = 5000;
constexpr uint32_t kBlankId = 0xFFFFFFFF; // what a blank sensor holds

struct Road {
    const char* line;
    BenchFamily family;
    std::wstring brand, model, year;
    std::string csvVehicle; // ",Brand,Model,Year," as the daily record writes it
    uint16_t blank;         // the line's blank sensor on the default bench
    uint16_t programmed;    // its programmed sensor and the identifier that holds
    uint32_t programmedId;
    uint16_t spare;      // the line's second blank sensor, which Copy Sensor writes
    const char* typedId; // typed in hexadecimal on the create page
};

const Road kRoads[] = {
    {"F7V4", BenchFamily::F7V4, L"Brunmark", L"Arvo", L"2016", ",Brunmark,Arvo,2016,", 0x2345, 0x3456, 0x00ABCDEF,
     0x2355, "4038AAA0"},
    {"F6V4", BenchFamily::F6V4, L"Brunmark", L"Arvo", L"2018", ",Brunmark,Arvo,2018,", 0x2346, 0x3457, 0x00BCDEF1,
     0x2356, "7C12AB34"},
    {"N8V4", BenchFamily::N8V4, L"Brunmark", L"Corvane", L"2019", ",Brunmark,Corvane,2019,", 0x2347, 0x3458, 0x00CDEF12,
     0x2357, "1A2B3C4"},
    {"F7V3", BenchFamily::F7V3, L"Norvak", L"Tessel", L"2020", ",Norvak,Tessel,2020,", 0x2348, 0x3459, 0x00DEF123,
     0x2358, "1A2B3C"},
    {"F6V1", BenchFamily::F6V1, L"Brunmark", L"halden", L"2015", ",Brunmark,halden,2015,", 0x2349, 0x345A, 0x00EF1234,
     0x2359, "2B3C4D"},
};

constexpr size_t kRoadCount = sizeof kRoads / sizeof kRoads[0];

const Road& RoadOf(const char* line)
{
    for (const Road& road : kRoads)
        if (std::string(road.line) == line)
            return road;
    return kRoads[0];
}

// The identifier of the last daily record of the vehicle: "ID(H)" or "ID(D)".
uint32_t LastRecordedId(const std::string& csv, const std::string& vehicle)
{
    const std::vector<std::string> lines = LinesWith(csv, vehicle);
    if (lines.empty())
        return 0;
    const std::string& line = lines.back();
    const size_t from = line.find(vehicle) + vehicle.size();
    const std::string field = line.substr(from, line.find(',', from) - from);
    const bool hex = field.find("(H)") != std::string::npos;
    return static_cast<uint32_t>(std::strtoul(field.substr(0, field.find('(')).c_str(), nullptr, hex ? 16 : 10));
}

class ShippedSampleTest : public AcceptanceTest {
protected:
    bool OnShippedProgram() const override { return true; }

    // brelk-sim as scripts/run --simulated starts it (its default bench), paced
    // as the Brelk's line; the harness adds only the records it reads.
    void StartShippedBench() { StartSim({"--baud", "57600"}); }

    // SIGHUP until the sensor is in range, each swap seen in the bench record
    // (every group of the default bench holds one sensor).
    void BringInRange(uint16_t sensor)
    {
        for (size_t i = 0; i < kRoadCount * 3 && !BenchSensor(sensor).inRange; ++i) {
            const uint16_t before = SensorInRange();
            sim.Signal(SIGHUP);
            ASSERT_TRUE(WaitUntil([&] { return SensorInRange() != before; }, kSwapMs));
        }
        ASSERT_TRUE(BenchSensor(sensor).inRange) << std::hex << sensor;
    }
    uint16_t SensorInRange() const
    {
        for (const BenchRecordLine& line : ReadBenchRecord(run.File("bench.txt")))
            if (line.inRange)
                return line.searchId;
        return 0;
    }

    // Presses the button and waits for the operation's end, answering a
    // question (the relearn note of some vehicles) with its default button.
    // The seconds from the press to the outcome go to timeSeconds.
    std::string RunAnswering(int buttonId, double& timeSeconds, const std::string& grabOfQuestion = "")
    {
        const size_t ended = TraceCount("operation ended: ");
        const auto start = std::chrono::steady_clock::now();
        ClickClient(twin->PageControl(buttonId));
        MoveAway();
        bool answered = false;
        const bool done = WaitUntil(
            [&] {
                if (TraceCount("operation ended: ") > ended)
                    return true;
                std::vector<XSession::Window> question;
                if (!answered && !(question = OtherWindows()).empty()) {
                    if (!grabOfQuestion.empty())
                        SaveWindowGrab(question.front(), grabOfQuestion);
                    x.MoveTo(Centre(question.front().rect));
                    Key("Return");
                    MoveAway();
                    answered = true;
                }
                return false;
            },
            kOperationMs);
        timeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(done) << Trace();
        return LastStatusLine();
    }

    // With grabs, the car and model pages are saved on the way.
    void ChooseRoadVehicle(const Road& road, bool grabs = false)
    {
        ASSERT_TRUE(WaitForCarPage()) << Trace();
        ChooseVehicle(road.brand, road.model, road.year, grabs);
    }

    void EveryRoad(const Road& road)
    {
        StartShippedBench();
        StartClient();
        // The user guide's pictures of the pages come from the first line's run.
        const bool grabs = road.family == BenchFamily::F7V4;
        ChooseRoadVehicle(road, grabs);
        const std::string blankCrcText = Hex32(BenchSensor(road.blank).codeCrc);

        // Create Sensor onto the line's blank sensor, with a typed identifier.
        BringInRange(road.blank);
        TypeHexIdOnCreatePage(road.typedId);
        if (grabs)
            SaveSettledGrab("create-page");
        double createSeconds = 0;
        EXPECT_EQ(RunAnswering(kCmdProgramCreate, createSeconds, "question"), "Programming succeeded (blue)")
            << Trace();
        const uint32_t created = LastRecordedId(DailyFile("(Car-Model-Year).CSV"), road.csvVehicle);
        EXPECT_NE(created, 0u) << DailyFile("(Car-Model-Year).CSV");
        const BenchRecordLine sensor = BenchSensor(road.blank);
        EXPECT_EQ(sensor.family, road.line);
        EXPECT_EQ(sensor.held, created);
        EXPECT_EQ(sensor.codeCrc, ShippedImageCrc(road)) << "blank was " << blankCrcText;
        SaveSettledGrab("create-page-programmed");

        // Check Sensor reads what was written: the nine values, none empty.
        OpenSensorPage(kPageTestSensor);
        const size_t checks = TraceCount("sensor values: ");
        double checkSeconds = 0;
        EXPECT_EQ(RunAnswering(kCmdCheckSensor, checkSeconds), "Test succeeded (blue)") << Trace();
        ASSERT_GT(TraceCount("sensor values: "), checks) << Trace();
        const std::vector<std::string> valueLines = LinesWith(Trace(), "sensor values: ");
        const std::string values = valueLines.back().substr(valueLines.back().find("sensor values: ") + 15);
        std::vector<std::string> nine;
        std::stringstream split(values);
        for (std::string v; std::getline(split, v, '|');)
            nine.push_back(v);
        ASSERT_EQ(nine.size(), 9u) << values;
        for (const std::string& v : nine)
            EXPECT_NE(v.find_first_not_of(' '), std::string::npos) << values;
        EXPECT_EQ(IdOfText(nine[0]), created) << values;
        SaveSettledGrab("check-sensor");

        // Test Sensor reads the line's programmed sensor.
        BringInRange(road.programmed);
        double testSeconds = 0;
        EXPECT_EQ(RunAnswering(kCmdTestSensor, testSeconds), "Test succeeded (blue)") << Trace();
        const std::vector<std::string> readings = LinesWith(Trace(), "readings: ");
        ASSERT_FALSE(readings.empty()) << Trace();
        // Hexadecimal identifiers (the sample's settings), Fahrenheit and PSI.
        const std::string reading = readings.back().substr(readings.back().find("readings: ID ") + 13);
        EXPECT_EQ(IdOfText(reading.substr(0, reading.find(','))), road.programmedId) << reading;
        EXPECT_NE(reading.find(", 77 °F, 36.2 PSI, battery OK"), std::string::npos) << reading;
        SaveSettledGrab("test-page");

        // Copy Sensor: its identifier read on the copy page, written onto the line's second blank sensor.
        OpenSensorPage(kPageCopySensor);
        double copyTestSeconds = 0;
        EXPECT_EQ(RunAnswering(kCmdTestBeforeCopy, copyTestSeconds), "Test succeeded (blue)") << Trace();
        BringInRange(road.spare);
        EXPECT_EQ(BenchSensor(road.spare).held, kBlankId);
        double copySeconds = 0;
        EXPECT_EQ(RunAnswering(kCmdProgramCopy, copySeconds), "Programming succeeded (blue)") << Trace();
        EXPECT_EQ(BenchSensor(road.spare).held, road.programmedId);
        EXPECT_EQ(BenchSensor(road.spare).codeCrc, ShippedImageCrc(road));
        EXPECT_EQ(BenchSensor(road.blank).held, created);                // the created sensor keeps its own
        EXPECT_EQ(BenchSensor(road.programmed).held, road.programmedId); // only read
        EXPECT_EQ(LastRecordedId(DailyFile("(Car-Model-Year).CSV"), road.csvVehicle), road.programmedId);
        SaveSettledGrab("copy-page-programmed");

        std::printf("[ timing ] %s at 57600 baud, Program to outcome: create %.1f s, copy %.1f s; "
                    "check %.1f s, test %.1f s\n",
                    road.line, createSeconds, copySeconds, checkSeconds, testSeconds);
    }

    // The CRC-32 of the code area holding the line's programming image of the vehicle's code.
    static uint32_t ShippedImageCrc(const Road& road)
    {
        const SampleFamily* family = FindSampleFamily(road.line);
        if (!family)
            return 0;
        const V4ImageSpec image = SampleProgramImage(family->programType, static_cast<int>(family->sensorCode));
        const uint32_t start = BenchCodeStart(road.family);
        return CodeAreaCrc(FlashOfBlocks(image.blocks, start, BenchCodeEnd(road.family) - start));
    }
    // An identifier as the pages show it (hexadecimal, as the sample's settings have it).
    static uint32_t IdOfText(const std::string& text)
    {
        return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
    }
    static std::string Hex32(uint32_t v)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", v);
        return text;
    }
};

TEST_F(ShippedSampleTest, F7V4EveryOperation) { EveryRoad(RoadOf("F7V4")); }
TEST_F(ShippedSampleTest, F6V4EveryOperation) { EveryRoad(RoadOf("F6V4")); }
TEST_F(ShippedSampleTest, N8V4EveryOperation) { EveryRoad(RoadOf("N8V4")); }
TEST_F(ShippedSampleTest, F7V3EveryOperationWithTheBootUpdate) { EveryRoad(RoadOf("F7V3")); }
TEST_F(ShippedSampleTest, F6V1EveryOperationWithTheBootUpdate) { EveryRoad(RoadOf("F6V1")); }

TEST_F(ShippedSampleTest, AMissingFirmwareContainerIsNamedInRedAndTheSensorIsUntouched)
{
    // A copy of the program folder as the build leaves it, client and all,
    // without the F7V4 container.
    const std::string folder = run.File("program");
    fs::copy(BRELK_SAMPLE_BIN, folder, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    ASSERT_TRUE(fs::remove(fs::path(folder) / "F7V4Bin.bin"));
    clientExe = folder + "/brelk";
    const Road& road = RoadOf("F7V4");
    StartShippedBench();
    StartClient();
    ChooseRoadVehicle(road);
    BringInRange(road.blank);
    const BenchRecordLine before = BenchSensor(road.blank);
    TypeHexIdOnCreatePage(road.typedId);
    double seconds = 0;
    const std::string status = RunAnswering(kCmdProgramCreate, seconds);
    // The page names the file, in red.
    EXPECT_NE(status.find("F7V4Bin.bin"), std::string::npos) << status;
    EXPECT_NE(status.find("(red)"), std::string::npos) << status;
    auto line = GrabStatusLine("status-missing-container");
    ASSERT_TRUE(line);
    EXPECT_GT(RedPixels(*line), 20);
    SaveSettledGrab("create-page-missing-container");
    // Nothing reached the sensor, nothing was recorded.
    const BenchRecordLine after = BenchSensor(road.blank);
    EXPECT_EQ(after.held, 0xFFFFFFFFu);
    EXPECT_EQ(after.held, before.held);
    EXPECT_EQ(after.codeCrc, before.codeCrc);
    EXPECT_TRUE(DailyFiles().empty());
}

} // namespace

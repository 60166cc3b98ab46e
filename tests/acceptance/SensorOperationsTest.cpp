// Scenarios 2 to 4: the sensor operations as a technician runs them, with
// the simulated sensors of brelk-sim's bench.
#include "AcceptanceTest.h"

#include "BRELK2Dlg.h"
#include "Image.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "SensorOperations.h"

#include <csignal>

namespace {

constexpr uint16_t kBlank = 0x2345;
constexpr uint16_t kSecondBlank = 0x4567;
constexpr uint16_t kFitted = 0x3456;
constexpr uint32_t kFittedId = 0x00ABCDEF;

class SensorOperationsTest : public AcceptanceTest {
protected:
    // On the create page of Velsor Fenn 2016 (code 040), chosen by clicks in
    // the region Europe, with the identifier typed in hexadecimal.
    void CreatePageWithId(const std::string& id, bool grabs = false)
    {
        ASSERT_TRUE(WaitForCarPage()) << Trace();
        ChooseRegion(2);
        ChooseVehicle(L"Velsor", L"Fenn", L"2016", grabs);
        TypeHexIdOnCreatePage(id);
    }
    std::string Success(const char* key) const { return std::string(key) + " (blue)"; }
};

TEST_F(SensorOperationsTest, CreateSensorForAVehicleChosenByClicksWithATypedHexId)
{
    StartSim({"--sensors", "2345"});
    StartClient();
    CreatePageWithId("4038AAA0", true);
    SaveSettledGrab("create-page");

    const std::string status = RunOperation(kCmdProgramCreate);
    EXPECT_EQ(status, "Programming succeeded (blue)") << Trace();
    // The sensor holds the image and the identifier: the simulator says so.
    const BenchRecordLine sensor = BenchSensor(kBlank);
    EXPECT_EQ(sensor.held, 0x4038AAA0u);
    EXPECT_EQ(sensor.codeCrc, AcceptanceProgramFolder().codeAreaCrc);
    // Both daily records name it, with the vehicle.
    const std::string txt = DailyFile("(Car-Model-Year).txt");
    // Identifiers are decimal until the user asks for hexadecimal.
    const std::string csv = DailyFile("(Car-Model-Year).CSV");
    EXPECT_NE(txt.find("4038AAA0"), std::string::npos) << txt;
    EXPECT_NE(csv.find(",Velsor,Fenn,2016,4038AAA0(H),"), std::string::npos) << csv;
    // The status line shows it in blue, no red.
    auto line = GrabStatusLine("status-success");
    ASSERT_TRUE(line);
    EXPECT_GT(BluePixels(*line), 20);
    EXPECT_EQ(RedPixels(*line), 0);
    SaveSettledGrab("create-page-programmed");
}

TEST_F(SensorOperationsTest, TestSensorThenCopyTheIdReadOntoABlankSensor)
{
    // The fitted sensor is in range first; SIGHUP puts the blank one there instead.
    StartSim({"--sensors", "3456=00ABCDEF/4567"});
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    ChooseRegion(2);
    ChooseVehicle(L"Velsor", L"Fenn", L"2016");

    // Test on the test page reads the fitted sensor.
    EXPECT_EQ(RunOperation(kCmdTestSensor), "Test succeeded (blue)") << Trace();
    // What the panel shows: decimal identifiers, PSI and Fahrenheit until the settings say otherwise.
    EXPECT_NE(Trace().find("readings: ID 11259375, 77 °F, 36.2 PSI, battery OK"), std::string::npos) << Trace();
    SaveSettledGrab("test-page");

    // The copy page's Test reads it again and keeps its identifier.
    OpenSensorPage(kPageCopySensor);
    EXPECT_EQ(RunOperation(kCmdTestBeforeCopy), "Test succeeded (blue)") << Trace();
    auto* page = dynamic_cast<IOperationPage*>(twin->Dialog().GetCurrentPage());
    ASSERT_TRUE(page);

    // The fitted sensor goes, the blank one comes, and Program writes the copy.
    sim.Signal(SIGHUP);
    ASSERT_TRUE(WaitUntil([&] { return BenchSensor(kSecondBlank).inRange; }, 5000));
    EXPECT_EQ(RunOperation(kCmdProgramCopy), "Programming succeeded (blue)") << Trace();
    const BenchRecordLine copy = BenchSensor(kSecondBlank);
    EXPECT_EQ(copy.held, kFittedId);
    EXPECT_EQ(copy.codeCrc, AcceptanceProgramFolder().codeAreaCrc);
    // The fitted sensor was only read.
    EXPECT_EQ(BenchSensor(kFitted).held, kFittedId);
    EXPECT_EQ(BenchSensor(kFitted).codeCrc, AcceptanceProgramFolder().blankCodeCrc);
    // Identifiers are decimal until the user asks for hexadecimal.
    const std::string csv = DailyFile("(Car-Model-Year).CSV");
    EXPECT_NE(csv.find(",Velsor,Fenn,2016,11259375(D),"), std::string::npos) << csv;
    auto line = GrabStatusLine("status-copied");
    ASSERT_TRUE(line);
    EXPECT_GT(BluePixels(*line), 20);
    EXPECT_EQ(RedPixels(*line), 0);
    SaveSettledGrab("copy-page-programmed");
}

TEST_F(SensorOperationsTest, AnUnplugDuringCreateSensorFailsItWithoutARecordAndAfterTheReplugItSucceeds)
{
    // At the Brelk's own line rate the run lasts long enough to pull the plug in it.
    StartSim({"--sensors", "2345", "--baud", "57600"});
    StartClient();
    CreatePageWithId("4038AAA0");
    const size_t connected = TraceCount("Brelk connection: CONNECTED");
    const size_t ended = TraceCount("operation ended: ");
    ClickClient(twin->PageControl(kCmdProgramCreate));
    MoveAway();
    ASSERT_TRUE(WaitForTrace("status line: Programming the sensor...", 1, 60000)) << Trace();
    // Some blocks of the image are in the sensor.
    ASSERT_TRUE(WaitUntil([&] { return BenchSensor(kBlank).codeCrc != AcceptanceProgramFolder().blankCodeCrc; }, 30000))
        << Trace();

    sim.Signal(SIGUSR1);
    ASSERT_TRUE(WaitForTrace("Brelk connection: DISCONNECTED")) << Trace();
    ASSERT_TRUE(WaitForTrace("operation ended: ", ended + 1, 30000)) << Trace();
    EXPECT_NE(Trace().find("operation ended: failure"), std::string::npos) << Trace();
    // The run says the Brelk went while the sensor was being written, not
    // that the sensor failed; the top pane says the Brelk is gone.
    EXPECT_EQ(LastStatusLine(), RedStatus(L"PROGRAM_UNPLUGGED_WRITING")) << Trace();
    EXPECT_NE(Trace().rfind("Brelk connection: DISCONNECTED"), std::string::npos);
    // Nothing was recorded, and the sensor does not hold the identifier.
    EXPECT_TRUE(DailyFiles().empty());
    EXPECT_NE(BenchSensor(kBlank).held, 0x4038AAA0u);
    auto line = GrabStatusLine("status-unplugged");
    ASSERT_TRUE(line);
    EXPECT_GT(RedPixels(*line), 20);
    SaveSettledGrab("create-page-unplugged");

    // The client still answers: a tab takes it to the test page and back.
    OpenSensorPage(kPageTestSensor);
    OpenSensorPage(kPageCreateSensor);
    EXPECT_TRUE(client.Running());

    // Plugged in again, the Brelk is connected once more.
    sim.Signal(SIGUSR2);
    ASSERT_TRUE(WaitForTrace("Brelk connection: CONNECTED", connected + 1, 20000)) << Trace();
    EXPECT_TRUE(client.Running());
    // The create page's line still says, in red, what became of the run.
    auto after = GrabStatusLine("status-after-replug");
    ASSERT_TRUE(after);
    EXPECT_GT(RedPixels(*after), 20);
    EXPECT_EQ(BluePixels(*after), 0);
    // And the run goes through now, recorded once.
    EXPECT_EQ(RunOperation(kCmdProgramCreate), "Programming succeeded (blue)") << Trace();
    EXPECT_EQ(BenchSensor(kBlank).held, 0x4038AAA0u);
    EXPECT_EQ(BenchSensor(kBlank).codeCrc, AcceptanceProgramFolder().codeAreaCrc);
    EXPECT_EQ(LinesWith(DailyFile("(Car-Model-Year).CSV"), "4038AAA0(H)").size(), 1u);
}

} // namespace

namespace {

TEST_F(SensorOperationsTest, TwoBlankSensorsInRangeAreBothCreatedAfterTheQuestion)
{
    StartSim({"--sensors", "2345,4567"});
    StartClient();
    CreatePageWithId("4038AAA0");
    const size_t ended = TraceCount("operation ended: ");
    ClickClient(twin->PageControl(kCmdProgramCreate));
    MoveAway();
    // The question comes as a window of its own; Return answers Yes.
    std::vector<XSession::Window> question;
    ASSERT_TRUE(WaitUntil([&] { return !(question = OtherWindows()).empty(); }, 30000)) << Trace();
    SaveWindowGrab(question.front(), "question");
    // While it is open the status line says so; nothing is written yet.
    EXPECT_EQ(LastStatusLine(), "2 sensors found. Waiting for your answer... (blue)");
    auto waiting = GrabStatusLine("status-question");
    ASSERT_TRUE(waiting);
    EXPECT_GT(BluePixels(*waiting), 20);
    x.MoveTo(Centre(question.front().rect));
    Key("Return");
    ASSERT_TRUE(WaitForTrace("operation ended: ", ended + 1, 60000)) << Trace();
    EXPECT_EQ(BenchSensor(kBlank).held, 0x4038AAA0u);
    EXPECT_EQ(BenchSensor(kSecondBlank).held, 0x4038BBB1u);
    const std::string csv = DailyFile("(Car-Model-Year).CSV");
    EXPECT_NE(csv.find("4038AAA0(H)"), std::string::npos) << csv;
    EXPECT_NE(csv.find("4038BBB1(H)"), std::string::npos) << csv;
    EXPECT_EQ(LastStatusLine(), "Programming succeeded (blue)");
    SaveSettledGrab("create-page-two");
}

} // namespace

namespace {

TEST_F(SensorOperationsTest, CancelStopsACreateSensorRunWithoutARecord)
{
    StartSim({"--sensors", "2345", "--baud", "57600"});
    StartClient();
    CreatePageWithId("4038AAA0");
    const size_t ended = TraceCount("operation ended: ");
    ClickClient(twin->PageControl(kCmdProgramCreate));
    MoveAway();
    ASSERT_TRUE(WaitUntil([&] { return BenchSensor(kBlank).codeCrc != AcceptanceProgramFolder().blankCodeCrc; }, 60000))
        << Trace();
    ClickClient(twin->PageControl(kIdStop));
    MoveAway();
    ASSERT_TRUE(WaitForTrace("operation ended: ", ended + 1, 30000)) << Trace();
    // Stopped with blocks of the image written: the user learns the sensor must be programmed again.
    EXPECT_EQ(LastStatusLine(), RedStatus(L"PROGRAM_STOPPED_WRITING")) << Trace();
    EXPECT_NE(Trace().find("operation ended: failure"), std::string::npos);
    EXPECT_TRUE(DailyFiles().empty());
    EXPECT_NE(BenchSensor(kBlank).held, 0x4038AAA0u);
    SaveSettledGrab("create-page-cancelled");
}

} // namespace

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
    void CreatePageWithId(const std::string& id)
    {
        ASSERT_TRUE(WaitForCarPage()) << Trace();
        ChooseRegion(2);
        ChooseVehicle(L"Velsor", L"Fenn", L"2016");
        OpenSensorPage(kPageCreateSensor);
        auto* page = dynamic_cast<IOperationPage*>(twin->Dialog().GetCurrentPage());
        ASSERT_TRUE(page);
        if (!page->IsHexMode())
            Tap(twin->PageControl(kIdHexCheck));
        ClickClient(twin->PageControl(kIdSensorEdit));
        Type(id);
    }
    std::string Success(const char* key) const { return std::string(key) + " (blue)"; }
};

TEST_F(SensorOperationsTest, CreateSensorForAVehicleChosenByClicksWithATypedHexId)
{
    StartSim({"--sensors", "2345"});
    StartClient();
    CreatePageWithId("4038AAA0");
    auto before = GrabSettled();
    ASSERT_TRUE(before);
    SaveGrab(*before, "create-page");

    const std::string status = RunOperation(kCmdProgramCreate);
    EXPECT_EQ(status, "Programming succeeded (blue)") << Trace();
    // The sensor holds the image and the identifier: the simulator says so.
    const BenchRecordLine sensor = BenchSensor(kBlank);
    EXPECT_EQ(sensor.held, 0x4038AAA0u);
    EXPECT_EQ(sensor.codeCrc, AcceptanceProgramFolder().codeAreaCrc);
    // Both daily records name it, with the vehicle.
    const std::string txt = DailyFile("(Car-Model-Year).txt");
    const std::string csv = DailyFile("(Car-Model-Year).CSV");
    EXPECT_NE(txt.find("4038AAA0"), std::string::npos) << txt;
    EXPECT_NE(csv.find(",Velsor,Fenn,2016,4038AAA0(H),"), std::string::npos) << csv;
    // The status line shows it in blue, no red.
    auto line = GrabStatusLine("status-success");
    ASSERT_TRUE(line);
    EXPECT_GT(BluePixels(*line), 20);
    EXPECT_EQ(RedPixels(*line), 0);
    auto after = GrabSettled();
    ASSERT_TRUE(after);
    SaveGrab(*after, "create-page-programmed");
}

} // namespace

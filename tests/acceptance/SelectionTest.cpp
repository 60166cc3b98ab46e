// Scenario 5: a sensor chosen by its part number through the search box.
#include "AcceptanceTest.h"

#include "BRELK2Dlg.h"
#include "Image.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "SensorOperations.h"
#include "UiTestSupport.h"

namespace {

constexpr uint16_t kBlank = 0x2345;

TEST_F(AcceptanceTest, APartNumberFoundWithTheSearchBoxIsProgrammedAndRecordedUnderIt)
{
    StartSim({"--sensors", "2345"});
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();

    // The Part Number tab, and "D04" typed into the search box.
    const std::string partNoShown = "page " + std::to_string(kPagePartNo) + " shown";
    Tap(twin->MainTab(1));
    ASSERT_TRUE(WaitForTrace(partNoShown)) << Trace();
    MoveAway();
    auto all = GrabSettled();
    ASSERT_TRUE(all);
    SaveGrab(*all, "part-number-page");
    Tap(twin->SearchEdit());
    Type("D04");
    twin->TypeSearch(L"D04");
    MoveAway();
    // The client's page shows what the twin's does: the two part numbers that hold "D04".
    const CRect page = twin->Page();
    ASSERT_FALSE(twin->PartNumber(L"BRK-D040S").IsRectEmpty());
    EXPECT_TRUE(twin->PartNumber(L"BRK-D07C").IsRectEmpty());
    std::unique_ptr<Image> shown;
    ASSERT_TRUE(WaitUntil(
        [&] {
            shown = GrabSettled(page);
            auto twinShot = twin->Grab();
            return shown && twinShot && Likeness(*shown, *CropImage(*twinShot, page)) > 0.95;
        },
        10000))
        << "the client's part-number page does not show the filtered list";
    auto filtered = GrabSettled();
    ASSERT_TRUE(filtered);
    SaveGrab(*filtered, "part-number-search");

    // The second of them is chosen; Create Sensor programs a sensor for it.
    const size_t testPages = TraceCount("page " + std::to_string(kPageTestSensor) + " shown");
    Tap(twin->PartNumber(L"BRK-D040S"));
    ASSERT_TRUE(WaitForTrace("page " + std::to_string(kPageTestSensor) + " shown", testPages + 1)) << Trace();
    OpenSensorPage(kPageCreateSensor);
    auto* create = dynamic_cast<IOperationPage*>(twin->Dialog().GetCurrentPage());
    ASSERT_TRUE(create);
    if (!create->IsHexMode())
        Tap(twin->PageControl(kIdHexCheck));
    ClickClient(twin->PageControl(kIdSensorEdit));
    Type("4038BBB1");
    EXPECT_EQ(RunOperation(kCmdProgramCreate), "Programming succeeded (blue)") << Trace();
    EXPECT_EQ(BenchSensor(kBlank).held, 0x4038BBB1u);
    const std::string csv = DailyFile("(PartNO).CSV");
    EXPECT_NE(csv.find(",BRK-D040S,4038BBB1(H),"), std::string::npos) << csv;
    EXPECT_TRUE(DailyFile("(Car-Model-Year).CSV").empty());
}

} // namespace

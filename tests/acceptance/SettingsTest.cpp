// Scenario 5, its second half: settings chosen on the settings page by clicks
// are kept in "Setup.ini" and hold after a restart.
#include "AcceptanceTest.h"

#include "PageHistory.h"
#include "PageSetup.h"
#include "SensorOperations.h"

namespace {

constexpr int kSettingsTab = 2;
constexpr int kLanguages = 2; // English, Deutsch
constexpr int kIdFormats = 2; // hexadecimal, decimal
constexpr int kPressures = 3; // PSI, kPa, bar

TEST_F(AcceptanceTest, DecimalIdsKpaAndGermanChosenInTheSettingsAreKeptAfterARestart)
{
    // The technician had hexadecimal identifiers until now.
    run.Write("data/Setup.ini", "[Setup]\r\nIDFormat=H\r\n");
    StartSim({"--sensors", "3456=00ABCDEF"});
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    const std::string settingsShown = "page " + std::to_string(kPageSetup) + " shown";
    Tap(twin->MainTab(kSettingsTab));
    ASSERT_TRUE(WaitForTrace(settingsShown)) << Trace();
    SaveSettledGrab("settings-page");

    ChooseFromBox(twin->PageControl(CPageSetup::kIdFormatBoxId), kIdFormats, 1);
    ChooseFromBox(twin->PageControl(CPageSetup::kPressureBoxId), kPressures, 1);
    ChooseFromBox(twin->PageControl(CPageSetup::kLanguageBoxId), kLanguages, 1);
    const std::string ini = data + "/Setup.ini";
    ASSERT_TRUE(WaitForFileText(ini, "Language=DE")) << ReadFile(ini);
    const std::string chosen = ReadFile(ini);
    EXPECT_NE(chosen.find("Pressure=KPA"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("IDFormat=D"), std::string::npos) << chosen;
    SaveSettledGrab("settings-page-german");

    // A new start reads them back: the settings page shows them, in German.
    StopClient();
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    Tap(twin->MainTab(kSettingsTab));
    ASSERT_TRUE(WaitForTrace(settingsShown)) << Trace();
    SaveSettledGrab("settings-page-after-restart");
    EXPECT_EQ(ReadFile(ini), chosen);

    // A test shows the identifier in decimal and the pressure in kPa, and says so in German.
    Tap(twin->MainTab(0));
    ChooseRegion(2);
    ChooseVehicle(L"Velsor", L"Fenn", L"2016");
    EXPECT_EQ(RunOperation(kCmdTestSensor), "Prüfung erfolgreich (blue)") << Trace();
    const std::vector<std::string> readings = LinesWith(Trace(), "readings: ");
    ASSERT_FALSE(readings.empty()) << Trace();
    EXPECT_NE(readings.back().find("ID 11259375,"), std::string::npos) << readings.back();
    EXPECT_NE(readings.back().find(" kPa,"), std::string::npos) << readings.back();
    SaveSettledGrab("test-page-german");
}

} // namespace

// The Test, Copy and Create Sensor pages as the program makes them, driven
// by real clicks and typing, with the operations end to end behind them.
// The grabs land in the build folder's "grabs".
#include "EndToEndFixture.h"
#include "Graphics.h"
#include "Image.h"
#include "OperationPageLayout.h"
#include "SensorIdentifiers.h"
#include "UiScale.h"

#include "LabelFixture.h"
#include "MenuTabs.h"
#include "PageCopySensor.h"
#include "PageCreateSensor.h"
#include "PageSetup.h"
#include "PageTestSensor.h"
#include "PrintRegistry.h"
#include "SetupFile.h"
#include "TopPane.h"

namespace {

class SensorPagesTest : public EndToEndTest {
public:
    void SetUp() override
    {
        realPages = true;
        EndToEndTest::SetUp();
    }
    CPageCreateSensor* CreatePage() { return PageAs<CPageCreateSensor>(kPageCreateSensor); }
    static void Click(Wnd& wnd)
    {
        const CRect r = wnd.GetClientRect();
        MouseClick(wnd, CPoint(r.Width() / 2, r.Height() / 2));
        RunEvents(20);
    }
    static std::string GrabFolder()
    {
        const std::string folder = std::string(BRELK_SAMPLE_BIN) + "/../grabs";
        std::filesystem::create_directories(folder);
        return folder;
    }
    void Grab(const std::string& name)
    {
        dlg->UpdateWindow();
        RunEvents(30);
        EXPECT_TRUE(GrabWindowToPng(*dlg, GrabFolder() + "/" + name + ".png")) << name;
    }
    // The page's tab in the sensor tab bar, clicked as a user does.
    void ClickTab(int pageId)
    {
        CMenuTabs* tabs = dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeSensor);
        ASSERT_NE(tabs, nullptr);
        for (int i = 0; i < 3; ++i)
            if (CCustButton* tab = tabs->GetTab(i); tab && tab->GetDlgCtrlID() == pageId) {
                Click(*tab);
                EXPECT_EQ(CurrentId(*dlg), pageId);
                return;
            }
        ADD_FAILURE() << "no tab " << pageId;
    }
    void ClickButton(CSensorPageBase* page, int id)
    {
        ASSERT_NE(page->GetButton(id), nullptr) << id;
        Click(*page->GetButton(id));
    }
};

TEST_F(SensorPagesTest, ACreateSensorRunOnThePagesBeforeAndAfter)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    for (int pageId : {kPageTestSensor, kPageCopySensor, kPageCreateSensor}) {
        ClickTab(pageId);
        Grab("page-" + std::to_string(pageId) + "-before");
    }
    CPageCreateSensor* page = CreatePage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsHexMode());
    EXPECT_EQ(page->GetStatus(), Text(L"READY"));
    Click(*page->GetEdit());
    TypeText(*page->GetEdit(), L"4038aaa0");
    EXPECT_EQ(page->GetIdText(), L"4038aaa0");
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    EXPECT_EQ(page->GetStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusBlue);
    EXPECT_TRUE(Holds(kNewId));
    EXPECT_EQ(page->GetResultPane()->GetValues()[0], L"4038AAA0");
    EXPECT_FALSE(page->GetProgressBar()->IsWindowVisible());
    // After a success Print may name the sensor.
    EXPECT_TRUE(page->GetButton(kIdPrint)->IsWindowEnabled());
    EXPECT_EQ(page->GetButton(kCmdProgramCreate)->GetState(), CCustButton::kStateNormal);
    Grab("page-10205-after");
    for (int pageId : {kPageTestSensor, kPageCopySensor}) {
        ClickTab(pageId);
        Grab("page-" + std::to_string(pageId) + "-after");
    }

    // A failed run takes Print away.
    ClickTab(kPageCreateSensor);
    brelk.frames.ClearSensors();
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusRed);
    EXPECT_FALSE(page->GetButton(kIdPrint)->IsWindowEnabled());
    Grab("page-10205-failed");
}

TEST_F(SensorPagesTest, PrintAfterACreateSensorRunPrintsTheLabelOfTheSensorItProgrammed)
{
    FakePrinterService printers({L"Label"}, L"Label");
    theApp.m_printSetting = _tagPrintSettingInfo();
    theApp.m_printSetting.printerName = L"Label";
    program.Write("pic/car/VornixLogo.bmp", ReadFile(WideToUtf8(BuiltLogoPath())));
    Open();
    SetIdFormat(L"H");
    Bench();
    ClickTab(kPageCreateSensor);
    CPageCreateSensor* page = CreatePage();
    ASSERT_NE(page, nullptr);
    Click(*page->GetEdit());
    TypeText(*page->GetEdit(), L"4038aaa0");
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    ASSERT_EQ(page->GetStatus(), Text(L"PROGRAM_SUCCSSED"));

    FixedDate date(2024, 3, 5);
    ScriptedMessageBoxes boxes;
    ClickButton(page, kIdPrint);
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    const std::vector<FakePrinterService::Page> printed = printers.Printed();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].printer, L"Label");
    EXPECT_EQ(printed[0].document, L"Data Printing");
    EXPECT_EQ(printed[0].widthTenthMm, 400);
    EXPECT_EQ(printed[0].lengthTenthMm, 310);
    // The identifier the Brelk read back, in the base it was written in.
    EXPECT_EQ(GetPrintRegistry().numbers.count(L"4038AAA0(H)"), 1u);
    ASSERT_TRUE(printed[0].image);
    const Image& label = *printed[0].image;
    EXPECT_TRUE(label.Save(GrabFolder() + "/label-10205-printed.png"));
    // The logo in the head, the ID line from 8.8 mm (69 pixels at 203 dpi).
    EXPECT_TRUE(FindInk(label, CRect(0, 0, label.GetWidth(), 69)).Found());
    const InkBox id = FindInk(label, CRect(0, 70, label.GetWidth(), 100));
    ASSERT_TRUE(id.Found());
    EXPECT_NEAR((id.left + id.right) / 2.0, label.GetWidth() / 2.0, 3);

    // A failed run takes the label away with Print: nothing names the sensor that was not written.
    brelk.frames.ClearSensors();
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    ClickButton(page, kIdPrint);
    EXPECT_EQ(printers.Printed().size(), 1u);
    theApp.m_printSetting = _tagPrintSettingInfo();
}

TEST_F(SensorPagesTest, ThePaneListsTwelveProgrammedSensorsAndScrolls)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    brelk.frames.ClearSensors();
    std::vector<std::shared_ptr<SimProgrammableSensor>> sensors;
    for (int i = 0; i < 12; ++i) {
        auto s = std::make_shared<SimProgrammableSensor>(static_cast<uint16_t>(0x1000 + i), protocol);
        s->SetIdentity("PSN-" + std::to_string(100 + i));
        brelk.frames.AddSensor(s);
        sensors.push_back(s);
    }
    Navigate(kPageCreateSensor);
    CPageCreateSensor* page = CreatePage();
    page->SetIdText(L"10000000");
    ScriptedMessageBoxes boxes({IDYES});
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, L"12 sensors found. Program all of them?");
    EXPECT_EQ(page->GetStatus(), Text(L"PROGRAM_SUCCSSED"));
    CTestSensorRightPane* pane = page->GetResultPane();
    EXPECT_TRUE(pane->ShowsProgrammedList());
    const auto rows = pane->CollectRows();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows.front(), (CTestSensorRightPane::Row{L"10000000", L"PSN-100"}));
    EXPECT_EQ(rows.back(), (CTestSensorRightPane::Row{L"1000BBBB", L"PSN-111"}));
    for (size_t i = 0; i < sensors.size(); ++i)
        EXPECT_EQ(sensors[i]->ConfiguredId(), 0x10000000u + 0x1111u * i) << i;
    // Twelve lines do not fit: the list scrolls inside the pane.
    EXPECT_GT(pane->GetContentHeight(), pane->GetClientRect().Height());
    Grab("pane-12-sensors");
    MouseWheel(*pane, CPoint(100, 100), -240);
    RunEvents(30);
    EXPECT_GT(pane->GetScrollPosition().y, 0);
    Grab("pane-12-sensors-scrolled");
}

TEST_F(SensorPagesTest, TheHexCheckBoxConvertsTheIdentifierAndRefusesWhatTheSensorCannotHold)
{
    Open(L"1A3"); // identifiers of "3.5" bytes: 7 digits
    Navigate(kPageCreateSensor);
    CPageCreateSensor* page = CreatePage();
    EXPECT_FALSE(page->IsHexMode());
    EXPECT_EQ(page->GetIdDigits().hex, 7);
    EXPECT_EQ(page->GetIdDigits().dec, 9);
    Click(*page->GetEdit());
    TypeText(*page->GetEdit(), L"11259375");
    Click(*page->GetHexCheck());
    EXPECT_EQ(page->GetIdText(), L"0ABCDEF");
    EXPECT_TRUE(page->IsHexMode());
    EXPECT_EQ(page->GetEdit()->GetInputMode(), CMyEditCtrl::kModeHex);
    EXPECT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"H");
    Click(*page->GetHexCheck());
    EXPECT_EQ(page->GetIdText(), L"11259375");
    EXPECT_FALSE(page->IsHexMode());
    EXPECT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"D");

    // Beyond the sensor: refused, the text and the mode stay.
    page->SetIdText(L"999999999");
    {
        ScriptedMessageBoxes boxes;
        Click(*page->GetHexCheck());
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, L"Invalid data !\r\nRange:0-268435455");
    }
    EXPECT_EQ(page->GetIdText(), L"999999999");
    EXPECT_FALSE(page->IsHexMode());
    EXPECT_EQ(page->GetHexCheck()->GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(page->GetEdit()->GetInputMode(), CMyEditCtrl::kModeDecimal);
    EXPECT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"D");
}

TEST_F(SensorPagesTest, TenDecimalDigitsFitTheEdit)
{
    Open(); // 8 hexadecimal digits, 10 decimal ones
    Navigate(kPageCreateSensor);
    CPageCreateSensor* page = CreatePage();
    Click(*page->GetEdit());
    TypeText(*page->GetEdit(), L"429496729512");
    // The length limit holds the eleventh and twelfth back.
    EXPECT_EQ(page->GetIdText(), L"4294967295");
    Grab("page-10205-ten-digits");
}

TEST_F(SensorPagesTest, AnUnsupportedSensorThenASupportedOneKeepsStopVisible)
{
    Open(L"FF"); // no parameter record
    Navigate(kPageCreateSensor);
    CPageCreateSensor* create = CreatePage();
    bool blocked = false;
    EXPECT_EQ(create->SupportText(&blocked), Text(L"NOT_SUPPORT_PROG"));
    EXPECT_TRUE(blocked);
    EXPECT_EQ(create->GetButton(kCmdProgramCreate)->GetState(), CCustButton::kStateDisabled);
    EXPECT_FALSE(create->GetButton(kCmdGenerateId)->IsWindowEnabled());
    EXPECT_FALSE(create->GetEdit()->IsWindowEnabled());
    EXPECT_FALSE(create->GetButton(kIdStop)->IsWindowVisible());
    Grab("page-10205-unsupported");
    Navigate(kPageTestSensor);
    CPageTestSensor* test = PageAs<CPageTestSensor>(kPageTestSensor);
    EXPECT_EQ(test->SupportText(), L"Not supported this sensor!");
    EXPECT_FALSE(test->GetButton(kCmdTestSensor)->IsWindowEnabled());

    // The next vehicle's sensor is programmable: everything comes back.
    year = std::make_unique<CYear>(L"2017", L"40", L"0x40", L"0", L"OBD", L"Teskaro Demo", L"BR-101-1740", L"1", L"40");
    dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(year.get())), kActionVehicle);
    Navigate(kPageCreateSensor);
    EXPECT_EQ(create->SupportText(&blocked), L"Programmable sensor, 433 MHz");
    EXPECT_FALSE(blocked);
    EXPECT_TRUE(create->GetButton(kIdStop)->IsWindowVisible());
    EXPECT_EQ(create->GetButton(kCmdProgramCreate)->GetState(), CCustButton::kStateNormal);
    EXPECT_TRUE(create->GetButton(kCmdGenerateId)->IsWindowEnabled());
    EXPECT_TRUE(create->GetEdit()->IsWindowEnabled());
    Navigate(kPageTestSensor);
    EXPECT_TRUE(test->GetButton(kCmdTestSensor)->IsWindowEnabled());
}

TEST_F(SensorPagesTest, NoPortShowsItsTextInRedOnEachPageAndStartsNothing)
{
    Open();
    SetIdFormat(L"H");
    brelk.port.FailOpen(ENOENT);
    SerialClose();
    const struct {
        int pageId;
        int command;
    } rows[] = {{kPageTestSensor, kCmdTestSensor},
                {kPageCopySensor, kCmdTestBeforeCopy},
                {kPageCreateSensor, kCmdProgramCreate}};
    for (const auto& row : rows) {
        ClickTab(row.pageId);
        CSensorPageBase* page = PageAs<CSensorPageBase>(row.pageId);
        ASSERT_NE(page, nullptr) << row.pageId;
        if (row.pageId == kPageCreateSensor) {
            Click(*CreatePage()->GetEdit());
            TypeText(*CreatePage()->GetEdit(), L"4038aaa0");
        }
        ClickButton(page, row.command);
        EXPECT_EQ(page->GetStatus(), Text(L"CAN_NOT_OPEN_COM_PORT")) << row.pageId;
        EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusRed) << row.pageId;
        EXPECT_EQ(g_bBusy.load(), 0) << row.pageId;
        EXPECT_FALSE(dlg->IsWorkerRunning()) << row.pageId;
    }
    Grab("page-10205-no-port");
    brelk.port.FailOpen(0);

    // Nothing was programmed: Print prints nothing and says what to do first.
    FakePrinterService printers({L"Label"}, L"Label");
    theApp.m_printSetting = _tagPrintSettingInfo();
    theApp.m_printSetting.printerName = L"Label";
    {
        ScriptedMessageBoxes boxes;
        dlg->SendMessage(WM_PAGE_ACTION, kIdPrint, kActionOperation);
        EXPECT_TRUE(printers.Printed().empty());
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, L"Error:\nNo sensor was programmed yet. Please press [Program] first.");
    }
    theApp.m_printSetting = _tagPrintSettingInfo();
}

TEST_F(SensorPagesTest, CheckSensorShowsNineLinesAndGenerateFillsTheEdit)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    sensor->WriteFlash(SIM_V4_CONFIG + 7, {0x40, 0x38, 0xAA, 0xA0});
    Navigate(kPageTestSensor);
    CPageTestSensor* test = PageAs<CPageTestSensor>(kPageTestSensor);
    ClickButton(test, kCmdCheckSensor);
    ASSERT_TRUE(WaitForOperation(120000));
    EXPECT_EQ(test->GetStatus(), Text(L"TEST_SUCCSSED"));
    EXPECT_TRUE(test->GetResultPane()->IsReadingShown());
    EXPECT_EQ(test->GetResultPane()->GetValues()[0], L"4038AAA0");
    Grab("page-10204-check");
    brelk.frames.ClearSensors();
    ClickButton(test, kCmdCheckSensor);
    ASSERT_TRUE(WaitForOperation(120000));
    for (const std::wstring& v : test->GetResultPane()->GetValues())
        EXPECT_EQ(v, L"NA");
    Grab("page-10204-check-failed");

    Navigate(kPageCreateSensor);
    CPageCreateSensor* create = CreatePage();
    dlg->Operations().Services().idSeed = [] { return 1; };
    ClickButton(create, kCmdGenerateId);
    EXPECT_EQ(create->GetIdText(), L"4038AAA0");
}

} // namespace

namespace {

TEST_F(SensorPagesTest, LongSelectionLinesEndBeforeThePane)
{
    Image canvas(10, 10);
    Graphics g(canvas);
    const Font font(L"Arial", 11, FontStyleBold);
    const std::wstring longText = L"Sensor Manufacturer:" + std::wstring(80, L'M');
    const std::wstring fitted = FitText(g, longText, font, 300);
    EXPECT_LE(g.MeasureString(fitted, font).Width, 300);
    ASSERT_GE(fitted.size(), 3u);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), L"...");
    EXPECT_EQ(FitText(g, L"short", font, 300), L"short");

    // A vehicle with long texts, as the pages draw it.
    Open();
    year->sensorManufactor = std::wstring(L"Teskaro Demo Sensors and Valves of a very long company name, Division ") +
                             L"of Pressure Monitoring";
    year->oemPartNo = L"BR-101-1640-" + std::wstring(60, L'9');
    Navigate(kPageTestSensor);
    dlg->GetCurrentPage()->Invalidate();
    Grab("page-10204-long-lines");
}

TEST_F(SensorPagesTest, ALanguageChangeReachesThePagesAndThePane)
{
    Open();
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"DE"), 0);
    dlg->OnLanguageChanged(L"DE");
    auto* create = PageAs<CPageCreateSensor>(kPageCreateSensor);
    auto* test = PageAs<CPageTestSensor>(kPageTestSensor);
    EXPECT_EQ(create->GetButton(kCmdProgramCreate)->GetText(), L"Programmieren");
    EXPECT_EQ(create->GetButton(kIdStop)->GetText(), L"Abbrechen");
    EXPECT_EQ(create->GetHexCheck()->GetWindowText(), GetLanguageManager().GetText(L"BTN_HEX_CHECK"));
    EXPECT_EQ(create->GetResultPane()->GetLabel(0), L"Sensor-ID");
    EXPECT_EQ(test->GetButton(kCmdCheckSensor)->GetText(), L"Sensor auslesen");
    Navigate(kPageCreateSensor);
    Grab("page-10205-german");
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
}

// In German every text of the pages is German, and none is cut: the
// selection lines, the warnings of an unsupported sensor, the refusal of an
// identifier out of range, and the status line beside a running bar.
TEST_F(SensorPagesTest, TheGermanPagesShowEveryTextInGermanAndWhole)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"DE"), 0);
    Open();
    dlg->OnLanguageChanged(L"DE");
    Navigate(kPageTestSensor);
    auto* test = PageAs<CPageTestSensor>(kPageTestSensor);
    const SelectionLines lines = test->ComposeLines();
    EXPECT_EQ(lines.b, L"Sensorhersteller:Teskaro Demo");
    EXPECT_EQ(lines.c, L"OE-Nummer:BR-101-1640");
    Grab("page-10204-german");
    EXPECT_EQ(IdRangeText(255), L"Ung\u00fcltige Eingabe!\r\nBereich: 0-255");

    // The Create page while a run's bar stands: the label and the status line stay readable.
    Navigate(kPageCreateSensor);
    CPageCreateSensor* create = CreatePage();
    create->SetStatusText(StatusOfKey(L"PROGRAM_SENSOR"), kStatusBlue);
    create->ShowProgress(0);
    create->ShowProgress(47);
    Grab("page-10205-german-progress");
    create->ShowProgress(255);

    // An unsupported sensor: the warnings in German, laid out whole.
    Open(L"FF");
    dlg->OnLanguageChanged(L"DE");
    Navigate(kPageCreateSensor);
    create = CreatePage();
    bool blocked = false;
    const std::wstring warning = create->SupportText(&blocked);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(warning, GetLanguageManager().GetText(L"NOT_SUPPORT_PROG"));
    Image scratch(8, 8);
    Graphics g(scratch);
    const OperationPageLayout layout = LayoutOperationPage(kPageTypeCreate, g_dUiScale);
    const float width = float(layout.pane.left - 10 - layout.selection.left);
    const Font fitted = FitFont(g, warning, Font(L"Arial", 12, FontStyleBold), width, 9);
    EXPECT_EQ(FitText(g, warning, fitted, width), warning) << "cut on the page";
    EXPECT_LT(fitted.Size(), 12.0f); // the German line is longer than the English one
    Grab("page-10205-german-unsupported");
    Navigate(kPageTestSensor);
    EXPECT_EQ(PageAs<CPageTestSensor>(kPageTestSensor)->SupportText(), L"Dieser Sensor wird nicht unterst\u00fctzt!");
    Grab("page-10204-german-unsupported");
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
}

} // namespace

// What the pages show stays current and true: an outcome is never written
// over by a device notice, no reading of an earlier sensor stays beside a
// failure, and an open question is said on the status line.
namespace {

class CurrentScreenTest : public SensorPagesTest {
public:
    // Create Sensor run by clicks on the create page, typed in hexadecimal.
    CPageCreateSensor* CreateByClicks(const std::wstring& id = L"4038aaa0")
    {
        ClickTab(kPageCreateSensor);
        CPageCreateSensor* page = CreatePage();
        EXPECT_NE(page, nullptr);
        if (!page)
            return nullptr;
        if (!page->IsHexMode())
            Click(*page->GetHexCheck());
        Click(*page->GetEdit());
        KeyPress(*page->GetEdit(), 'A', true);
        TypeText(*page->GetEdit(), id);
        ClickButton(page, kCmdProgramCreate);
        EXPECT_TRUE(WaitForOperation(120000));
        return page;
    }
    // The vehicle chosen and a sensor created on it: the create page shows the success.
    CPageCreateSensor* ProgrammedOnce()
    {
        Open();
        SetIdFormat(L"H");
        Bench();
        CPageCreateSensor* page = CreateByClicks();
        if (page) {
            ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
            EXPECT_EQ(page->GetResultPane()->GetValues()[0], L"4038AAA0");
        }
        return page;
    }
    void Notice(UINT event) { dlg->SendMessage(WM_DEVICECHANGE, event, 0); }
    // The Brelk pulled: its node leaves the device map and the window is told.
    void Unplug()
    {
        brelk.port.Unplug(true);
        DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
        Notice(DBT_DEVICEREMOVECOMPLETE);
    }
    int ConnectView() const { return dlg->GetTopPane()->GetConnectStatusView()->GetState(); }
    static void ExpectStatus(CSensorPageBase* page, const std::wstring& text, COLORREF colour)
    {
        EXPECT_EQ(page->GetStatus(), text);
        EXPECT_EQ(page->GetStatusText()->GetTextColor(), colour);
    }
    static void ExpectEmptyPane(CSensorPageBase* page)
    {
        for (const std::wstring& value : page->GetResultPane()->GetValues())
            EXPECT_EQ(value, L"");
        EXPECT_FALSE(page->GetResultPane()->IsReadingShown());
        EXPECT_FALSE(page->GetResultPane()->ShowsProgrammedList());
    }
};

TEST_F(CurrentScreenTest, AnOutcomeSurvivesANoticeOfAnotherDevice)
{
    CPageCreateSensor* page = ProgrammedOnce();
    ASSERT_NE(page, nullptr);
    // Another tty, a change in the links folder: the Brelk stays where it was.
    for (UINT event : {DBT_DEVNODES_CHANGED, DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}) {
        Notice(event);
        ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
        EXPECT_EQ(ConnectView(), CConnectStatusView::kStateConnected);
    }
    Grab("status-after-unrelated-notice");

    // A failure stays as well.
    brelk.frames.ClearSensors();
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    const std::wstring failure = page->GetStatus();
    EXPECT_EQ(failure, Failure(L"NO_SENSOR_PROGRAM", -2, 433)) << WideToUtf8(failure);
    Notice(DBT_DEVNODES_CHANGED);
    ExpectStatus(page, failure, kStatusRed);

    // The user's next action takes it: the next press shows its own status.
    Bench();
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
}

TEST_F(CurrentScreenTest, AnOutcomeSurvivesAReplugOfTheSameBrelk)
{
    CPageCreateSensor* page = ProgrammedOnce();
    ASSERT_NE(page, nullptr);

    // Pulled and put back: the top pane follows, the outcome stays.
    Unplug();
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateDisconnected);
    ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
    Replug();
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateConnected);
    ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
    EXPECT_EQ(page->GetResultPane()->GetValues()[0], L"4038AAA0");
    Grab("status-after-replug");

    // After the user's next action the connection may be said there again.
    Click(*page->GetEdit());
    ClickButton(page, kCmdGenerateId);
    Unplug();
    ExpectStatus(page, Text(L"DISCONNECTED"), kStatusRed);
    Replug();
    ExpectStatus(page, Text(L"CONNECTED"), kStatusBlue);
}

TEST_F(CurrentScreenTest, AtTheUsersNextActionTheOutcomeGivesWayToTheConnectionOfTheMoment)
{
    CPageCreateSensor* page = ProgrammedOnce();
    ASSERT_NE(page, nullptr);
    // Pulled while the outcome shows: the outcome stays, the top pane follows.
    Unplug();
    ExpectStatus(page, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
    // The next press ends the outcome: the line no longer says the run went
    // well with the Brelk gone.
    Click(*page->GetEdit());
    ClickButton(page, kCmdGenerateId);
    ExpectStatus(page, Text(L"DISCONNECTED"), kStatusRed);
    Grab("status-after-next-action");
}

TEST_F(CurrentScreenTest, AnUnplugDuringARunEndsWithTheOperationsFailureText)
{
    CPageCreateSensor* page = ProgrammedOnce();
    ASSERT_NE(page, nullptr);

    // Pulled in the middle of the next run.
    auto bench = Bench(Fault::Unplug, 6);
    ClickButton(page, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    ASSERT_TRUE(bench->Injected());
    PumpMessages(); // the worker's end, and the change it saw meanwhile
    // The run says that the Brelk went, not that the sensor failed.
    const std::wstring failure = page->GetStatus();
    EXPECT_EQ(failure, Text(L"PROGRAM_UNPLUGGED")) << WideToUtf8(failure);
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusRed);
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateDisconnected);
    // Nothing of the sensor programmed before stays beside it.
    ExpectEmptyPane(page);
    Grab("page-10205-unplugged");

    // Plugged in again: connected, and the failure still says what happened.
    Replug();
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateConnected);
    ExpectStatus(page, failure, kStatusRed);
}

TEST_F(CurrentScreenTest, ThePanesAreEmptyAfterAFailedRun)
{
    // Create: a sensor programmed and read back, then a run that finds none.
    CPageCreateSensor* create = ProgrammedOnce();
    ASSERT_NE(create, nullptr);
    brelk.frames.ClearSensors();
    ClickButton(create, kCmdProgramCreate);
    ASSERT_TRUE(WaitForOperation(120000));
    EXPECT_EQ(create->GetStatusText()->GetTextColor(), kStatusRed);
    ExpectEmptyPane(create);
    Grab("pane-after-failed-run");

    // Copy and Test: a sensor read, then a run that finds none.
    const struct {
        int pageId;
        int read;
        int failing;
    } rows[] = {{kPageCopySensor, kCmdTestBeforeCopy, kCmdProgramCopy},
                {kPageTestSensor, kCmdTestSensor, kCmdTestSensor}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pageId);
        Bench();
        sensor->WriteFlash(SIM_V4_CONFIG + 7, {0x00, 0xAB, 0xCD, 0xEF}); // a fitted sensor, with its identifier
        ClickTab(row.pageId);
        auto* page = PageAs<CSensorPageBase>(row.pageId);
        ClickButton(page, row.read);
        ASSERT_TRUE(WaitForOperation(120000));
        ASSERT_EQ(page->GetStatus(), Text(L"TEST_SUCCSSED"));
        ASSERT_FALSE(page->GetResultPane()->GetValues()[0].empty());
        brelk.frames.ClearSensors();
        ClickButton(page, row.failing);
        ASSERT_TRUE(WaitForOperation(120000));
        EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusRed);
        ExpectEmptyPane(page);
    }
}

TEST_F(CurrentScreenTest, TheStatusSaysWhileTheQuestionIsOpenAndThatNothingWasProgrammed)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    auto second = std::make_shared<SimProgrammableSensor>(0x4567, protocol, 0x7100, 0x0411);
    second->SetIdentity("PSN-0002");
    brelk.frames.AddSensor(second);
    std::wstring whileOpen;
    COLORREF colourWhileOpen = 0;
    ScriptedMessageBoxes question({IDNO});
    question.whileOpen = [&](const ScriptedMessageBoxes::Asked&) {
        if (auto* page = CreatePage()) {
            whileOpen = page->GetStatus();
            colourWhileOpen = page->GetStatusText()->GetTextColor();
        }
        Grab("status-while-question-open");
    };
    CPageCreateSensor* page = CreateByClicks();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(question.AskedBoxes().size(), 1u);
    EXPECT_EQ(question.AskedBoxes()[0].text, L"2 sensors found. Program all of them?");
    EXPECT_EQ(whileOpen, L"2 sensors found. Waiting for your answer...");
    EXPECT_EQ(colourWhileOpen, kStatusBlue);
    // No: neither sensor was touched, and the line says so.
    ExpectStatus(page, L"Nothing was programmed [Error Code:10]", kStatusRed);
    EXPECT_NE(sensor->ConfiguredId(), kNewId);
    EXPECT_NE(second->ConfiguredId(), kNewId);
    ExpectEmptyPane(page);
}

TEST_F(CurrentScreenTest, TheSettingsAndTheCreatePageAgreeAfterAClick)
{
    Open();
    SetIdFormat(L"H");
    Navigate(kPageSetup);
    auto* settings = PageAs<CPageSetup>(kPageSetup);
    ASSERT_NE(settings, nullptr);
    CMyComboBox* idFormat = settings->GetBox(CPageSetup::kIdFormatBoxId);
    EXPECT_EQ(idFormat->GetCurSel(), 0);

    // Unticked on the create page: the settings page says decimal when it shows again.
    Navigate(kPageCreateSensor);
    CPageCreateSensor* create = CreatePage();
    ASSERT_TRUE(create->IsHexMode());
    Click(*create->GetHexCheck());
    EXPECT_FALSE(create->IsHexMode());
    EXPECT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"D");
    Navigate(kPageSetup);
    EXPECT_EQ(idFormat->GetCurSel(), 1);
    Grab("settings-after-create-page-click");

    // And the other way: hexadecimal chosen in the box ticks the create page's box.
    idFormat->SetFocus();
    KeyPress(*idFormat, VK_UP);
    EXPECT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"H");
    Navigate(kPageCreateSensor);
    EXPECT_TRUE(create->IsHexMode());
    EXPECT_EQ(create->GetHexCheck()->GetCheck(), BST_CHECKED);
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
}

TEST_F(CurrentScreenTest, TheSettingsPageShowsNoBrelkVersionOnceTheBrelkIsGone)
{
    Open();
    Navigate(kPageSetup);
    auto* settings = PageAs<CPageSetup>(kPageSetup);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return settings->GetVersionText() == L"V6.11" && !dlg->IsWorkerRunning(); }, 5000));

    // Pulled while the page shows: its version line empties with the top pane's view.
    Unplug();
    EXPECT_EQ(settings->GetVersionText(), L"");
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateDisconnected);
    Grab("settings-brelk-gone");
    // Shown again without a Brelk: still nothing.
    Navigate(kPagePartNo);
    Navigate(kPageSetup);
    EXPECT_EQ(settings->GetVersionText(), L"");
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));
    EXPECT_EQ(settings->GetVersionText(), L"");

    // Back: its version again.
    Replug();
    EXPECT_EQ(settings->GetVersionText(), L"V6.11");
    EXPECT_EQ(ConnectView(), CConnectStatusView::kStateConnected);
}

TEST_F(CurrentScreenTest, TheReadingsFollowTheSettingsWhenTheirPageShowsAgain)
{
    CPageCreateSensor* page = ProgrammedOnce();
    ASSERT_NE(page, nullptr);
    const std::wstring pressure = page->GetResultPane()->GetValues()[2];
    ASSERT_NE(pressure.find(L"PSI"), std::wstring::npos) << WideToUtf8(pressure);

    // Decimal identifiers and kPa chosen on the settings page.
    Navigate(kPageSetup);
    auto* settings = PageAs<CPageSetup>(kPageSetup);
    ASSERT_NE(settings, nullptr);
    for (int box : {CPageSetup::kIdFormatBoxId, CPageSetup::kPressureBoxId}) {
        settings->GetBox(box)->SetFocus();
        KeyPress(*settings->GetBox(box), VK_DOWN);
    }
    ASSERT_EQ(dlg->GetIni().ReadStringBuf(L"Setup", L"IDFormat"), L"D");
    EXPECT_TRUE(PumpUntil([&] { return !dlg->IsWorkerRunning(); }, 5000));

    // The create page shown again reads so, its box and its pane alike.
    Navigate(kPageCreateSensor);
    EXPECT_FALSE(page->IsHexMode());
    EXPECT_EQ(page->GetIdText(), L"1077455520");
    const auto values = page->GetResultPane()->GetValues();
    EXPECT_EQ(values[0], L"1077455520");
    EXPECT_NE(values[2].find(L"kPa"), std::wstring::npos) << WideToUtf8(values[2]);
    Grab("pane-after-settings-change");
}

TEST_F(CurrentScreenTest, EveryOperationPageShowsTheConnectionOfTheMomentWhenItShows)
{
    CPageCreateSensor* create = ProgrammedOnce();
    ASSERT_NE(create, nullptr);
    ClickTab(kPageTestSensor);
    auto* test = PageAs<CSensorPageBase>(kPageTestSensor);
    auto* copy = PageAs<CSensorPageBase>(kPageCopySensor);

    // Pulled while the test page shows: the copy page, shown next, says so too.
    Unplug();
    ExpectStatus(test, Text(L"DISCONNECTED"), kStatusRed);
    ClickTab(kPageCopySensor);
    ExpectStatus(copy, Text(L"DISCONNECTED"), kStatusRed);
    // Back: every page says it; the create page keeps its outcome.
    Replug();
    ExpectStatus(copy, Text(L"CONNECTED"), kStatusBlue);
    ClickTab(kPageTestSensor);
    ExpectStatus(test, Text(L"CONNECTED"), kStatusBlue);
    ClickTab(kPageCreateSensor);
    ExpectStatus(create, Text(L"PROGRAM_SUCCSSED"), kStatusBlue);
}

} // namespace

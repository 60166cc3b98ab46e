// The Test, Copy and Create Sensor pages as the program makes them, driven
// by real clicks and typing, with the operations end to end behind them.
// The grabs land in the build folder's "grabs".
#include "EndToEndFixture.h"

#include "MenuTabs.h"
#include "PageCopySensor.h"
#include "PageCreateSensor.h"
#include "PageTestSensor.h"
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
    template <class T> T* PageAs(int pageId)
    {
        for (const auto& link : dlg->GetPageHistory().Links())
            if (link->pageId == pageId)
                return dynamic_cast<T*>(link->page.get());
        return nullptr;
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

    // Label printing is not in this build yet: Print and the print settings say so there.
    for (const auto& [command, text] : {std::pair{kIdPrint, L"Label printing is not available in this build."},
                                        std::pair{10302, L"Print settings are not available in this build."}}) {
        dlg->SendMessage(WM_PAGE_ACTION, command, kActionOperation);
        EXPECT_EQ(CreatePage()->GetStatus(), text) << command;
        EXPECT_EQ(CreatePage()->GetStatusText()->GetTextColor(), kStatusRed) << command;
    }
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

} // namespace

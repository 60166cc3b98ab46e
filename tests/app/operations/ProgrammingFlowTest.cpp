// "Create Sensor" and "Copy Sensor" with fake programming objects: the
// attempts, the result bytes, the identifiers, the boot check, the progress,
// Stop, and the controls around the worker.
#include "OperationsFixture.h"

#include "LocalTime.h"
#include "TsF7V4Program.h"

#include <algorithm>
#include <list>

namespace {

using Lines = std::vector<std::string>;

class ProgrammingFlowTest : public OperationsTest {
public:
    // Opens with fakes and types the identifier on the create page.
    void OpenCreate(const std::wstring& id, const std::wstring& code = L"40", const std::wstring& relearn = L"OBD",
                    const std::wstring& chip = L"0")
    {
        Open(code, relearn, chip);
        UseFakes();
        Navigate(kPageCreateSensor);
        Page(kPageCreateSensor)->idText = id;
        Page(kPageCreateSensor)->hexMode = true;
    }
    StandInOperationPage* Create() { return Page(kPageCreateSensor); }
    StandInOperationPage* Copy() { return Page(kPageCopySensor); }
    bool nullObjects = false;
    std::vector<std::string> Makes()
    {
        std::vector<std::string> out;
        for (const std::string& line : calls.Lines())
            if (line.rfind("make", 0) == 0)
                out.push_back(line);
        return out;
    }
};

TEST_F(ProgrammingFlowTest, AttemptsGoRoundTheFamiliesWhileNoSensorAnswers)
{
    OpenCreate(L"4038AAA0");
    Run(kPageCreateSensor, kCmdProgramCreate);
    // Ten attempts, F7V4, N8V4, F6V4, F7V3, F6V1 twice; the sensor's frequency selector (0 for "040").
    EXPECT_EQ(Makes(), (Lines{"make 3 freq 0", "make 6 freq 0", "make 4 freq 0", "make 2 freq 0", "make 1 freq 0",
                              "make 3 freq 0", "make 6 freq 0", "make 4 freq 0", "make 2 freq 0", "make 1 freq 0"}));
    // Nobody answered: the user is told to hold a sensor of the vehicle's frequency there.
    EXPECT_EQ(Create()->LastStatus(), Failure(L"NO_SENSOR_PROGRAM", -2, 433));
    EXPECT_EQ(Create()->LastColour(), kStatusRed);
    EXPECT_EQ(Signals(), FailSignal());
    EXPECT_TRUE(DailyFile("CSV").empty());
    EXPECT_EQ(Create()->offUiThread, 0);
}

TEST_F(ProgrammingFlowTest, TheFirstFamilyThatFindsTheSensorProgramsIt)
{
    OpenCreate(L"4038AAA0", L"7C"); // frequency selector 1
    SetIdFormat(L"H");
    SensorsAt(3, {0x1234}, {{0x1234, "PSN-0001"}});
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Makes(), (Lines{"make 3 freq 1", "make 6 freq 1", "make 4 freq 1", "make 2 freq 1"}));
    ASSERT_EQ(fakes.programmed.size(), 1u);
    EXPECT_EQ(fakes.programmed[0], (SensorIdMap{{0x1234, 0x4038AAA0}}));
    // V1/V3 objects get no firmware selection bytes.
    EXPECT_TRUE(fakes.selections[0].IsEmpty());
    // One sensor: read back, and it answered with the new identifier.
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_EQ(Create()->LastColour(), kStatusBlue);
    EXPECT_EQ(Signals(), SuccessSignal(10));
    EXPECT_EQ(Create()->pane.GetValues()[0], L"4038AAA0");
    EXPECT_FALSE(dlg->GetLastResult().IsEmpty());
    EXPECT_EQ(dlg->GetLastResult().sensors[0].idText, L"4038AAA0");
}

TEST_F(ProgrammingFlowTest, ThreeSensorsOnTheCreatePageGetIdentifiersApart)
{
    OpenCreate(L"00ABCDEF");
    SetIdFormat(L"h");
    SensorsAt(0, {0x0300, 0x0100, 0x0200}, {{0x0100, "P1"}, {0x0200, "P2"}, {0x0300, "P3"}});
    ScriptedMessageBoxes boxes({IDYES});
    Run(kPageCreateSensor, kCmdProgramCreate);

    ASSERT_EQ(fakes.programmed.size(), 1u);
    EXPECT_EQ(fakes.programmed[0], (SensorIdMap{{0x0100, 0x00ABCDEF}, {0x0200, 0x00ABDF00}, {0x0300, 0x00ABF011}}));
    EXPECT_EQ(fakes.multiFlags[0], 1);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, L"3 sensors found. Program all of them?");
    EXPECT_TRUE(boxes.AskedBoxes()[0].onUiThread);
    EXPECT_EQ(boxes.AskedBoxes()[0].type & 0xF, static_cast<UINT>(MB_YESNO));
    // Several: listed, no read-back.
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_EQ(Signals(), SuccessSignal(1));
    for (const std::string& line : calls.Lines())
        EXPECT_EQ(line.rfind("test", 0), std::string::npos) << line;
    EXPECT_TRUE(Create()->pane.ShowsProgrammedList());
    EXPECT_EQ(Create()->pane.CollectRows(),
              (std::list<CTestSensorRightPane::Row>{{L"00ABCDEF", L"P1"}, {L"00ABDF00", L"P2"}, {L"00ABF011", L"P3"}}));
    const std::string txt = DailyFile("txt");
    EXPECT_NE(txt.find("00ABCDEF(H)"), std::string::npos);
    EXPECT_NE(txt.find("00ABF011(H)"), std::string::npos);
    EXPECT_NE(txt.find("Brunmark            Arvo                          2016"), std::string::npos);
    EXPECT_EQ(dlg->GetLastResult().sensors.size(), 3u);
    EXPECT_TRUE(dlg->GetLastResult().hex);
}

TEST_F(ProgrammingFlowTest, TheCopyPageProgramsEverySensorWithoutAsking)
{
    Open();
    UseFakes();
    SensorsAt(0, {0x0100, 0x0200});
    Navigate(kPageCopySensor);
    Copy()->copiedId = 0x11223344;
    ScriptedMessageBoxes boxes;
    Run(kPageCopySensor, kCmdProgramCopy);
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    ASSERT_EQ(fakes.programmed.size(), 1u);
    EXPECT_EQ(fakes.programmed[0], (SensorIdMap{{0x0100, 0x11223344}, {0x0200, 0x11224455}}));
    EXPECT_EQ(fakes.multiFlags[0], 0);
    // PSN missing from the map: listed and recorded with an empty PSN.
    EXPECT_EQ(Copy()->pane.CollectRows(),
              (std::list<CTestSensorRightPane::Row>{{L"287454020", L""}, {L"287458389", L""}}));
    EXPECT_NE(DailyFile("CSV").find(",287454020(D),\r\n"), std::string::npos);
}

TEST_F(ProgrammingFlowTest, NoIdentifierBeyondTheSensorIsWritten)
{
    // "1A3" takes 7 hexadecimal digits: FFFEEEF + 0x1111 is over.
    OpenCreate(L"FFFEEEF", L"1A3");
    SensorsAt(0, {0x0100, 0x0200});
    ScriptedMessageBoxes boxes({IDYES, IDOK});
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_TRUE(fakes.programmed.empty());
    ASSERT_EQ(boxes.AskedBoxes().size(), 2u);
    EXPECT_EQ(boxes.AskedBoxes()[1].text, L"Invalid data !\r\nRange:0-268435455");
    EXPECT_EQ(Create()->LastStatus(), Failure(L"NOTHING_PROGRAMMED", 11));
    EXPECT_EQ(Signals(), FailSignal());
    EXPECT_EQ(fakes.Lines().back(), "delete 3");
    EXPECT_EQ(fakes.Lines()[fakes.Lines().size() - 2], "end link");
    EXPECT_TRUE(DailyFile("CSV").empty());
}

TEST_F(ProgrammingFlowTest, TheIdentifierSumWrapsAtThirtyTwoBitsAsItAlwaysDid)
{
    OpenCreate(L"FFFFFFFF");
    SensorsAt(0, {0x0100, 0x0200});
    ScriptedMessageBoxes boxes({IDYES});
    Run(kPageCreateSensor, kCmdProgramCreate);
    ASSERT_EQ(fakes.programmed.size(), 1u);
    EXPECT_EQ(fakes.programmed[0], (SensorIdMap{{0x0100, 0xFFFFFFFF}, {0x0200, 0x00001110}}));
}

TEST_F(ProgrammingFlowTest, EveryResultByteHasItsStatusText)
{
    struct Case {
        const char* what;
        std::function<void(ProgrammingFlowTest&)> setUp;
        std::wstring status;
        int makes;
    };
    const std::vector<Case> cases = {
        {"boot updated a V4 sensor", [](ProgrammingFlowTest& t) { t.boots = {Boot(BOOT_UPDATED_V4)}; },
         Failure(L"BOOT_UPDATED_PROGRAM_AGAIN", 3), 1},
        {"boot update failed", [](ProgrammingFlowTest& t) { t.boots = {Boot(BOOT_FAILED)}; },
         Failure(L"BOOT_UPDATE_FAILED", 4), 1},
        {"several sensors for the boot",
         [](ProgrammingFlowTest& t) {
             t.boots = {Boot(BOOT_MANY_SENSORS, {1, 2})};
         },
         Failure(L"NOTHING_PROGRAMMED", 10), 1},
        {"boot too new", [](ProgrammingFlowTest& t) { t.boots = {Boot(BOOT_TOO_NEW)}; }, Failure(L"SENSOR_TOO_NEW", 6),
         1},
        {"no object for the boot", [](ProgrammingFlowTest& t) { t.boots = {Boot(BOOT_NO_PROGRAM)}; },
         Failure(L"PROGRAM_FAULT", 7), 1},
        {"a sensor this tool cannot write",
         [](ProgrammingFlowTest& t) { t.boots = {Boot(static_cast<uint8_t>(V4_SEARCH_UNSUPPORTED))}; },
         Text(L"UPDATE_TOOL"), 1},
        {"write failed",
         [](ProgrammingFlowTest& t) {
             t.SensorsAt(0, {0x10});
             t.attempts[0].programOk = false;
         },
         Failure(L"SENSOR_WRITE_FAILED", -1), 1},
        {"no image",
         [](ProgrammingFlowTest& t) {
             t.SensorsAt(0, {0x10});
             t.attempts[0].programOk = false;
             t.attempts[0].errorCode = TS_ERR_NO_IMAGE;
         },
         Failure(L"PROGRAM_FAULT", -3), 1},
        {"line zero",
         [](ProgrammingFlowTest& t) {
             t.SensorsAt(0, {0x10});
             t.attempts[0].programOk = false;
             t.attempts[0].errorCode = TS_ERR_LINE_ZERO;
         },
         Failure(L"SENSOR_KIND_UNKNOWN", -9), 1},
        {"Brelk to update",
         [](ProgrammingFlowTest& t) {
             t.SensorsAt(0, {0x10});
             t.attempts[0].programOk = false;
             t.attempts[0].errorCode = -7;
         },
         Text(L"UPDATE_TOOL"), 1},
        {"a failed write that left no error code",
         [](ProgrammingFlowTest& t) {
             t.SensorsAt(0, {0x10});
             t.attempts[0].programOk = false;
             t.attempts[0].errorCode = TS_ERR_OK;
         },
         Failure(L"SENSOR_WRITE_FAILED", -1), 1},
        // No object is result 255, the byte of a failed write as well.
        {"no object", [](ProgrammingFlowTest& t) { t.nullObjects = true; }, Failure(L"SENSOR_WRITE_FAILED", -1), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        attempts.clear();
        boots.clear();
        bootsCalled = 0;
        nullObjects = false;
        calls.lines.clear();
        OpenCreate(L"4038AAA0");
        c.setUp(*this);
        if (nullObjects)
            dlg->Operations().Services().makeProgram = [](int, uint8_t) { return std::unique_ptr<CTsProgram>(); };
        brelk.sim.ClearSignals();
        ScriptedMessageBoxes boxes;
        Run(kPageCreateSensor, kCmdProgramCreate);
        EXPECT_EQ(Create()->LastStatus(), c.status);
        EXPECT_EQ(Create()->LastColour(), kStatusRed);
        EXPECT_EQ(Signals(), FailSignal());
        if (!nullObjects) {
            EXPECT_EQ(static_cast<int>(Makes().size()), c.makes);
        }
        dlg->DestroyWindow();
        dlg.reset();
    }
}

TEST_F(ProgrammingFlowTest, AChipOf86KindStopsTheF6FamiliesWithoutTouchingTheSensor)
{
    OpenCreate(L"4038AAA0", L"40", L"OBD", L"0X40");
    SensorsAt(2, {0x10}); // the F6V4 attempt finds it
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_TRUE(fakes.programmed.empty());
    EXPECT_EQ(Makes().size(), 3u); // 8 is not 254: no next family
    EXPECT_EQ(Create()->LastStatus(), Failure(L"CHIP_REFUSED", 8));
}

TEST_F(ProgrammingFlowTest, BootCodeTwoGoesOnWithAVFourObject)
{
    OpenCreate(L"4038AAA0");
    // The V1/V3 attempt's sensor took the V4 boot; the new object finds it again.
    boots = {Boot(254), Boot(254), Boot(254), Boot(BOOT_UPDATED_V1)};
    afterBoot.sensors = {0x8FFF};
    Run(kPageCreateSensor, kCmdProgramCreate);
    const Lines lines = calls.Lines();
    const auto swap = std::find(lines.begin(), lines.end(), "make after boot freq 0");
    ASSERT_NE(swap, lines.end());
    EXPECT_EQ(*std::prev(swap), "boot 2");
    ASSERT_EQ(fakes.programmed.size(), 1u);
    EXPECT_EQ(fakes.programmed[0], (SensorIdMap{{0x8FFF, 0x4038AAA0}}));
    // The new object counts as F7V4 (the old one was F7V3): its firmware selection is the code.
    EXPECT_EQ(fakes.selections[0].GetSize(), 2);
    EXPECT_EQ(fakes.selections[0].GetAt(1), 0x40);
    const Lines fakeLines = fakes.Lines();
    EXPECT_NE(std::find(fakeLines.begin(), fakeLines.end(), "search 3"), fakeLines.end());
    EXPECT_NE(std::find(fakeLines.begin(), fakeLines.end(), "program 3"), fakeLines.end());
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
}

TEST_F(ProgrammingFlowTest, BootCodeTwoOnAnF6SensorMakesItAnF6V4)
{
    OpenCreate(L"4038AAA0");
    boots = {Boot(254), Boot(254), Boot(254), Boot(254), Boot(BOOT_UPDATED_V1)};
    afterBoot.sensors = {0x8FFF};
    afterBoot.programOk = true;
    Run(kPageCreateSensor, kCmdProgramCreate);
    const Lines fakeLines = fakes.Lines();
    EXPECT_NE(std::find(fakeLines.begin(), fakeLines.end(), "program 4"), fakeLines.end());
}

TEST_F(ProgrammingFlowTest, TheDateWordAndTheFirmwareSelection)
{
    const LocalTimeSource old = SetLocalTimeSource([] { return LocalTime{2024, 3, 7, 9, 5, 1, 0}; });
    OpenCreate(L"038AAA0", L"1A3");
    SensorsAt(0, {0x10});
    Run(kPageCreateSensor, kCmdProgramCreate);
    SetLocalTimeSource(old);
    ASSERT_EQ(fakes.dates.size(), 1u);
    // (2024 << 9) kept to 16 bits: only the year's low 7 bits.
    EXPECT_EQ(fakes.dates[0], static_cast<uint16_t>((2024 << 9) | (3 << 5) | 7));
    EXPECT_EQ(fakes.dates[0] >> 9, 2024 & 0x7F);
    ASSERT_EQ(fakes.selections[0].GetSize(), 2);
    EXPECT_EQ(fakes.selections[0].GetAt(0), 0x01);
    EXPECT_EQ(fakes.selections[0].GetAt(1), 0xA3);
}

TEST_F(ProgrammingFlowTest, ProgressShowsRisingValuesAndStartsAnewAfter255)
{
    OpenCreate(L"4038AAA0");
    SensorsAt(0, {0x10});
    attempts[0].progress = {60, 40, 255, 10};
    Run(kPageCreateSensor, kCmdProgramCreate);
    // 60 after a start: the key, 0 %, 60 %; 40 is lower: not shown; 255
    // hides; 10 starts anew: the key, 0 %, 10 %. The flow's end hides.
    EXPECT_EQ(Create()->progress, (std::vector<int>{0, 60, 255, 0, 10, 255}));
    int keys = 0;
    for (const auto& [text, colour] : Create()->statuses)
        keys += text == Text(L"PROGRAM_SENSOR") ? 1 : 0;
    EXPECT_GE(keys, 2);
}

TEST_F(ProgrammingFlowTest, TheBootUpdatesProgressShowsOnEveryRun)
{
    OpenCreate(L"4038AAA0");
    boots = {Boot(BOOT_NOT_NEEDED, {}, true, {50, 100}), Boot(BOOT_NOT_NEEDED, {}, true, {50})};
    SensorsAt(0, {0x10});
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Create()->progress, (std::vector<int>{0, 50, 100, 255}));
    Create()->progress.clear();
    attempts.clear();
    bootsCalled = 1;
    SensorsAt(0, {0x10});
    Run(kPageCreateSensor, kCmdProgramCreate);
    // A run that ended at 100 % does not hide the next run's 50 %.
    EXPECT_EQ(Create()->progress, (std::vector<int>{0, 50, 255}));
    int updates = 0;
    for (const auto& [text, colour] : Create()->statuses)
        updates += text == Text(L"UPDATE_FIRMWARE") ? 1 : 0;
    EXPECT_EQ(updates, 2);
}

TEST_F(ProgrammingFlowTest, StopBetweenAttemptsEndsTheRunWithItsFailure)
{
    OpenCreate(L"4038AAA0");
    boots = {Boot(254, {}, false, {}, [this] { Press(kCmdStop); })};
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Makes().size(), 1u);
    // Stopped while it searched: nothing was written.
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_STOPPED"));
    EXPECT_EQ(Signals(), FailSignal());
    // The request stays until the next operation starts.
    EXPECT_TRUE(IsOperationStopRequested());
    SensorsAt(0, {0x10});
    bootsCalled = 1;
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
}

TEST_F(ProgrammingFlowTest, StopWhileTheObjectIsMadeIsNotLostToItsConstructor)
{
    OpenCreate(L"4038AAA0");
    beforeMake = [this](int attempt) {
        if (attempt == 1)
            Press(kCmdStop);
    };
    Run(kPageCreateSensor, kCmdProgramCreate);
    // The second object cleared g_bAbort as it was made; the request ended the run.
    EXPECT_EQ(Makes().size(), 2u);
    EXPECT_EQ(bootsCalled, 1u);
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_STOPPED"));
}

TEST_F(ProgrammingFlowTest, StopDuringTheBootUpdateIsKeptOverTheNewObject)
{
    OpenCreate(L"4038AAA0");
    boots = {Boot(BOOT_UPDATED_V1, {}, false, {}, [this] { Press(kCmdStop); })};
    afterBoot.sensors = {0x8FFF};
    Run(kPageCreateSensor, kCmdProgramCreate);
    const Lines fakeLines = fakes.Lines();
    EXPECT_EQ(std::find(fakeLines.begin(), fakeLines.end(), "search 3"), fakeLines.end());
    EXPECT_TRUE(fakes.programmed.empty());
    EXPECT_EQ(Makes().size(), 2u); // the first object and the one after the boot
    EXPECT_TRUE(g_bAbort.IsSet());
    // The sensor took its new boot, but no image: it must be programmed before use.
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_STOPPED_WRITING"));
    EXPECT_EQ(Signals(), FailSignal());
}

TEST_F(ProgrammingFlowTest, CancelOnTheRelearnNoteGivesEverythingBack)
{
    OpenCreate(L"4038AAA0", L"40", L"o");
    SensorsAt(0, {0x10});
    ScriptedMessageBoxes boxes({IDCANCEL});
    Run(kPageCreateSensor, kCmdProgramCreate);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, Text(L"AUTOCREATE_TIPS"));
    EXPECT_EQ(boxes.AskedBoxes()[0].caption, Text(L"SPECAIL_NOTE"));
    EXPECT_TRUE(boxes.AskedBoxes()[0].onUiThread);
    EXPECT_EQ(Makes().size(), 0u);
    EXPECT_EQ(Create()->actions, (std::vector<bool>{false, true}));
    EXPECT_FALSE(dlg->IsNavigationLocked());
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_EQ(Create()->print.back(), false);
    // The note was open with its own status; Cancel left nothing programmed.
    const auto& statuses = Create()->statuses;
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[statuses.size() - 2].first, Text(L"ANSWER_WAIT"));
    EXPECT_EQ(Create()->LastStatus(), Text(L"NOTHING_PROGRAMMED"));
    EXPECT_EQ(Create()->LastColour(), kStatusRed);
}

TEST_F(ProgrammingFlowTest, SeveralSensorsRefusedOnTheCreatePage)
{
    OpenCreate(L"4038AAA0");
    SensorsAt(0, {0x10, 0x20});
    ScriptedMessageBoxes boxes({IDNO});
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_TRUE(fakes.programmed.empty());
    const Lines fakeLines = fakes.Lines();
    EXPECT_NE(std::find(fakeLines.begin(), fakeLines.end(), "end link"), fakeLines.end());
    // The line said what was happening while the question was open, then that nothing was written.
    const auto& statuses = Create()->statuses;
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[statuses.size() - 2],
              std::make_pair(std::wstring(L"2 sensors found. Waiting for your answer..."), kStatusBlue));
    EXPECT_EQ(Create()->LastStatus(), L"Nothing was programmed [Error Code:10]");
    EXPECT_EQ(Create()->LastColour(), kStatusRed);
}

TEST_F(ProgrammingFlowTest, AReadBackByAnotherSensorIsNotASuccess)
{
    struct Case {
        const char* what;
        CSensorInfo reading;
    };
    CSensorInfo other;
    other.m_ID = 0x11111111;
    other.m_Pressure = 250;
    CSensorInfo none;
    CSensorInfo noId;
    noId.m_Pressure = 250;
    for (const Case& c : {Case{"another sensor", other}, Case{"no sensor", none}, Case{"no identifier", noId}}) {
        SCOPED_TRACE(c.what);
        attempts.clear();
        OpenCreate(L"4038AAA0");
        SensorsAt(0, {0x10});
        reading = [c] { return c.reading; };
        brelk.sim.ClearSignals();
        Run(kPageCreateSensor, kCmdProgramCreate);
        EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_FINISH_BUT_CAN_NOT_TEST"));
        EXPECT_EQ(Create()->LastColour(), kStatusRed);
        EXPECT_EQ(Signals(), FailSignal());
        EXPECT_EQ(Create()->pane.GetValues()[0], L"");
        EXPECT_TRUE(dlg->GetLastResult().IsEmpty());
        EXPECT_EQ(Create()->print.back(), false);
        dlg->DestroyWindow();
        dlg.reset();
    }
}

TEST_F(ProgrammingFlowTest, TheControlsAroundTheWorker)
{
    OpenCreate(L"4038AAA0");
    SensorsAt(0, {0x10});
    std::atomic<int> busyDuring{-1};
    std::atomic<bool> lockedDuring{false};
    std::vector<bool> actionsDuring;
    attempts[0].whileProgramming = [&] {
        busyDuring = g_bBusy.load();
        RunOnUiThread([&] {
            lockedDuring = dlg->IsNavigationLocked();
            actionsDuring = Create()->actions;
            // A second Program while busy is refused; Stop is taken.
            Press(kCmdProgramCreate);
            Press(kCmdTestBeforeCopy);
        });
    };
    Navigate(kPageCreateSensor);
    Press(kCmdProgramCreate);
    // The actions went off on the UI thread before the worker existed.
    EXPECT_EQ(Create()->actions, (std::vector<bool>{false}));
    EXPECT_TRUE(dlg->IsNavigationLocked());
    ASSERT_TRUE(WaitForOperation());
    EXPECT_EQ(busyDuring.load(), 1);
    EXPECT_TRUE(lockedDuring);
    EXPECT_EQ(actionsDuring, (std::vector<bool>{false}));
    EXPECT_EQ(Makes().size(), 1u);
    EXPECT_EQ(Create()->actions, (std::vector<bool>{false, true}));
    EXPECT_EQ(Create()->print, (std::vector<bool>{false, true}));
    EXPECT_FALSE(dlg->IsNavigationLocked());
    EXPECT_EQ(Create()->offUiThread, 0);
    EXPECT_EQ(Copy()->offUiThread, 0);
}

TEST_F(ProgrammingFlowTest, ChecksBeforeTheWorkerStarts)
{
    OpenCreate(L"");
    struct Case {
        std::wstring id;
        bool hex;
        std::wstring box;
    };
    const std::vector<Case> cases = {
        {L"", true, Text(L"ID_NULL")},
        {L"100000000", true, L"Invalid data !\r\nRange:0-4294967295"},
        {L"4294967296", false, L"Invalid data !\r\nRange:0-4294967295"},
        {L"12G4", true, L"Invalid data !\r\nRange:0-4294967295"},
    };
    for (const Case& c : cases) {
        ScriptedMessageBoxes boxes;
        Create()->idText = c.id;
        Create()->hexMode = c.hex;
        Press(kCmdProgramCreate);
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, c.box);
        EXPECT_EQ(g_bBusy.load(), 0);
    }
    EXPECT_EQ(Makes().size(), 0u);
}

TEST_F(ProgrammingFlowTest, ASixDigitSensorTakesDecimalValuesUpTo16777215)
{
    // Sensor 0B2 has identifiers of three bytes: six hexadecimal digits.
    OpenCreate(L"", L"B2");
    Create()->hexMode = false;
    Create()->idText = L"16777216";
    {
        ScriptedMessageBoxes boxes;
        Press(kCmdProgramCreate);
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, L"Invalid data !\r\nRange:0-16777215");
        EXPECT_EQ(g_bBusy.load(), 0);
        EXPECT_EQ(Makes().size(), 0u);
    }
    Create()->idText = L"16777215";
    {
        ScriptedMessageBoxes boxes;
        Press(kCmdProgramCreate);
        ASSERT_TRUE(WaitForOperation());
        EXPECT_TRUE(boxes.AskedBoxes().empty());
        EXPECT_FALSE(Makes().empty());
    }
}

TEST_F(ProgrammingFlowTest, AnUnprogrammableSensorAndAMissingPortStartNothing)
{
    Open();
    UseFakes();
    year->IsProg = L"0";
    Navigate(kPageCreateSensor);
    Create()->idText = L"1234";
    {
        ScriptedMessageBoxes boxes;
        Press(kCmdProgramCreate);
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, L"program not support the sensor on this version!");
    }
    year->IsProg = L"1";
    brelk.port.FailOpen(2);
    SerialClose();
    Press(kCmdProgramCreate);
    EXPECT_EQ(Create()->LastStatus(), Text(L"CAN_NOT_OPEN_COM_PORT"));
    EXPECT_EQ(Create()->LastColour(), kStatusRed);
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_EQ(Makes().size(), 0u);
    brelk.port.FailOpen(0);
}

TEST_F(ProgrammingFlowTest, ADailyRecordThatCannotBeWrittenIsSaidAfterTheResult)
{
    data.Folder().Write("DailyFile", "not a folder");
    OpenCreate(L"4038AAA0");
    SensorsAt(0, {0x10});
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED") + L" - " + Text(L"DAILY_RECORD_FAULT"));
}

TEST_F(ProgrammingFlowTest, PartNumberRecordsGoToTheirOwnFile)
{
    OpenPartNo(L"BRK-D040");
    UseFakes();
    SensorsAt(0, {0x10}, {{0x10, "PSN-9"}});
    Navigate(kPageCreateSensor);
    Create()->idText = L"1077455520";
    Run(kPageCreateSensor, kCmdProgramCreate);
    EXPECT_EQ(Create()->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_NE(DailyFile("(PartNO).CSV").find(",BRK-D040,1077455520(D),PSN-9\r\n"), std::string::npos);
}

} // namespace

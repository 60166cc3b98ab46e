// The operations end to end. A fault is injected at each exchange of a
// Create Sensor run in turn; a success on the screen must mean a sensor that
// holds the image and the identifier shown.
#include "EndToEndFixture.h"

namespace {

TEST_F(EndToEndTest, CreateSensorProgramsTheSensorAndReadsItBack)
{
    Open();
    SetIdFormat(L"H");
    auto bench = Bench();
    CreateSensor();
    StandInOperationPage* page = Page(kPageCreateSensor);
    EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_EQ(page->LastColour(), kStatusBlue);
    EXPECT_TRUE(Holds(kNewId));
    EXPECT_EQ(sensor->TestTriggers(), 1);
    EXPECT_EQ(Signals(), SuccessSignal(10));
    EXPECT_EQ(page->pane.GetValues()[0], L"4038AAA0");
    EXPECT_EQ(page->pane.GetValues()[2], L"36.2 PSI");
    const std::string csv = DailyFile("(Car-Model-Year).CSV");
    EXPECT_NE(csv.find(",Brunmark,Arvo,2016,4038AAA0(H),PSN-0001\r\n"), std::string::npos) << csv;
    EXPECT_NE(DailyFile("(Car-Model-Year).txt").find("4038AAA0(H)    PSN-0001"), std::string::npos);
    // Progress went up to 100 and was hidden at the end.
    ASSERT_FALSE(page->progress.empty());
    EXPECT_NE(std::find(page->progress.begin(), page->progress.end(), 100), page->progress.end());
    EXPECT_EQ(page->progress.back(), 255);
    EXPECT_EQ(page->offUiThread, 0);
    std::printf("[ info     ] a Create Sensor run: %d exchanges with the sensor\n", bench->Exchanges());
}

TEST_F(EndToEndTest, AFaultAtEachExchangeNeverShowsAFalseSuccess)
{
    Open();
    SetIdFormat(L"H");
    // The exchanges of a run without faults: a fault goes where it can
    // change something (an answer to lose, spoil or refuse; a trigger of the
    // read-back; the Brelk to pull at any of them).
    auto clean = Bench();
    CreateSensor();
    ASSERT_EQ(Page(kPageCreateSensor)->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    const int exchanges = clean->Exchanges();
    const std::vector<bool> answered = clean->Answered(), triggers = clean->Triggers();
    ASSERT_EQ(answered.size(), static_cast<size_t>(exchanges));
    auto applies = [&](Fault fault, int at) {
        switch (fault) {
        case Fault::Unplug: return true;
        case Fault::OtherId: return bool(triggers[static_cast<size_t>(at)]);
        case Fault::Refusal: return answered[static_cast<size_t>(at)] && !triggers[static_cast<size_t>(at)];
        default: return bool(answered[static_cast<size_t>(at)]);
        }
    };

    int runs = 0, injected = 0, falseSuccesses = 0, recovered = 0, planned = 0;
    for (Fault fault : {Fault::NoReply, Fault::Corrupt, Fault::Refusal, Fault::Unplug, Fault::OtherId}) {
        for (int at = 0; at < exchanges; ++at) {
            if (!applies(fault, at))
                continue;
            ++planned;
            std::filesystem::remove_all(data.Path() + "/DailyFile");
            Page(kPageCreateSensor)->statuses.clear();
            auto bench = Bench(fault, at);
            CreateSensor();
            EXPECT_TRUE(bench->Injected()) << FaultName(fault) << " at " << at;
            ++runs;
            injected += bench->Injected() ? 1 : 0;
            SCOPED_TRACE(std::string(FaultName(fault)) + " at exchange " + std::to_string(at));
            StandInOperationPage* page = Page(kPageCreateSensor);
            const bool shown = page->LastStatus() == Text(L"PROGRAM_SUCCSSED");
            const bool holds = Holds(kNewId);
            const std::vector<uint8_t> signals = Signals();
            if (shown && !holds)
                ++falseSuccesses;
            if (shown) {
                ++recovered;
                EXPECT_TRUE(holds);
                EXPECT_EQ(page->LastColour(), kStatusBlue);
                EXPECT_EQ(DailyLines(), 1u);
                EXPECT_EQ(signals, SuccessSignal(10));
                EXPECT_EQ(page->pane.GetValues()[0], L"4038AAA0");
            } else {
                EXPECT_EQ(page->LastColour(), kStatusRed) << WideToUtf8(page->LastStatus());
                EXPECT_FALSE(Contains(signals, {0xF6, 0xFA})) << "a success signal";
                // The Brelk that is gone cannot be given its failure signal.
                if (fault != Fault::Unplug) {
                    EXPECT_TRUE(Contains(signals, FailSignal()));
                }
                if (!holds) {
                    EXPECT_EQ(DailyLines(), 0u);
                }
                EXPECT_TRUE(dlg->GetLastResult().IsEmpty());
            }
            EXPECT_EQ(g_bBusy.load(), 0);
            EXPECT_FALSE(dlg->IsNavigationLocked());
            if (fault == Fault::Unplug) {
                // The unplug was shown while the run went on to its end.
                const auto& statuses = page->statuses;
                EXPECT_NE(
                    std::find(statuses.begin(), statuses.end(), std::make_pair(Text(L"DISCONNECTED"), kStatusRed)),
                    statuses.end());
            }
            // The Brelk comes back for the next run.
            if (fault == Fault::Unplug)
                Replug();
        }
    }
    std::printf("[ info     ] %d exchanges a run; %d faulty runs, %d faults injected, %d recovered by retries, %d "
                "false successes\n",
                exchanges, runs, injected, recovered, falseSuccesses);
    EXPECT_EQ(falseSuccesses, 0);
    EXPECT_EQ(runs, planned);
    EXPECT_GE(runs, exchanges + 3);
}

TEST_F(EndToEndTest, TestSensorFillsTheFourTexts)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    sensor->WriteFlash(SIM_V4_CONFIG + 7, {0x00, 0xAB, 0xCD, 0xEF});
    sensor->SetReading(100, -3, true);
    dlg->GetIni().WriteString(L"C", L"Setup", L"Temperature");
    dlg->GetIni().WriteString(L"bar", L"Setup", L"Pressure");
    Run(kPageTestSensor, kCmdTestSensor);
    StandInOperationPage* page = Page(kPageTestSensor);
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_SUCCSSED"));
    const auto values = page->pane.GetValues();
    EXPECT_EQ(values[0], L"00ABCDEF");
    EXPECT_EQ(values[1], L"-3 \u00b0C");
    EXPECT_EQ(values[2], L"2.50 bar");
    EXPECT_EQ(values[3], Text(L"LOW_POWER"));
    EXPECT_EQ(Signals(), SuccessSignal(10));
    EXPECT_EQ(dlg->GetLastResult().sensors.at(0).id, 0x00ABCDEFu);

    // Nobody in range: "TEST_FAULT" in red, the failure signal.
    brelk.frames.ClearSensors();
    brelk.sim.ClearSignals();
    Run(kPageTestSensor, kCmdTestSensor);
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_FAULT"));
    EXPECT_EQ(page->LastColour(), kStatusRed);
    EXPECT_EQ(Signals(), FailSignal());
}

TEST_F(EndToEndTest, CheckSensorFillsTheNineTextsOrNineNotAvailable)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    auto bench = sensor;
    // A programmed sensor: its configuration block as the programming left it.
    std::vector<uint8_t> config(64, 0x00);
    config[0] = 0x12;
    config[1] = 0x34;
    config[7] = 0x40;
    config[8] = 0x38;
    config[9] = 0xAA;
    config[10] = 0xA0;
    config[42] = 0x50; // 25 degrees
    const uint16_t date = ProgramDateWord(2024, 3, 7);
    config[43] = static_cast<uint8_t>(date >> 8);
    config[44] = static_cast<uint8_t>(date);
    config[47] = 0xB2; // 3.00 V
    sensor->WriteFlash(SIM_V4_CONFIG, config);
    Run(kPageTestSensor, kCmdCheckSensor);
    StandInOperationPage* page = Page(kPageTestSensor);
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_SUCCSSED"));
    EXPECT_TRUE(page->pane.IsReadingShown());
    const auto values = page->pane.GetValues();
    EXPECT_EQ(values[0], L"4038AAA0");
    EXPECT_EQ(values[3], L"3.00 V");
    EXPECT_EQ(values[4].substr(0, 5), L"7100-");
    EXPECT_EQ(values[4].substr(10), L"1234");
    EXPECT_EQ(values[5].substr(values[5].size() - 6), L"240307");
    EXPECT_EQ(values[7], L"PSN-0001");
    EXPECT_EQ(values[8], L"300/25");
    for (const std::wstring& v : values)
        EXPECT_FALSE(v.empty());
    EXPECT_EQ(Signals(), SuccessSignal(10));

    brelk.frames.ClearSensors();
    brelk.sim.ClearSignals();
    Run(kPageTestSensor, kCmdCheckSensor);
    EXPECT_EQ(page->LastStatus(), Text(L"CHECK_FAULT"));
    EXPECT_TRUE(page->pane.IsReadingShown()); // the nine lines, each "NA"
    for (const std::wstring& v : page->pane.GetValues())
        EXPECT_EQ(v, L"NA");
    EXPECT_EQ(Signals(), FailSignal());
}

TEST_F(EndToEndTest, CopyTestsThenProgramsTheIdentifierItRead)
{
    Open();
    SetIdFormat(L"H");
    // The sensor to copy.
    Bench();
    sensor->WriteFlash(SIM_V4_CONFIG + 7, {0x00, 0xAB, 0xCD, 0xEF});
    Run(kPageCopySensor, kCmdTestBeforeCopy);
    StandInOperationPage* page = Page(kPageCopySensor);
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_SUCCSSED"));
    EXPECT_EQ(page->idText, L"00ABCDEF");
    EXPECT_EQ(page->actions, (std::vector<bool>{false, true}));

    // The format changes before Program: the value read is programmed, not a text read in another base.
    SetIdFormat(L"D");
    Bench();
    Run(kPageCopySensor, kCmdProgramCopy);
    EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_TRUE(Holds(0x00ABCDEF));
    EXPECT_NE(DailyFile("(Car-Model-Year).CSV").find(",11259375(D),PSN-0001"), std::string::npos);

    // A reading without an identifier copies nothing, and the actions still come back.
    Bench();
    sensor->AnswerTestAs(0);
    page->actions.clear();
    Run(kPageCopySensor, kCmdTestBeforeCopy);
    EXPECT_EQ(page->LastStatus(), Text(L"SENSOR_NO_ID"));
    EXPECT_EQ(page->idText, L"");
    EXPECT_FALSE(page->copiedId);
    EXPECT_EQ(page->actions, (std::vector<bool>{false, true}));
    {
        ScriptedMessageBoxes boxes;
        Press(kCmdProgramCopy);
        ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
        EXPECT_EQ(boxes.AskedBoxes()[0].text, L"Error:\nSensor ID is NULL. Please press [Test] get sensor ID.");
    }
}

TEST_F(EndToEndTest, StopBetweenAttemptsEndsTheRun)
{
    Open();
    // No sensor in range: the attempts go round the families. Stop at the
    // first frame of the third attempt.
    Bench();
    brelk.frames.ClearSensors();
    std::atomic<int> makes{0};
    std::atomic<bool> pressed{false};
    dlg->Operations().Services().makeProgram = [&](int attempt, uint8_t freq) {
        ++makes;
        return MakeProgramForAttempt(attempt, freq);
    };
    auto silent = std::make_shared<FaultySensor>(nullptr, brelk.port, Fault::None, -1);
    silent->onExchange = [&](int) {
        if (makes == 3 && !pressed.exchange(true))
            Press(kCmdStop);
    };
    brelk.frames.AddSensor(silent);
    CreateSensor();
    StandInOperationPage* page = Page(kPageCreateSensor);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(makes.load(), 3);
    EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_STOPPED"));
    EXPECT_EQ(page->LastColour(), kStatusRed);
    EXPECT_EQ(Signals(), FailSignal());
}

// A Stop while a test or a check looks for the sensor says the user stopped
// it, not that no sensor answered.
TEST_F(EndToEndTest, StopDuringATestOrACheckSaysTheUserStoppedIt)
{
    const struct {
        int command;
        const wchar_t* key;
    } cases[] = {{kCmdTestSensor, L"TEST_STOPPED"}, {kCmdCheckSensor, L"CHECK_STOPPED"}};
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Bench();
        brelk.frames.ClearSensors();
        std::atomic<bool> pressed{false};
        auto silent = std::make_shared<FaultySensor>(nullptr, brelk.port, Fault::None, -1);
        silent->onExchange = [&](int) {
            if (!pressed.exchange(true))
                Press(kCmdStop);
        };
        brelk.frames.AddSensor(silent);
        Run(kPageTestSensor, c.command);
        EXPECT_TRUE(pressed);
        StandInOperationPage* page = Page(kPageTestSensor);
        EXPECT_EQ(page->LastStatus(), Text(c.key));
        EXPECT_EQ(page->LastColour(), kStatusRed);
    }
}

TEST_F(EndToEndTest, StopDuringTheBootUpdateEndsTheRun)
{
    Open();
    // A V4 sensor below boot 0411: the boot image goes in first. Stop during it.
    auto clean = Bench(Fault::None, -1, 0x0410);
    CreateSensor();
    ASSERT_EQ(Page(kPageCreateSensor)->LastStatus(), Failure(L"BOOT_UPDATED_PROGRAM_AGAIN", 3))
        << "a boot update ends the run, the next press programs";
    const int bootExchanges = clean->Exchanges();

    auto bench = Bench(Fault::None, -1, 0x0410);
    bench->onExchange = [&](int n) {
        if (n == bootExchanges / 2)
            Press(kCmdStop);
    };
    CreateSensor();
    StandInOperationPage* page = Page(kPageCreateSensor);
    EXPECT_EQ(page->LastColour(), kStatusRed);
    // Stopped half-way through its boot: the user learns it must be programmed again.
    EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_STOPPED_WRITING"));
    EXPECT_EQ(Signals(), FailSignal());
    EXPECT_FALSE(Holds(kNewId));
    EXPECT_LT(bench->Exchanges(), bootExchanges);
    EXPECT_TRUE(DailyFile("CSV").empty());
}

TEST_F(EndToEndTest, ClosingTheWindowEndsTheRunAtTheNextExchange)
{
    Open();
    // No sensor: ten attempts would follow. The window closes during the first.
    Bench();
    brelk.frames.ClearSensors();
    std::atomic<int> makes{0};
    dlg->Operations().Services().makeProgram = [&](int attempt, uint8_t freq) {
        ++makes;
        return MakeProgramForAttempt(attempt, freq);
    };
    auto silent = std::make_shared<FaultySensor>(nullptr, brelk.port, Fault::None, -1);
    std::atomic<bool> closed{false};
    CBRELK2Dlg* window = dlg.get();
    silent->onExchange = [&](int n) {
        if (n != 5 || closed.exchange(true))
            return;
        // The user closes the window now; this exchange ends before the next begins.
        PostToUiThread([window] { window->DestroyWindow(); });
        PumpUntil([] { return IsOperationStopRequested(); }, 5000);
    };
    brelk.frames.AddSensor(silent);
    Navigate(kPageCreateSensor);
    Page(kPageCreateSensor)->idText = L"1234";
    Press(kCmdProgramCreate);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsCreated(); }, 20000));
    EXPECT_FALSE(window->IsWorkerRunning());
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_EQ(makes.load(), 1);
    // Nothing went to the Brelk after the exchange during which it closed.
    EXPECT_EQ(silent->Exchanges(), 6);
}

} // namespace

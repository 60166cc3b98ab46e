// The operations end to end: the real families, boot update, sensor test
// and information check, over the simulated Brelk on the virtual clock, with
// a simulated blank sensor that holds what it was really written. A fault is
// injected at each exchange of a Create Sensor run in turn; a success on the
// screen must mean a sensor that holds the image and the identifier shown.
#include "OperationsFixture.h"

#include "ActivationFixtures.h"
#include "CatalogWriter.h"
#include "DataFixtures.h"
#include "Expression.h"
#include "FirmwareContainerWriter.h"
#include "SerialPort.h"
#include "SimProgrammableSensor.h"
#include "TempFolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr uint32_t kProtocol = 0x40;
constexpr uint8_t kTrigger = 0x31;
constexpr int kImageNumber = 0x40;    // the firmware code "040"
constexpr int kV4BootImage = 0x20B;   // the V4 boot image for frequency selector 0
constexpr size_t kImageBytes = 0x100; // four blocks
constexpr uint16_t kBlankId = 0x2345;
constexpr uint32_t kNewId = 0x4038AAA0;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

enum class Fault { None, NoReply, Corrupt, Refusal, Unplug, OtherId };

const char* FaultName(Fault f)
{
    switch (f) {
    case Fault::None: return "none";
    case Fault::NoReply: return "no reply";
    case Fault::Corrupt: return "corrupt reply";
    case Fault::Refusal: return "refusal";
    case Fault::Unplug: return "unplug";
    case Fault::OtherId: return "read-back by another id";
    }
    return "";
}

// The sensor in front of the Brelk, with one fault at one exchange (one
// command frame that reached it).
class FaultySensor : public SimSensor {
public:
    FaultySensor(std::shared_ptr<SimProgrammableSensor> sensor, FakeSerialPort& port, Fault fault, int at)
        : m_sensor(std::move(sensor)), m_port(port), m_fault(fault), m_at(at)
    {
    }
    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override
    {
        const int n = m_exchanges++;
        if (onExchange)
            onExchange(n);
        if (!m_sensor)
            return; // nobody in range
        if (m_fault == Fault::None || n != m_at) {
            const int triggers = m_sensor->TestTriggers();
            m_sensor->OnRequest(request, answers);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_answered.push_back(!answers.empty());
            m_triggers.push_back(m_sensor->TestTriggers() > triggers);
            return;
        }
        std::vector<SimRfFrame> own;
        switch (m_fault) {
        case Fault::NoReply:
            // The sensor did what it was asked; its answer was lost.
            m_sensor->OnRequest(request, own);
            m_injected = !own.empty();
            break;
        case Fault::Corrupt:
            m_sensor->OnRequest(request, own);
            for (SimRfFrame& frame : own)
                if (!frame.telegram.empty())
                    frame.telegram[frame.telegram.size() / 2] ^= 0x10;
            m_injected = !own.empty();
            answers.insert(answers.end(), own.begin(), own.end());
            break;
        case Fault::Refusal: {
            // A V4 command the sensor would have answered is refused.
            SimV4Sensor::Request v4;
            m_sensor->OnRequest(request, own);
            if (!own.empty() && SimV4Sensor::ReadRequest(request.lfData, v4) && !v4.data.empty()) {
                SimRfFrame refusal = own.front();
                refusal.telegram = SimV4Sensor::BuildReply(v4.flags, m_sensor->Id(), v4.toolId, v4.mode,
                                                           SIM_V4_NEGATIVE, {v4.Command(), SIM_V4_REASON_RANGE});
                answers.push_back(refusal);
                m_injected = true;
            } else {
                answers.insert(answers.end(), own.begin(), own.end());
            }
            break;
        }
        case Fault::Unplug:
            // The Brelk is gone, as the device watcher would see it.
            m_port.Unplug(true);
            g_bDeviceRemoved = 1;
            RequestOperationStop();
            m_injected = true;
            break;
        case Fault::OtherId: {
            const int before = m_sensor->TestTriggers();
            m_sensor->AnswerTestAs(0x11223344);
            m_sensor->OnRequest(request, answers);
            m_sensor->AnswerTestAs(std::nullopt);
            m_injected = m_sensor->TestTriggers() > before;
            break;
        }
        case Fault::None: break;
        }
    }
    int Exchanges() const { return m_exchanges; }
    bool Injected() const { return m_injected; }
    // Of a run without a fault: which exchanges the sensor answered, and
    // which were the fitted-sensor test's triggers.
    std::vector<bool> Answered() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_answered;
    }
    std::vector<bool> Triggers() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_triggers;
    }

    std::function<void(int exchange)> onExchange;

private:
    std::shared_ptr<SimProgrammableSensor> m_sensor;
    FakeSerialPort& m_port;
    Fault m_fault;
    int m_at;
    std::atomic<int> m_exchanges{0};
    std::atomic<bool> m_injected{false};
    mutable std::mutex m_mutex;
    std::vector<bool> m_answered;
    std::vector<bool> m_triggers;
};

class OperationsEndToEndTest : public OperationsTest {
public:
    void SetUp() override
    {
        // The program folder: catalog, texts, firmware, activation tables.
        VehicleCatalog catalog;
        catalog.sensorParam = MakeSensorParamXml({{"040", "Bench 433", "F7V4", "0", "FSK", "9600", "CR2032", "4"}});
        catalog.partNo = MakePartNoXml({{"BRK-E040", "40", "0x40", "0", "OBD", "1", "40"}});
        ASSERT_TRUE(WriteVehicleCatalog(program.File("catalog.data"), catalog));
        for (const char* name : {"LangConfig.xml", "English.xml", "Deutsch.xml"})
            program.Write(std::string("Language/") + name,
                          ReadFile(std::string(BRELK_SAMPLE_BIN) + "/Language/" + name));
        image = SampleV4Image(TS_TYPE_F7V4, kImageBytes, 5);
        bootImage = SampleV4Image(TS_TYPE_F7V4, 0x200, 6);
        FirmwareContainerWriter firmware;
        firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kImageNumber), BuildV4Image(image));
        firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kV4BootImage), BuildV4Image(bootImage));
        firmware.WriteTo(program.File(FirmwareContainerName(TS_TYPE_F7V4)));
        protocol = FixtureProtocol(kProtocol, kTrigger);
        WriteActiveTab(program.File("Active.tab"), {protocol}, true);
        WriteFixtureExpressTab(program.File("express.tab"));
        CExpression::ResetScripts();
        DeleteVehicleDatabase();
        OperationsTest::SetUp();
    }
    void TearDown() override
    {
        OperationsTest::TearDown();
        g_bDeviceRemoved = 0;
        CExpression::ResetScripts();
    }

    // A fresh blank sensor on the bench, behind a fault.
    std::shared_ptr<FaultySensor> Bench(Fault fault = Fault::None, int at = -1, uint16_t boot = 0x0411)
    {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        brelk.sim.ClearSignals();
        sensor = std::make_shared<SimProgrammableSensor>(kBlankId, protocol, 0x7100, boot);
        sensor->SetIdentity("PSN-0001");
        auto faulty = std::make_shared<FaultySensor>(sensor, brelk.port, fault, at);
        brelk.frames.AddSensor(faulty);
        return faulty;
    }
    // Create Sensor with the identifier typed in hexadecimal.
    void CreateSensor(uint32_t id = kNewId)
    {
        Navigate(kPageCreateSensor);
        wchar_t text[16];
        std::swprintf(text, 16, L"%08X", id);
        Page(kPageCreateSensor)->idText = text;
        Page(kPageCreateSensor)->hexMode = true;
        Press(kCmdProgramCreate);
        ASSERT_TRUE(WaitForOperation(120000));
    }
    // The sensor holds the image and the identifier.
    bool Holds(uint32_t id) const
    {
        return sensor->ReadFlash(0xC000, kImageBytes) == FlashOfBlocks(image.blocks, 0xC000, kImageBytes) &&
               sensor->ConfiguredId() == id;
    }
    size_t DailyLines() const
    {
        const std::string csv = DailyFile("(Car-Model-Year).CSV");
        return csv.empty() ? 0 : static_cast<size_t>(std::count(csv.begin(), csv.end(), '\n') - 1);
    }
    static bool Contains(const std::vector<uint8_t>& signals, const std::vector<uint8_t>& part)
    {
        return std::search(signals.begin(), signals.end(), part.begin(), part.end()) != signals.end();
    }

    TempFolder program;
    ScopedEnv programDir{"BRELK_PROGRAM_DIR", program.Path()};
    V4ImageSpec image;
    V4ImageSpec bootImage;
    SimActivationProtocol protocol;
    std::shared_ptr<SimProgrammableSensor> sensor;
};

TEST_F(OperationsEndToEndTest, CreateSensorProgramsTheSensorAndReadsItBack)
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

TEST_F(OperationsEndToEndTest, AFaultAtEachExchangeNeverShowsAFalseSuccess)
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
            // The Brelk comes back for the next run.
            brelk.port.Unplug(false);
            g_bDeviceRemoved = 0;
            SerialClose();
        }
    }
    std::printf("[ info     ] %d exchanges a run; %d faulty runs, %d faults injected, %d recovered by retries, %d "
                "false successes\n",
                exchanges, runs, injected, recovered, falseSuccesses);
    EXPECT_EQ(falseSuccesses, 0);
    EXPECT_EQ(runs, planned);
    EXPECT_GE(runs, exchanges + 3);
}

TEST_F(OperationsEndToEndTest, TestSensorFillsTheFourTexts)
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

TEST_F(OperationsEndToEndTest, CheckSensorFillsTheNineTextsOrNineNotAvailable)
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
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_FAULT"));
    EXPECT_TRUE(page->pane.IsReadingShown()); // the nine lines, each "NA"
    for (const std::wstring& v : page->pane.GetValues())
        EXPECT_EQ(v, L"NA");
    EXPECT_EQ(Signals(), FailSignal());
}

TEST_F(OperationsEndToEndTest, CopyTestsThenProgramsTheIdentifierItRead)
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
    EXPECT_EQ(page->LastStatus(), Text(L"TEST_FAULT"));
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

TEST_F(OperationsEndToEndTest, StopBetweenAttemptsEndsTheRun)
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
    EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_FAULT") + L"[Error Code:-2]");
    EXPECT_EQ(page->LastColour(), kStatusRed);
    EXPECT_EQ(Signals(), FailSignal());
}

TEST_F(OperationsEndToEndTest, StopDuringTheBootUpdateEndsTheRun)
{
    Open();
    // A V4 sensor below boot 0411: the boot image goes in first. Stop during it.
    auto clean = Bench(Fault::None, -1, 0x0410);
    CreateSensor();
    ASSERT_EQ(Page(kPageCreateSensor)->LastStatus(), Text(L"PROGRAM_FAULT") + L"[Error Code:3]")
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
    EXPECT_NE(page->LastStatus(), Text(L"PROGRAM_SUCCSSED"));
    EXPECT_EQ(Signals(), FailSignal());
    EXPECT_FALSE(Holds(kNewId));
    EXPECT_LT(bench->Exchanges(), bootExchanges);
    EXPECT_TRUE(DailyFile("CSV").empty());
}

TEST_F(OperationsEndToEndTest, ClosingTheWindowEndsTheRunAtTheNextExchange)
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
        if (n == 5 && !closed.exchange(true))
            PostToUiThread([window] { window->DestroyWindow(); });
    };
    brelk.frames.AddSensor(silent);
    Navigate(kPageCreateSensor);
    Page(kPageCreateSensor)->idText = L"1234";
    Press(kCmdProgramCreate);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsCreated(); }, 20000));
    EXPECT_FALSE(window->IsWorkerRunning());
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_EQ(makes.load(), 1);
    EXPECT_LT(silent->Exchanges(), 40);
}

} // namespace

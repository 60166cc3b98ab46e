#pragma once
// The operations end to end: the real families, boot update, sensor test
// and information check over the simulated Brelk on the virtual clock, with
// a simulated blank sensor that holds what it was really written, in a
// program folder of its own (catalog, texts, firmware, activation tables).
#include "OperationsFixture.h"

#include "ActivationFixtures.h"
#include "CatalogWriter.h"
#include "DataFixtures.h"
#include "DeviceMap.h"
#include "Expression.h"
#include "FirmwareContainerWriter.h"
#include "SerialPort.h"
#include "SimProgrammableSensor.h"
#include "TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

constexpr uint32_t kProtocol = 0x40;
constexpr uint8_t kTrigger = 0x31;
constexpr int kImageNumber = 0x40;    // the firmware code "040"
constexpr int kV4BootImage = 0x20B;   // the V4 boot image for frequency selector 0
constexpr size_t kImageBytes = 0x100; // four blocks
constexpr uint16_t kBlankId = 0x2345;
constexpr uint32_t kNewId = 0x4038AAA0;

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

enum class Fault { None, NoReply, Corrupt, Refusal, Unplug, OtherId };

inline const char* FaultName(Fault f)
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
            // The Brelk is pulled: its node leaves the device map and the
            // main window hears of it as from the device watcher. This
            // exchange ends once the window has taken it in.
            m_port.Unplug(true);
            DeviceMap::SetSource(
                [] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
            ::PostMessage(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
            PumpUntil([] { return IsOperationStopRequested(); }, 5000);
            m_injected = IsOperationStopRequested();
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
    HWND window = 0; // the main window, told of an unplug

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

class EndToEndTest : public OperationsTest {
public:
    void SetUp() override
    {
        // The program folder: catalog, texts, firmware, activation tables.
        VehicleCatalog catalog;
        catalog.sensorParam = MakeSensorParamXml({{"040", "Bench 433", "F7V4", "0", "FSK", "9600", "CR2032", "4"},
                                                  {"1A3", "Bench 3.5", "N8V4", "0", "ASK", "4800", "CR2450", "3.5"},
                                                  {"0B2", "Bench 315", "F6V1", "1", "ASK", "4800", "CR2450", "3"}});
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
    // The Brelk plugged in again after an unplug: back in the device map,
    // and the main window told.
    void Replug()
    {
        brelk.port.Unplug(false);
        DeviceMap::SetSource([] {
            return std::optional<std::vector<DeviceMapEntry>>(
                std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
        });
        dlg->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
        PumpUntil([] { return g_bDeviceRemoved == 0; }, 5000);
    }
    std::shared_ptr<FaultySensor> Bench(Fault fault = Fault::None, int at = -1, uint16_t boot = 0x0411)
    {
        brelk.frames.ClearSensors();
        brelk.frames.ClearRecords();
        brelk.sim.ClearSignals();
        sensor = std::make_shared<SimProgrammableSensor>(kBlankId, protocol, 0x7100, boot);
        sensor->SetIdentity("PSN-0001");
        auto faulty = std::make_shared<FaultySensor>(sensor, brelk.port, fault, at);
        if (dlg)
            faulty->window = dlg->GetSafeHwnd();
        brelk.frames.AddSensor(faulty);
        return faulty;
    }
    void CreateSensor(uint32_t id = kNewId) { CreateWithHexId(id); }
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

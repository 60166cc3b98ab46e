#include "ProgramBench.h"

#include "ActivationFixtures.h"
#include "AppFlags.h"
#include "AppMessages.h"
#include "DebugTrace.h"
#include "DeviceMap.h"
#include "FirmwareContainerWriter.h"
#include "Language.h"
#include "OperationPage.h"
#include "PageHistory.h"
#include "SensorOperations.h"
#include "SerialDevice.h"
#include "SerialPort.h"
#include "SimBench.h"
#include "TsProgram.h"
#include "UiTestSupport.h"
#include "UiThread.h"
#include "VehicleDatabase.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kSimCom = 9;
constexpr int kLinkWaitMs = 10000;
constexpr int kPollMs = 10;
// The simulator swaps its sensors on its serving thread, at its next wake-up.
constexpr int kSwapSettleMs = 300;
// The bench sensors' firmware: code 040 of the F7V4 family over their whole code area.
constexpr int kImageNumber = 0x40;
constexpr int kBootImageNumber = 0x20B;
constexpr size_t kBootImageBytes = 0x200;

std::atomic<uint64_t> g_written{0};
std::atomic<uint64_t> g_read{0};
std::atomic<uint64_t> g_timeOutMs{0};
std::atomic<uint64_t> g_timeOuts{0};
// The exchange under way: the bytes of the last write and those read since.
std::atomic<uint64_t> g_lastWrite{0};
std::atomic<uint64_t> g_readSinceWrite{0};
std::atomic<double> g_overlapS{0};

// The real device behind the client's port, its bytes counted.
class CountingDevice : public ISerialDevice {
public:
    explicit CountingDevice(std::unique_ptr<ISerialDevice> device) : m_device(std::move(device)) {}
    bool Configure(uint32_t baud) override { return m_device->Configure(baud); }
    bool SetWriteTimeout(uint32_t perByteMs, uint32_t constantMs) override
    {
        return m_device->SetWriteTimeout(perByteMs, constantMs);
    }
    int Write(const uint8_t* data, int length, const WakeEvent* wake) override
    {
        const int n = m_device->Write(data, length, wake);
        if (n > 0) {
            g_written += static_cast<uint64_t>(n);
            g_lastWrite = static_cast<uint64_t>(n);
            g_readSinceWrite = 0;
        }
        return n;
    }
    int Queued() override { return m_device->Queued(); }
    int Read(uint8_t* buffer, int max) override
    {
        const int n = m_device->Read(buffer, max);
        if (n > 0) {
            g_read += static_cast<uint64_t>(n);
            g_readSinceWrite += static_cast<uint64_t>(n);
        }
        return n;
    }
    bool Purge(bool input, bool output) override { return m_device->Purge(input, output); }
    DeviceWait WaitReadable(uint32_t ms, const WakeEvent* wake) override { return m_device->WaitReadable(ms, wake); }
    DeviceWait WaitWritable(uint32_t ms, const WakeEvent* wake) override { return m_device->WaitWritable(ms, wake); }
    bool Close() override { return m_device->Close(); }
    int LastError() const override { return m_device->LastError(); }

private:
    std::unique_ptr<ISerialDevice> m_device;
};

IOperationPage* OperationPage(CBRELK2Dlg& dlg, int pageId)
{
    for (const auto& link : dlg.GetPageHistory().Links())
        if (link->pageId == pageId && link->page)
            return dynamic_cast<IOperationPage*>(link->page.get());
    return nullptr;
}

void NoteTimeOut(const std::string& text)
{
    // The link's record of a receive that ran to its end: "-------------TimeOut:2000------------".
    const size_t at = text.find("TimeOut:");
    if (at == std::string::npos)
        return;
    const uint64_t window = std::strtoul(text.c_str() + at + 8, nullptr, 10);
    g_timeOutMs += window;
    ++g_timeOuts;
    // The request went out, and what answers came in, while the window ran.
    const double onLine = WireSeconds(g_lastWrite + g_readSinceWrite);
    g_overlapS = g_overlapS + std::min(onLine, static_cast<double>(window) / 1000.0);
}

bool WaitFor(const std::string& path, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (::access(path.c_str(), F_OK) != 0) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return true;
}

} // namespace

// ---- the simulated Brelk ---------------------------------------------------------------

SimBrelkProcess::SimBrelkProcess() : m_ports("BRELK_PORTS_DIR", m_folder.File("ports")) {}

SimBrelkProcess::~SimBrelkProcess() { Stop(); }

bool SimBrelkProcess::Start(const std::vector<std::string>& options)
{
    TestProcess::Options o;
    o.args = {"--com", std::to_string(kSimCom), "--ports", m_folder.File("ports")};
    o.args.insert(o.args.end(), options.begin(), options.end());
    o.stdoutFile = m_folder.File("sim.out");
    o.stderrFile = m_folder.File("sim.err");
    return m_process.Start(BRELK_SIM_PATH, o) && WaitFor(m_folder.File("ports/com9"), kLinkWaitMs);
}

void SimBrelkProcess::Stop() { m_process.Stop(); }

void SimBrelkProcess::NextSensorGroup()
{
    m_process.Signal(SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(kSwapSettleMs));
}

// ---- the program folder ----------------------------------------------------------------

BenchProgramFolder::BenchProgramFolder(bool sampleCatalog)
{
    for (const auto& entry : fs::directory_iterator(BRELK_SAMPLE_BIN)) {
        const std::string name = entry.path().filename().string();
        // The programs stay where they are. A catalog of the caller's own
        // replaces the sample's with its containers: none of its files is
        // linked then, or the writer would write through the links into the
        // build's own data.
        if (name.rfind("brelk", 0) == 0 || (!sampleCatalog && !entry.is_directory()))
            continue;
        fs::create_symlink(entry.path(), fs::path(Path()) / name);
    }
    const V4ImageSpec image = SampleV4Image(TS_TYPE_F7V4, kBenchCodeEnd - kBenchCodeStart, 7);
    const V4ImageSpec boot = SampleV4Image(TS_TYPE_F7V4, kBootImageBytes, 8);
    FirmwareContainerWriter firmware;
    firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kImageNumber), BuildV4Image(image));
    firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kBootImageNumber), BuildV4Image(boot));
    firmware.WriteTo(File(FirmwareContainerName(TS_TYPE_F7V4)));
    WriteActiveTab(File("Active.tab"), {BenchProtocol()}, true);
    WriteFixtureExpressTab(File("express.tab"));
}

// ---- meters ----------------------------------------------------------------------------

LineMeter::LineMeter()
{
    SetSerialOpener([](int comNumber, int* error) -> std::unique_ptr<ISerialDevice> {
        const std::string path = DeviceMap::DevicePathOf(comNumber);
        if (path.empty()) {
            if (error)
                *error = ENOENT;
            return nullptr;
        }
        std::unique_ptr<ISerialDevice> device = OpenTermiosDevice(path, error);
        return device ? std::make_unique<CountingDevice>(std::move(device)) : nullptr;
    });
}

LineMeter::~LineMeter() { SetSerialOpener(nullptr); }

uint64_t LineMeter::Written() const { return g_written; }

uint64_t LineMeter::Read() const { return g_read; }

void LineMeter::Reset()
{
    g_written = 0;
    g_read = 0;
}

SleepMeter::SleepMeter() : m_system(GetClock()) { SetClock(this); }

SleepMeter::~SleepMeter() { SetClock(nullptr); }

uint32_t SleepMeter::GetTickCount() { return m_system.GetTickCount(); }

void SleepMeter::Sleep(uint32_t ms)
{
    m_slept += ms;
    if (ms == 1)
        ++m_short;
    m_system.Sleep(ms);
}

bool SleepMeter::WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events)
{
    const auto start = std::chrono::steady_clock::now();
    const bool woken = m_system.WaitForEvents(ms, events);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    m_slept += woken ? static_cast<uint64_t>(waited.count()) : ms;
    return woken;
}

void SleepMeter::Reset()
{
    m_slept = 0;
    m_short = 0;
}

TimeOutMeter::TimeOutMeter() { SetDebugTraceSink(NoteTimeOut); }

TimeOutMeter::~TimeOutMeter() { SetDebugTraceSink(nullptr); }

uint64_t TimeOutMeter::WaitedMs() const { return g_timeOutMs; }

uint64_t TimeOutMeter::Count() const { return g_timeOuts; }

double TimeOutMeter::OverlapSeconds() const { return g_overlapS; }

void TimeOutMeter::Reset()
{
    g_timeOutMs = 0;
    g_timeOuts = 0;
    g_overlapS = 0;
}

long ProcStatusKb(const std::string& pid, const char* field)
{
    std::ifstream in("/proc/" + pid + "/status");
    const std::string name = field;
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0)
            return std::stol(line.substr(name.size()));
    return -1;
}

int OpenDescriptors()
{
    int count = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                ++count;
        ::closedir(d);
        --count; // the listing's own
    }
    return count;
}

void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::wstring LanguageText(const wchar_t* key) { return GetLanguageManager().GetText(key); }

// ---- the client's window ------------------------------------------------------------------

struct ClientWindow::Impl {
    ScriptedMessageBoxes boxes;
};

ClientWindow::ClientWindow() : m_impl(std::make_unique<Impl>()) { EnsureUiApp(); }

ClientWindow::~ClientWindow()
{
    if (m_dlg) {
        m_dlg->DestroyWindow();
        SetMainWindow(nullptr);
        m_dlg.reset();
    }
    // The next benchmark's Brelk is another terminal.
    SerialClose();
}

bool ClientWindow::Open()
{
    GetLanguageManager().LoadLanguage(L"EN");
    ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
    m_dlg = std::make_unique<CBRELK2Dlg>(&screen);
    SetMainWindow(m_dlg.get());
    const CSize size = m_dlg->GetWindowSize();
    if (!m_dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP) || !ShowAndWait(*m_dlg))
        return false;
    // Identifiers in hexadecimal, as a technician types them.
    m_dlg->GetIni().WriteString(L"H", L"Setup", L"IDFormat");
    const CBrand* brand = GetVehicleDatabase()->GetBrands(CARS_STYLE_US)->FindBrand(L"Brunmark");
    const CModel* model = brand ? brand->FindModel(L"Arvo") : nullptr;
    const CYear* year = model ? model->FindYear(L"2016") : nullptr;
    if (!year)
        return false;
    m_dlg->SetBrandSelection(brand);
    m_dlg->SetModelSelection(model);
    m_dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(year), kActionVehicle);
    return true;
}

bool ClientWindow::RunOperation(int pageId, int command, uint32_t timeoutMs)
{
    m_dlg->SendMessage(WM_PAGE_ACTION, pageId, kActionNavigate);
    return Press(command, timeoutMs);
}

bool ClientWindow::Press(int command, uint32_t timeoutMs)
{
    m_dlg->SendMessage(WM_PAGE_ACTION, command, kActionOperation);
    return PumpUntil([this] { return g_bBusy == 0 && !m_dlg->IsWorkerRunning(); }, timeoutMs);
}

bool ClientWindow::CreateSensor(uint32_t id)
{
    m_dlg->SendMessage(WM_PAGE_ACTION, kPageCreateSensor, kActionNavigate);
    IOperationPage* page = OperationPage(*m_dlg, kPageCreateSensor);
    if (!page)
        return false;
    wchar_t text[16];
    std::swprintf(text, 16, page->IsHexMode() ? L"%08X" : L"%u", id);
    RunOnUiThread([&] { page->SetIdText(text); });
    return Press(kCmdProgramCreate);
}

bool ClientWindow::TestSensor() { return RunOperation(kPageTestSensor, kCmdTestSensor); }

std::wstring ClientWindow::Status(int pageId)
{
    IOperationPage* page = OperationPage(*m_dlg, pageId);
    return page ? CallOnUiThread([&] { return page->GetStatus(); }) : std::wstring();
}

size_t ClientWindow::Boxes() const { return m_impl->boxes.AskedBoxes().size(); }

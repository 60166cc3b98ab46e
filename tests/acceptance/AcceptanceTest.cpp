#include "AcceptanceTest.h"

#include "ActivationFixtures.h"
#include "BRELK2Dlg.h"
#include "CodePage.h"
#include "FirmwareContainerWriter.h"
#include "Image.h"
#include "Language.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "PageSetup.h"
#include "TextLines.h"
#include "TsProgram.h"
#include "UiTestSupport.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 20;
constexpr int kRegionCount = 5;
constexpr int kWindowMs = 20000;
constexpr int kSettleMs = 80;
constexpr int kSettleTries = 40;
constexpr int kNewWindowPaintMs = 300;
// The bench sensors' firmware: code 040 of the F7V4 family, a full code area.
constexpr int kImageNumber = 0x40;
constexpr int kBootImageNumber = 0x20B;
constexpr size_t kImageBytes = kBenchCodeEnd - kBenchCodeStart;

std::string CurrentTestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? info->name() : "scenario";
}

std::string GrabFolder()
{
    const char* over = std::getenv("BRELK_GRAB_DIR");
    const std::string folder = over && *over ? over : BRELK_ACCEPTANCE_GRABS;
    fs::create_directories(folder);
    return folder;
}

} // namespace

const AcceptanceProgram& AcceptanceProgramFolder()
{
    static TempFolder folder;
    static AcceptanceProgram program = [] {
        AcceptanceProgram p;
        p.folder = folder.Path();
        // The sample data beside brelk, as the build packed it.
        for (const auto& entry : fs::directory_iterator(BRELK_SAMPLE_BIN)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("brelk", 0) == 0)
                continue;
            fs::create_symlink(entry.path(), fs::path(p.folder) / name);
        }
        const V4ImageSpec image = SampleV4Image(TS_TYPE_F7V4, kImageBytes, 7);
        const V4ImageSpec boot = SampleV4Image(TS_TYPE_F7V4, 0x200, 8);
        FirmwareContainerWriter firmware;
        firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kImageNumber), BuildV4Image(image));
        firmware.Add(FirmwareMemberName(TS_TYPE_F7V4, kBootImageNumber), BuildV4Image(boot));
        firmware.WriteTo(folder.File(FirmwareContainerName(TS_TYPE_F7V4)));
        WriteActiveTab(folder.File("Active.tab"), {BenchProtocol()}, true);
        WriteFixtureExpressTab(folder.File("express.tab"));
        p.codeAreaCrc = CodeAreaCrc(FlashOfBlocks(image.blocks, kBenchCodeStart, kImageBytes));
        p.blankCodeCrc = CodeAreaCrc(std::vector<uint8_t>(kImageBytes, 0xFF));
        return p;
    }();
    return program;
}

void AcceptanceTest::SetUp()
{
    m_start = std::chrono::steady_clock::now();
    // Grabs of an earlier run of this scenario would pass for this run's.
    std::error_code ec;
    const std::string prefix = CurrentTestName() + "-";
    for (const auto& entry : fs::directory_iterator(GrabFolder(), ec))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            fs::remove(entry.path(), ec);
    if (!x.Start(kScreenWidth, kScreenHeight, run.File("xvfb.log"))) {
        std::fprintf(stderr, "acceptance: skipped, no X server can be started here: %s\n", x.Error().c_str());
        GTEST_SKIP() << "no X server can be started here: " << x.Error();
    }
    data = run.File("data");
    ports = run.File("ports");
    fs::create_directories(data);
    fs::create_directories(ports);
    fs::create_directories(run.File("twin"));
    ::mkdir(run.File("runtime").c_str(), 0700);
    // The twin lays its pages out from the same catalog as the client.
    programEnv = std::make_unique<ScopedEnv>("BRELK_PROGRAM_DIR",
                                             OnShippedProgram() ? BRELK_SAMPLE_BIN : AcceptanceProgramFolder().folder);
    twinData = std::make_unique<ScopedEnv>("BRELK_DATA_DIR", run.File("twin"));
    twin = std::make_unique<LayoutTwin>(kScreenWidth, kScreenHeight);
}

void AcceptanceTest::TearDown()
{
    if (HasFailure() && client.Running()) {
        if (auto shot = x.Grab(m_window))
            std::printf("grab at the failure: %s\n", SaveGrab(*shot, "failure").c_str());
    }
    // The client first: it must not see its Brelk go before it ends.
    client.Stop();
    ExpectNoSanitizerReport();
    sim.Stop();
    twin.reset();
    twinData.reset();
    programEnv.reset();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::printf("[ scenario ] %s: %.1f s\n", CurrentTestName().c_str(), seconds);
    if (HasFailure())
        std::printf("---- client trace ----\n%s\n", Trace().c_str());
}

int AcceptanceTest::Remaining(int ms) const
{
    const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start);
    return std::max(0, std::min(ms, kScenarioMs - static_cast<int>(used.count())));
}

void AcceptanceTest::StartSim(const std::vector<std::string>& options)
{
    TestProcess::Options o;
    o.args = {"--com",    std::to_string(kSimCom), "--ports", ports,
              "--record", run.File("sim.record"),  "--state", run.File("bench.txt")};
    o.args.insert(o.args.end(), options.begin(), options.end());
    o.stdoutFile = run.File("sim.out");
    o.stderrFile = run.File("sim.err");
    ASSERT_TRUE(sim.Start(BRELK_SIM_PATH, o));
    const std::string link = ports + "/com" + std::to_string(kSimCom);
    ASSERT_TRUE(WaitUntil([&] { return ::access(link.c_str(), F_OK) == 0; }, 10000)) << ReadFile(run.File("sim.err"));
}

void AcceptanceTest::StartClient()
{
    // On the shipped program the variable is removed: the client finds its data beside itself.
    const std::string programFolder = OnShippedProgram()
                                          ? fs::path(clientExe).parent_path().string()
                                          : clientProgramFolder.value_or(AcceptanceProgramFolder().folder);
    TestProcess::Options o;
    o.env = {{"DISPLAY", x.DisplayName()}, {"QT_QPA_PLATFORM", ""},
             {"WAYLAND_DISPLAY", ""},      {"BRELK_DATA_DIR", data},
             {"BRELK_PORTS_DIR", ports},   {"BRELK_PROGRAM_DIR", OnShippedProgram() ? std::string() : programFolder},
             {"BRELK_TRACE", "1"},         {"XDG_RUNTIME_DIR", run.File("runtime")}};
    o.env.insert(o.env.end(), clientEnv.begin(), clientEnv.end());
    o.stdoutFile = run.File("client.out");
    o.stderrFile = run.File("client.err");
    o.workingFolder = programFolder.empty() ? AcceptanceProgramFolder().folder : programFolder;
    ASSERT_TRUE(client.Start(clientExe, o));
    // Its main window: the one of the layout's size.
    const CSize size = twin->Dialog().GetWindowSize();
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const XSession::Window& w : x.WindowsOf(client.Pid()))
                if (w.rect.Width() == size.cx && w.rect.Height() == size.cy) {
                    m_window = w.rect;
                    return true;
                }
            return !client.Running();
        },
        kWindowMs))
        << Trace();
    ASSERT_TRUE(client.Running()) << Trace();
}

void AcceptanceTest::StopClient()
{
    client.Stop();
    ExpectNoSanitizerReport();
    m_window = CRect();
}

void AcceptanceTest::ExpectNoSanitizerReport()
{
    // A sanitizer build of the client writes what it found to its standard error.
    const std::string trace = Trace();
    for (const char* report : {"runtime error:", "ERROR: AddressSanitizer", "ERROR: LeakSanitizer"})
        EXPECT_EQ(trace.find(report), std::string::npos) << trace;
}

bool AcceptanceTest::WaitUntil(const std::function<bool()>& condition, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Remaining(ms));
    while (true) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

std::string AcceptanceTest::ReadFile(const std::string& path) const
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string AcceptanceTest::Trace() const { return ReadFile(run.File("client.err")); }

size_t AcceptanceTest::TraceCount(const std::string& text) const
{
    const std::string all = Trace();
    size_t found = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
        ++found;
    return found;
}

bool AcceptanceTest::WaitForTrace(const std::string& text, size_t count, int ms)
{
    return WaitUntil([&] { return TraceCount(text) >= count; }, ms);
}

std::string AcceptanceTest::LastStatusLine() const
{
    const std::vector<std::string> lines = LinesWith(Trace(), "status line: ");
    return lines.empty() ? std::string() : lines.back().substr(lines.back().find("status line: ") + 13);
}

std::string AcceptanceTest::EnglishText(const wchar_t* key)
{
    // The client's English file, from the program folder of the scenarios.
    static const bool loaded = GetLanguageManager().LoadLanguage(L"EN") == 0;
    return loaded ? WideToUtf8(GetLanguageManager().GetText(key)) : std::string();
}

std::string AcceptanceTest::RedStatus(const wchar_t* key) { return EnglishText(key) + " (red)"; }

std::string AcceptanceTest::BlueStatus(const wchar_t* key) { return EnglishText(key) + " (blue)"; }

bool AcceptanceTest::WaitForFileText(const std::string& path, const std::string& text, int ms)
{
    return WaitUntil([&] { return ReadFile(path).find(text) != std::string::npos; }, ms);
}

BenchRecordLine AcceptanceTest::BenchSensor(uint16_t searchId) const
{
    for (const BenchRecordLine& line : ReadBenchRecord(run.File("bench.txt")))
        if (line.searchId == searchId)
            return line;
    return BenchRecordLine();
}

std::vector<std::string> AcceptanceTest::SimCommands() const { return ReadLines(run.File("sim.record")); }

std::vector<std::string> AcceptanceTest::DailyFiles() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(data + "/DailyFile", ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string AcceptanceTest::DailyFile(const std::string& endsWith) const
{
    for (const std::string& name : DailyFiles())
        if (name.size() >= endsWith.size() &&
            name.compare(name.size() - endsWith.size(), endsWith.size(), endsWith) == 0)
            return ReadFile(data + "/DailyFile/" + name);
    return {};
}

bool AcceptanceTest::WaitForCarPage(int region)
{
    return WaitForTrace("page " + std::to_string(kPageCarRegion1 + region - 1) + " shown");
}

void AcceptanceTest::ChooseFromBox(const CRect& box, int rowCount, int row)
{
    ClickClient(box);
    // The box's list drops down as a window of its own, one row an item.
    std::vector<XSession::Window> list;
    ASSERT_TRUE(WaitUntil([&] { return !(list = OtherWindows()).empty(); }, 5000)) << "no list dropped down";
    const CRect rows = list.front().rect;
    // A list takes no click in its first moments (a click that opened it must not pick from it).
    std::this_thread::sleep_for(std::chrono::milliseconds(kNewWindowPaintMs));
    const int rowHeight = rows.Height() / rowCount;
    x.Click(CPoint(rows.left + rows.Width() / 2, rows.top + rowHeight * row + rowHeight / 2));
    ASSERT_TRUE(WaitUntil([&] { return OtherWindows().empty(); }, 5000)) << "the list stays down";
}

void AcceptanceTest::ChooseRegion(int region)
{
    ChooseFromBox(twin->RegionBox(), kRegionCount, region - 1);
    twin->ChooseRegion(region);
    ASSERT_TRUE(WaitForCarPage(region)) << Trace();
}

void AcceptanceTest::ChooseVehicle(const std::wstring& brand, const std::wstring& model, const std::wstring& year,
                                   bool grabs)
{
    const size_t testPages = TraceCount("page " + std::to_string(kPageTestSensor) + " shown");
    if (grabs)
        SaveSettledGrab("car-page");
    Tap(twin->Brand(brand));
    Tap(twin->Model(model));
    if (grabs)
        SaveSettledGrab("model-page");
    Tap(twin->Year(year));
    ASSERT_TRUE(WaitForTrace("page " + std::to_string(kPageTestSensor) + " shown", testPages + 1)) << Trace();
}

void AcceptanceTest::OpenSensorPage(int pageId)
{
    const std::string shown = "page " + std::to_string(pageId) + " shown";
    const size_t before = TraceCount(shown);
    Tap(twin->SensorTab(pageId));
    ASSERT_TRUE(WaitForTrace(shown, before + 1)) << Trace();
}

void AcceptanceTest::TypeHexIdOnCreatePage(const std::string& id)
{
    OpenSensorPage(kPageCreateSensor);
    auto* page = dynamic_cast<IOperationPage*>(twin->Dialog().GetCurrentPage());
    ASSERT_TRUE(page);
    if (!page->IsHexMode())
        Tap(twin->PageControl(kIdHexCheck));
    ClickClient(twin->PageControl(kIdSensorEdit));
    Type(id);
}

std::string AcceptanceTest::RunOperation(int buttonId, int ms)
{
    const size_t ended = TraceCount("operation ended: ");
    ClickClient(twin->PageControl(buttonId));
    MoveAway();
    EXPECT_TRUE(WaitForTrace("operation ended: ", ended + 1, ms)) << Trace();
    return LastStatusLine();
}

std::unique_ptr<Image> AcceptanceTest::GrabStatusLine(const std::string& name)
{
    auto shot = GrabSettled(twin->PageControl(kIdStatusText));
    if (shot)
        SaveGrab(*shot, name);
    return shot;
}

void AcceptanceTest::Tap(const CRect& rect)
{
    ClickClient(rect);
    twin->Click(Centre(rect));
}

void AcceptanceTest::ClickClient(const CRect& rect)
{
    ASSERT_FALSE(rect.IsRectEmpty()) << "nothing to click there";
    const CPoint centre = Centre(rect);
    x.Click(CPoint(m_window.left + centre.x, m_window.top + centre.y));
}

void AcceptanceTest::Key(const std::string& keysymName) { x.Key(keysymName); }

void AcceptanceTest::Type(const std::string& text) { x.Type(text); }

void AcceptanceTest::MoveAway() { x.MoveTo(CPoint(kScreenWidth - 1, kScreenHeight - 1)); }

std::unique_ptr<Image> AcceptanceTest::GrabSettled(const CRect& rect)
{
    CRect onScreen = rect.IsRectEmpty() ? m_window : rect;
    if (!rect.IsRectEmpty())
        onScreen.OffsetRect(m_window.left, m_window.top);
    std::unique_ptr<Image> last = x.Grab(onScreen);
    for (int i = 0; i < kSettleTries && last; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
        std::unique_ptr<Image> next = x.Grab(onScreen);
        if (next && Likeness(*last, *next) == 1.0)
            return next;
        last = std::move(next);
    }
    return last;
}

void AcceptanceTest::SaveWindowGrab(const XSession::Window& window, const std::string& name)
{
    // A window just mapped shows what was under it until it has painted itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(kNewWindowPaintMs));
    CRect inClient = window.rect;
    inClient.OffsetRect(-m_window.left, -m_window.top);
    auto shot = GrabSettled(inClient);
    ASSERT_TRUE(shot);
    SaveGrab(*shot, name);
}

void AcceptanceTest::SaveSettledGrab(const std::string& name)
{
    MoveAway();
    auto shot = GrabSettled();
    ASSERT_TRUE(shot);
    SaveGrab(*shot, name);
}

std::string AcceptanceTest::SaveGrab(const Image& image, const std::string& name)
{
    const std::string path = GrabFolder() + "/" + CurrentTestName() + "-" + name + ".png";
    image.Save(path);
    return path;
}

std::vector<XSession::Window> AcceptanceTest::PressUpgradeAndWaitForQuestion(int ms)
{
    constexpr int kSettingsTab = 2;
    Tap(twin->MainTab(kSettingsTab));
    if (!WaitForTrace("page " + std::to_string(kPageSetup) + " shown"))
        return {};
    ClickClient(twin->PageControl(CPageSetup::kUpgradeId));
    MoveAway();
    std::vector<XSession::Window> question;
    WaitUntil([&] { return !(question = OtherWindows()).empty(); }, ms);
    return question;
}

std::vector<XSession::Window> AcceptanceTest::OtherWindows()
{
    std::vector<XSession::Window> others;
    for (const XSession::Window& w : x.WindowsOf(client.Pid()))
        if (w.rect != m_window)
            others.push_back(w);
    return others;
}

namespace {

// Pixels of the image whose colour passes the test (given red, green, blue).
template <typename Test> int CountPixels(const Image& image, Test test)
{
    int n = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            const uint32_t p = image.GetPixel(x, y).GetValue();
            n += test((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) ? 1 : 0;
        }
    return n;
}

} // namespace

int AcceptanceTest::BluePixels(const Image& image)
{
    return CountPixels(image, [](uint32_t r, uint32_t g, uint32_t b) { return b > 150 && r < 90 && g < 90; });
}

int AcceptanceTest::RedPixels(const Image& image)
{
    return CountPixels(image, [](uint32_t r, uint32_t g, uint32_t b) { return r > 150 && g < 90 && b < 90; });
}

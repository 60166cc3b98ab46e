// Scenario 6, the label: after a Create Sensor run, Print sends the label of
// the sensor to a CUPS queue whose backend writes PDF files (a private cupsd
// of the test's own), and the PDF that comes out, rendered at the label
// printer's resolution, shows the sensor's ID line.
#include "AcceptanceTest.h"

#include "Graphics.h"
#include "Image.h"
#include "InkBox.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "PageSetup.h"
#include "PrintHelpers.h"
#include "SensorOperations.h"
#include "UiTestSupport.h"
#include "WinDefs.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kSettingsTab = 2;
constexpr char kPdfToPpm[] = "/usr/bin/pdftoppm";
constexpr int kQueueSkip = 77; // the queue script's "CUPS cannot run here"
constexpr int kQueueScriptMs = 60000;
constexpr int kPdfMs = 60000;
constexpr int kRenderMs = 30000;
// The label's layout in tenths of a millimetre (40 x 31 mm by default): the
// ID line in bold Arial 3.8 mm high from 8.8 mm, the vehicle's line below it.
constexpr int kLabelWidth = 400, kLabelHeight = 310;
constexpr int kIdTop = 88, kIdHeight = 38, kVehicleTop = 126;
constexpr int kLabelDpi = 203;

int Px(double tenthsOfMm) { return int(tenthsOfMm * kLabelDpi / 254.0 + 0.5); }

// The width in pixels at the label's resolution of a text in bold Arial of
// that height, as the program measures it.
int BoldArialWidthPx(const std::wstring& text, int heightTenthsOfMm)
{
    EnsureUiApp();
    Image scratch(8, 8);
    Graphics dc(scratch, kLabelDpi);
    dc.SetMapMode(MM_LOMETRIC);
    return Px(MeasureTextArial(L"Arial", FW_BOLD, text, dc, heightTenthsOfMm).width);
}

class LabelTest : public AcceptanceTest {
protected:
    // Runs the queue script; its exit code, its messages in `output`.
    int Queue(const char* verb, std::string& output)
    {
        TestProcess script;
        TestProcess::Options o;
        o.args = {verb, run.File("cups"), m_queue};
        o.stdoutFile = run.File(std::string("cups-") + verb + ".out");
        o.stderrFile = o.stdoutFile + ".err";
        if (!script.Start(BRELK_CUPS_QUEUE_SCRIPT, o))
            return -1;
        const int status = script.WaitForExit(kQueueScriptMs);
        output = ReadFile(o.stdoutFile) + ReadFile(o.stderrFile);
        return status;
    }
    void TearDown() override
    {
        AcceptanceTest::TearDown();
        if (m_up) {
            std::string output;
            EXPECT_EQ(Queue("down", output), 0) << output;
        }
    }
    // The first whole PDF in the queue's output folder.
    std::string WaitForPdf()
    {
        std::string found;
        WaitUntil(
            [&] {
                std::error_code ec;
                for (const auto& entry : std::filesystem::directory_iterator(run.File("cups/out"), ec))
                    if (entry.path().extension() == ".pdf" &&
                        ReadFile(entry.path().string()).find("%%EOF") != std::string::npos)
                        found = entry.path().string();
                return !found.empty();
            },
            kPdfMs);
        return found;
    }
    // The PDF's first page as a PNG at the label printer's resolution, saved
    // with the scenario's grabs as <scenario>-<name>.png.
    std::unique_ptr<Image> RenderPdf(const std::string& pdf, const std::string& name)
    {
        TestProcess render;
        TestProcess::Options o;
        const std::string stem = run.File(name);
        o.args = {"-r", std::to_string(kLabelDpi), "-png", "-singlefile", pdf, stem};
        o.stdoutFile = run.File("pdftoppm.out");
        o.stderrFile = o.stdoutFile + ".err";
        if (!render.Start(kPdfToPpm, o) || render.WaitForExit(kRenderMs) != 0)
            return nullptr;
        std::unique_ptr<Image> page = Image::FromFile(stem + ".png");
        if (page && !page->IsNull())
            SaveGrab(*page, name);
        return page;
    }

    const std::string m_queue = "BrelkAcceptance" + std::to_string(::getpid());
    bool m_up = false;
};

TEST_F(LabelTest, PrintAfterCreateSensorPrintsItsLabelToAPdf)
{
    if (::access(BRELK_CUPS_QUEUE_SCRIPT, X_OK) != 0) {
        std::fprintf(stderr, "acceptance: label printing skipped, no print queue script %s\n", BRELK_CUPS_QUEUE_SCRIPT);
        GTEST_SKIP() << "no print queue script " << BRELK_CUPS_QUEUE_SCRIPT;
    }
    if (::access(kPdfToPpm, X_OK) != 0)
        GTEST_SKIP() << "pdftoppm (Debian's poppler-utils) is not installed";
    std::string output;
    // The queue's filters run as the lp user and must reach its spool inside
    // this scenario's folder, which mkdtemp made for root alone.
    ASSERT_EQ(::chmod(run.Path().c_str(), 0711), 0);
    const int up = Queue("up", output);
    if (up == kQueueSkip) {
        std::fprintf(stderr, "acceptance: label printing skipped, no CUPS here: %s\n", output.c_str());
        GTEST_SKIP() << "no CUPS here: " << output;
    }
    ASSERT_EQ(up, 0) << output;
    m_up = true;
    clientEnv = {{"CUPS_SERVER", run.File("cups/run/cups.sock")}};
    run.Write("data/Setup.ini", "[Setup]\r\nIDFormat=H\r\n[PrintSetting]\r\nPrinterName=" + m_queue + "\r\n");

    StartSim({"--sensors", "2345"});
    StartClient();
    ASSERT_TRUE(WaitForCarPage()) << Trace();
    // The print settings, from the settings page: the queue is the printer.
    Tap(twin->MainTab(kSettingsTab));
    ASSERT_TRUE(WaitForTrace("page " + std::to_string(kPageSetup) + " shown")) << Trace();
    ClickClient(twin->PageControl(CPageSetup::kPrintSettingId));
    std::vector<XSession::Window> dialog;
    ASSERT_TRUE(WaitUntil([&] { return !(dialog = OtherWindows()).empty(); }, 20000)) << Trace();
    SaveWindowGrab(dialog.front(), "print-settings");
    x.MoveTo(Centre(dialog.front().rect));
    Key("Escape");
    ASSERT_TRUE(WaitUntil([&] { return OtherWindows().empty(); }, 10000));

    Tap(twin->MainTab(0));
    ChooseRegion(2);
    ChooseVehicle(L"Velsor", L"Fenn", L"2016");
    OpenSensorPage(kPageCreateSensor);
    ClickClient(twin->PageControl(kIdSensorEdit));
    Type("4038AAA0");
    ASSERT_EQ(RunOperation(kCmdProgramCreate), "Programming succeeded (blue)") << Trace();
    ClickClient(twin->PageControl(kIdPrint));
    MoveAway();

    const std::string pdf = WaitForPdf();
    ASSERT_FALSE(pdf.empty()) << "no PDF from the queue\n" << Trace();
    // The PDF's glyphs carry no text to read back, so the label is looked at
    // as a picture, the way it comes out of a label printer.
    const std::unique_ptr<Image> label = RenderPdf(pdf, "label");
    ASSERT_TRUE(label) << "the PDF did not render";
    EXPECT_NEAR(label->GetWidth(), Px(kLabelWidth), 2);
    EXPECT_NEAR(label->GetHeight(), Px(kLabelHeight), 2);
    // The ID line: ink in its band, at its top, centred, as wide as the
    // sensor's ID with its base measures.
    const InkBox id = FindInk(*label, CRect(0, Px(kIdTop) - 2, label->GetWidth(), Px(kVehicleTop)));
    ASSERT_TRUE(id.Found()) << "no ID line on the label";
    EXPECT_LE(id.top, Px(kIdTop) + 7);
    EXPECT_NEAR((id.left + id.right) / 2.0, label->GetWidth() / 2.0, 4);
    EXPECT_NEAR(id.right - id.left + 1, BoldArialWidthPx(L"ID:4038AAA0(H)", kIdHeight), 6);
    EXPECT_TRUE(FindInk(*label, CRect(0, Px(kVehicleTop), label->GetWidth(), Px(kVehicleTop + kIdHeight))).Found())
        << "no vehicle line on the label";
    EXPECT_EQ(LastStatusLine(), "Programming succeeded (blue)") << Trace();
    SaveSettledGrab("create-page-printed");
}

} // namespace

// A label as it leaves the program: a PDF file written by Qt's PDF output
// through the program's own print job set-up, and a real print to a CUPS
// queue of the cups-pdf backend. Both files are rendered to PNG with
// poppler's tools and checked for the label's layout.
#include "LabelFixture.h"
#include "LabelPrinting.h"
#include "PrintRegistry.h"
#include "TPMSPrintInfo.h"
#include "TempFolder.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
constexpr int kRenderDpi = 203;
constexpr int kCommandSeconds = 60;
constexpr auto kJobWait = std::chrono::seconds(60);

struct CommandResult {
    int status = -1;
    std::string output; // standard output and standard error
};

// Runs the shell command with a bound on its time.
CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    const std::string bounded = "timeout " + std::to_string(kCommandSeconds) + " " + command + " 2>&1";
    FILE* pipe = ::popen(bounded.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool HavePoppler() { return RunCommand("sh -c 'command -v pdfinfo && command -v pdftoppm'").status == 0; }

struct PdfFacts {
    std::string title;
    double widthPt = 0;
    double heightPt = 0;
    int pages = 0;
};

PdfFacts ReadPdfInfo(const std::string& pdf)
{
    PdfFacts facts;
    const CommandResult info = RunCommand("pdfinfo '" + pdf + "'");
    std::smatch m;
    // Ghostscript's title comes in the brackets of a PDF string.
    if (std::regex_search(info.output, m, std::regex(R"(Title:\s+\(?([^)\n]*)\)?)")))
        facts.title = m[1];
    if (std::regex_search(info.output, m, std::regex(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)"))) {
        facts.widthPt = std::stod(m[1]);
        facts.heightPt = std::stod(m[2]);
    }
    if (std::regex_search(info.output, m, std::regex(R"(Pages:\s+([0-9]+))")))
        facts.pages = std::stoi(m[1]);
    return facts;
}

// The PDF's first page as a PNG at the label printer's resolution.
std::unique_ptr<Image> RenderPdf(const std::string& pdf, const std::string& png)
{
    const std::string stem = png.substr(0, png.size() - 4);
    const CommandResult r =
        RunCommand("pdftoppm -r " + std::to_string(kRenderDpi) + " -png -singlefile '" + pdf + "' '" + stem + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    return Image::FromFile(png);
}

int Px(double tenthsOfMm) { return int(tenthsOfMm * kRenderDpi / 254.0 + 0.5); }

// The label's parts where the layout puts them, upright: the logo in the head,
// the ID line from 8.8 mm, the date ending 2 mm from the right edge. The page
// is 40 x 31 mm within `sizePx`.
void ExpectLabelLayout(const Image& page, int sizePx)
{
    EXPECT_NEAR(page.GetWidth(), Px(400), sizePx);
    EXPECT_NEAR(page.GetHeight(), Px(310), sizePx);
    const int width = page.GetWidth();
    const InkBox logo = FindInk(page, CRect(0, 0, width, Px(86) + 1));
    ASSERT_TRUE(logo.Found());
    EXPECT_GE(logo.top, 6);
    const InkBox id = FindInk(page, CRect(0, Px(86) + 2, width, Px(126)));
    ASSERT_TRUE(id.Found());
    EXPECT_GE(id.top, Px(88) - 1);
    EXPECT_LE(id.top, Px(88) + 7);
    EXPECT_NEAR((id.left + id.right) / 2.0, width / 2.0, 4);
    const InkBox date = FindInk(page, CRect(0, Px(195) - 1, width, page.GetHeight()));
    ASSERT_TRUE(date.Found());
    EXPECT_LE(date.right, width - Px(20) + 1);
    EXPECT_GE(date.right, width - Px(20) - 4);
}

// A print queue of a private cupsd for the test's lifetime. The CUPS library
// keeps the server it first talked to for the rest of the process, so this
// test comes before any other use of QPrinter in the program's tests.
class CupsPdfQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        if (!HavePoppler())
            GTEST_SKIP() << "pdfinfo and pdftoppm (Debian's poppler-utils) are not installed";
        const CommandResult up = RunCommand(Script("up"));
        if (up.status == 77)
            GTEST_SKIP() << "no CUPS here: " << up.output;
        ASSERT_EQ(up.status, 0) << up.output;
        m_up = true;
        // Qt's CUPS support talks to the server CUPS_SERVER names.
        m_server = std::make_unique<ScopedEnv>("CUPS_SERVER", m_folder.File("run/cups.sock"));
    }
    void TearDown() override
    {
        m_server.reset();
        if (m_up) {
            const CommandResult down = RunCommand(Script("down"));
            EXPECT_EQ(down.status, 0) << down.output;
        }
    }
    std::string Script(const char* verb) const
    {
        return std::string(BRELK_CUPS_QUEUE_SCRIPT) + " " + verb + " '" + m_folder.Path() + "' " + m_queue;
    }
    // The first finished PDF that lands in the queue's output folder.
    std::string WaitForPdf() const
    {
        const auto deadline = std::chrono::steady_clock::now() + kJobWait;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& entry : std::filesystem::directory_iterator(m_folder.File("out"))) {
                if (entry.path().extension() != ".pdf")
                    continue;
                std::ifstream in(entry.path(), std::ios::binary);
                const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                if (bytes.find("%%EOF") != std::string::npos)
                    return entry.path().string();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return {};
    }

    TempFolder m_folder;
    const std::string m_queue = "BrelkLabel" + std::to_string(::getpid());
    std::unique_ptr<ScopedEnv> m_server;
    bool m_up = false;
};

TEST_F(CupsPdfQueue, TheLabelLandsAsAPdfOfItsOwnSize)
{
    FixedDate date(2024, 3, 5);
    const std::wstring queue(m_queue.begin(), m_queue.end());
    std::vector<std::wstring> printers;
    ASSERT_TRUE(EnumLocalPrinters(printers));
    ASSERT_NE(std::find(printers.begin(), printers.end(), queue), printers.end());

    _tagPrintSettingInfo settings;
    settings.printerName = queue;
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    PrintRegistry registry;
    ASSERT_EQ(PrintLabel(settings, label, registry), kPrinted);

    const std::string pdf = WaitForPdf();
    ASSERT_FALSE(pdf.empty()) << "no PDF from the queue within the wait";
    const PdfFacts facts = ReadPdfInfo(pdf);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_EQ(facts.title, "Data Printing");
    // Ghostscript writes the media box in whole points.
    EXPECT_NEAR(facts.widthPt, 40 * kPointsPerMm, 1);
    EXPECT_NEAR(facts.heightPt, 31 * kPointsPerMm, 1);
    std::unique_ptr<Image> page = RenderPdf(pdf, LabelGrabPath("brelk-label-cups.png"));
    ASSERT_TRUE(page);
    ExpectLabelLayout(*page, 3);
}

TEST(LabelPdf, APdfPageOfTheLabelsSizeAndName)
{
    EnsureUiApp();
    if (!HavePoppler())
        GTEST_SKIP() << "pdfinfo and pdftoppm (Debian's poppler-utils) are not installed";
    FixedDate date(2024, 3, 5);
    TempFolder folder;
    const std::string pdf = folder.File("label.pdf");
    PdfPrinterService printers(L"PDF", pdf);
    _tagPrintSettingInfo settings;
    settings.printerName = L"PDF";
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    PrintRegistry registry;
    ASSERT_EQ(PrintLabel(settings, label, registry), kPrinted);

    const PdfFacts facts = ReadPdfInfo(pdf);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_EQ(facts.title, "Data Printing");
    EXPECT_NEAR(facts.widthPt, 40 * kPointsPerMm, 0.5);
    EXPECT_NEAR(facts.heightPt, 31 * kPointsPerMm, 0.5);

    const std::string png = LabelGrabPath("brelk-label-pdf.png");
    std::unique_ptr<Image> page = RenderPdf(pdf, png);
    ASSERT_TRUE(page);
    ExpectLabelLayout(*page, 1);
}

} // namespace

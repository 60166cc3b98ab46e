#include "LabelFixture.h"
#include "LabelPrinting.h"
#include "PrintHelpers.h"
#include "PrintImageManage.h"
#include "PrintRegistry.h"
#include "TPMSPrintInfo.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int kLabelDpi = 203;

// Ten tenths of a millimetre per character: widths a test can count.
int TenPerChar(const std::wstring& text) { return int(text.size()) * 10; }

_tagPrintSettingInfo LabelSettings(const std::wstring& printer = L"Label")
{
    _tagPrintSettingInfo settings;
    settings.printerName = printer;
    return settings; // 40 x 31 mm
}

// Prints the label at 203 dpi and gives the page.
FakePrinterService::Page PrintOne(_tagTPMSPrintInfo label, const _tagPrintSettingInfo& settings = LabelSettings())
{
    FakePrinterService printers({L"Label"}, L"Label", kLabelDpi);
    PrintRegistry registry;
    EXPECT_EQ(PrintLabel(settings, label, registry), kPrinted);
    auto pages = printers.Printed();
    EXPECT_EQ(pages.size(), 1u);
    return pages.empty() ? FakePrinterService::Page{} : pages[0];
}

int Px(double tenthsOfMm) { return int(tenthsOfMm * kLabelDpi / 254.0 + 0.5); }

TEST(LabelUnits, ConversionsOnThePrinterAndOnTheScreen)
{
    EnsureUiApp();
    FakePrinterService printers({L"Label"}, L"Label", kLabelDpi);
    auto job = GetPrinterService().StartJob(L"Label", 400, 310, L"Data Printing");
    ASSERT_TRUE(job);
    const Graphics& printer = job->Page();
    // Printing goes by LOGPIXELS, and a millimetre or less is nothing.
    EXPECT_EQ(MillimetresToPixels(printer, true, 40, 31), CSize(320, 248));
    EXPECT_EQ(MillimetresToPixels(printer, true, 1.0, 0.5), CSize(0, 0));
    EXPECT_EQ(MillimetresToPixels(printer, true, 1.01, 8.6), CSize(8, 69));
    EXPECT_EQ(PixelsToTenthsOfMillimetre(printer, CSize(320, 248), true), CSize(400, 310));
    EXPECT_EQ(ScaleImageToDeviceDpi(printer, CSize(256, 64), 203, 203), CSize(256, 64));

    // The preview goes by the bitmap's size in millimetres and in pixels.
    Image preview(151, 117);
    Graphics screen(preview);
    EXPECT_EQ(screen.GetDeviceCaps(HORZSIZE), 40);
    EXPECT_EQ(MillimetresToPixels(screen, false, 40, 31), CSize(151, 117));
    EXPECT_EQ(MillimetresToPixels(screen, false, 0, 8.6), CSize(0, 32));
    EXPECT_EQ(PixelsToTenthsOfMillimetre(screen, CSize(151, 117), false), CSize(400, 310));
    EXPECT_EQ(ScaleImageToDeviceDpi(screen, CSize(256, 64), 203, 203), CSize(121, 30));
    EXPECT_EQ(ScaleImageToDeviceDpi(screen, CSize(256, 64), 0, 96), CSize(0, 0));
    // A bitmap of lower resolution shows a big paper whole.
    Image small(197, 20);
    Graphics reduced(small, 10);
    EXPECT_EQ(MillimetresToPixels(10, 10, 500, 50), CSize(197, 20));
    EXPECT_EQ(PixelsToTenthsOfMillimetre(reduced, CSize(197, 20), false).cx, 5000);
}

TEST(LabelUnits, FitRectKeepAspect)
{
    struct Case {
        CRect box;
        int iw, ih;
        CRect fitted;
    } cases[] = {
        // Wider and higher than the box: shrunk by the larger ratio and centred.
        {CRect(0, 0, 150, 32), 256, 64, CRect(9, 0, 141, 33)},
        // Only wider: the height follows the width.
        {CRect(0, 0, 99, 99), 200, 50, CRect(0, 37, 99, 61)},
        // Only higher: the width follows the height.
        {CRect(0, 8, 319, 69), 256, 64, CRect(35, 8, 282, 69)},
        // Smaller than the box: its own size, centred.
        {CRect(0, 0, 99, 49), 20, 10, CRect(39, 19, 58, 28)},
        // Nothing to keep the aspect of: the box stays.
        {CRect(0, 0, 99, 49), 0, 10, CRect(0, 0, 99, 49)},
        {CRect(10, 0, 5, 49), 20, 10, CRect(10, 0, 5, 49)},
    };
    for (const Case& c : cases) {
        CRect box = c.box;
        FitRectKeepAspect(box, c.iw, c.ih);
        EXPECT_EQ(box, c.fitted) << c.iw << "x" << c.ih << " in " << c.box.right << "," << c.box.bottom;
    }
}

TEST(LabelText, WrapRulesCutTextsThatDoNotFit)
{
    using Wrap = void (*)(const CPrintImageManage::TextWidth&, const std::wstring&, int, std::vector<std::wstring>&);
    struct Case {
        const char* rule;
        Wrap wrap;
        std::wstring text;
        int W;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"part fits", &CPrintImageManage::WrapPartNoText, L"123", 60, {L"OE:123"}},
        {"part at (", &CPrintImageManage::WrapPartNoText, L"123456789(ABC)", 130, {L"OE:123456789", L"(ABC)"}},
        {"part at full-width (",
         &CPrintImageManage::WrapPartNoText,
         L"12345678\uFF08AB\uFF09",
         100,
         {L"OE:12345678", L"\uFF08AB\uFF09"}},
        {"part after \\", &CPrintImageManage::WrapPartNoText, L"1234567\\890", 100, {L"OE:1234567\\", L"890"}},
        {"part after /", &CPrintImageManage::WrapPartNoText, L"1234567/890/1", 100, {L"OE:1234567/", L"890/1"}},
        {"part at 70 %", &CPrintImageManage::WrapPartNoText, L"ABCDEFGHIJKLMNOPQ", 100, {L"OE:ABCDEFGHIJK", L"LMNOPQ"}},
        {"year fits", &CPrintImageManage::WrapYearText, L"2010-2015", 90, {L"2010-2015"}},
        {"year at half", &CPrintImageManage::WrapYearText, L"2010/01-2015/12", 100, {L"2010/01", L"-2015/12"}},
        {"year before last (", &CPrintImageManage::WrapYearText, L"2010 (A) (EU)", 100, {L"2010 (A) ", L"(EU)"}},
        {"year before full-width (",
         &CPrintImageManage::WrapYearText,
         L"2010-2015\uFF08EU\uFF09",
         100,
         {L"2010-2015", L"\uFF08EU\uFF09"}},
        {"year at first space",
         &CPrintImageManage::WrapYearText,
         L"2010/01 2015/12 X",
         100,
         {L"2010/01", L" 2015/12 X"}},
        {"model fits", &CPrintImageManage::WrapModelText, L"Ab-Cd", 50, {L"Ab-Cd"}},
        {"model rest fits",
         &CPrintImageManage::WrapModelText,
         L"Testmark-Alto Sport",
         150,
         {L"Testmark-", L"Alto Sport"}},
        {"model before (",
         &CPrintImageManage::WrapModelText,
         L"Testmark-Alto Sport(2010)",
         150,
         {L"Testmark-", L"Alto Sport", L"(2010)"}},
        {"model at last space that fits",
         &CPrintImageManage::WrapModelText,
         L"Testmark-Alto Sport Van GT",
         150,
         {L"Testmark-", L"Alto Sport Van", L"GT"}},
        {"model at an earlier space",
         &CPrintImageManage::WrapModelText,
         L"Testmark-Alto Sport Van GT",
         120,
         {L"Testmark-", L"Alto Sport", L"Van GT"}},
        {"model without -", &CPrintImageManage::WrapModelText, L"Alto Sport Van GT", 120, {L"Alto Sport", L"Van GT"}},
        {"model cut where it stops fitting",
         &CPrintImageManage::WrapModelText,
         L"X-ABCDEFGHIJKL",
         100,
         {L"X-", L"ABCDEFGHIJ", L"KL"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> lines = {L"left over"};
        c.wrap(TenPerChar, c.text, c.W, lines);
        EXPECT_EQ(lines, c.lines) << c.rule;
    }
}

TEST(LabelText, DateFormats)
{
    const LocalTime date{2024, 3, 5, 9, 30, 0, 0};
    EXPECT_EQ(CPrintImageManage::FormatDate(date, 0), L"03.05.2024");
    EXPECT_EQ(CPrintImageManage::FormatDate(date, 1), L"05.03.2024");
    EXPECT_EQ(CPrintImageManage::FormatDate(date, 2), L"2024.03.05");
    // The dialog offers no other type; one from an edited settings file reads as the default.
    EXPECT_EQ(CPrintImageManage::FormatDate(date, 7), L"05.03.2024");
    EXPECT_EQ(CPrintImageManage::FormatDate(date, -1), L"05.03.2024");
}

TEST(LabelRegistry, AnIdentifierKeepsItsNumber)
{
    PrintRegistry registry;
    EXPECT_EQ(LookupPrintNumber(registry, L"00ABCDEF(H)"), 1);
    EXPECT_EQ(LookupPrintNumber(registry, L"00ABCDE0(H)"), 2);
    EXPECT_EQ(LookupPrintNumber(registry, L"00ABCDEF(H)"), 1);
    EXPECT_EQ(LookupPrintNumber(registry, L"11259375(D)"), 3);
    EXPECT_EQ(registry.nextNumber, 4);
    EXPECT_FALSE(registry.programFolder.empty());
    EXPECT_EQ(&GetPrintRegistry(), &GetPrintRegistry());

    // Printing numbers the label.
    EnsureUiApp();
    FakePrinterService printers({L"Label"}, L"Label", kLabelDpi);
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    EXPECT_EQ(PrintLabel(LabelSettings(), label, registry), kPrinted);
    EXPECT_EQ(label.registryNumber, 1);
    label.sensorId = L"00000001(H)";
    EXPECT_EQ(PrintLabel(LabelSettings(), label, registry), kPrinted);
    EXPECT_EQ(label.registryNumber, 4);
}

TEST(LabelDrawer, DrawsOnlyALabel)
{
    EnsureUiApp();
    Image page(320, 248, Color(0xFFFFFFFF));
    Graphics g(page);
    CPrintImageManage drawer;
    EXPECT_EQ(drawer.Draw(g, 0, 0, 0, 319, 247, nullptr), -1);
    _tagPrintSettingInfo settings;
    EXPECT_EQ(drawer.Draw(g, 0, 0, 0, 319, 247, &settings), 1);
    EXPECT_FALSE(FindInk(page).Found());
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    EXPECT_EQ(drawer.Draw(g, 0, 0, 0, 319, 247, &label), 0);
    EXPECT_TRUE(FindInk(page).Found());
    // The mapping mode is given back.
    EXPECT_EQ(g.GetMapMode(), MM_TEXT);
}

TEST(LabelLayout, ThePrintedPageAt203Dpi)
{
    EnsureUiApp();
    FixedDate date(2024, 3, 5);
    const FakePrinterService::Page page = PrintOne(SampleVehicleLabel());
    ASSERT_TRUE(page.image);
    ASSERT_TRUE(page.image->Save(LabelGrabPath("brelk-label-logo-203dpi.png")));
    const Image& img = *page.image;
    // The paper: 40 x 31 mm in 0.1 mm, user-defined, the document's name.
    EXPECT_EQ(page.printer, L"Label");
    EXPECT_EQ(page.document, L"Data Printing");
    EXPECT_EQ(page.widthTenthMm, 400);
    EXPECT_EQ(page.lengthTenthMm, 310);
    EXPECT_EQ(img.GetWidth(), 320);
    EXPECT_EQ(img.GetHeight(), 248);

    // The logo lies in its box: 8 pixels down to 8.6 mm, centred.
    const InkBox logo = FindInk(img, CRect(0, 0, 320, Px(86) + 1));
    ASSERT_TRUE(logo.Found());
    EXPECT_GE(logo.top, 8);
    EXPECT_LE(logo.bottom, Px(86));
    EXPECT_GE(logo.left, 35);
    EXPECT_LE(logo.right, 282);

    // The ID line's cell starts 8.8 mm down: capitals show a few pixels below.
    const InkBox id = FindInk(img, CRect(0, Px(86) + 1, 320, Px(126)));
    ASSERT_TRUE(id.Found());
    EXPECT_GE(id.top, Px(88));
    EXPECT_LE(id.top, Px(88) + 6);
    EXPECT_NEAR((id.left + id.right) / 2.0, 160, 3);

    // Make-model from 12.6 mm (one line), the year below it (one line).
    const InkBox model = FindInk(img, CRect(0, Px(126), 320, Px(164)));
    const InkBox year = FindInk(img, CRect(0, Px(164), 320, Px(190)));
    ASSERT_TRUE(model.Found());
    ASSERT_TRUE(year.Found());
    EXPECT_NEAR((model.left + model.right) / 2.0, 160, 3);
    EXPECT_NEAR((year.left + year.right) / 2.0, 160, 3);

    // The date 0.5 mm below the body, ending 2 mm from the right edge.
    const InkBox dateInk = FindInk(img, CRect(0, Px(195), 320, 248));
    ASSERT_TRUE(dateInk.Found());
    EXPECT_GE(dateInk.top, Px(195));
    EXPECT_LE(dateInk.bottom, Px(195 + 26));
    EXPECT_LE(dateInk.right, 320 - Px(20));
    EXPECT_GE(dateInk.right, 320 - Px(20) - 3);
}

TEST(LabelLayout, ATitleReplacesTheLogoAndAPartNumberTheVehicle)
{
    EnsureUiApp();
    FixedDate date(2024, 3, 5);
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    label.title = L"ACME";
    label.kind = _tagTPMSPrintInfo::kPartNumber;
    label.partNo = L"1234567890123456(ABC)";
    const FakePrinterService::Page page = PrintOne(label);
    ASSERT_TRUE(page.image);
    ASSERT_TRUE(page.image->Save(LabelGrabPath("brelk-label-title-203dpi.png")));
    const Image& img = *page.image;

    // The title's rule runs from 2 mm to W - 2 mm, under the title's 5 mm box.
    const int ruleRow = Px(15 + 50 + 7);
    const InkBox rule = FindInk(img, CRect(0, ruleRow - 3, 320, ruleRow + 4));
    ASSERT_TRUE(rule.Found());
    EXPECT_NEAR(rule.left, Px(20), 1);
    EXPECT_NEAR(rule.right, 320 - Px(20), 1);
    // The title sits between the top and its rule, narrower than the logo.
    const InkBox title = FindInk(img, CRect(0, 0, 320, rule.top));
    ASSERT_TRUE(title.Found());
    EXPECT_GE(title.top, Px(15));
    EXPECT_NEAR((title.left + title.right) / 2.0, 160, 3);

    // OE:1234567890123456(ABC) does not fit 40 mm in bold 3.8 mm: it is cut before its bracket.
    const InkBox first = FindInk(img, CRect(0, Px(126), 320, Px(126 + 38)));
    const InkBox second = FindInk(img, CRect(0, Px(126 + 38), 320, Px(126 + 76)));
    ASSERT_TRUE(first.Found());
    ASSERT_TRUE(second.Found());
    EXPECT_LT(second.right - second.left, first.right - first.left);
    // The date follows the two lines.
    EXPECT_TRUE(FindInk(img, CRect(0, Px(126 + 76 + 5), 320, Px(126 + 76 + 5 + 26))).Found());
}

TEST(LabelLayout, ThePaperSentIsTheSettingsMillimetresTimesTenTruncated)
{
    EnsureUiApp();
    _tagPrintSettingInfo settings = LabelSettings();
    settings.paperWidth = 40.55f;
    settings.paperHeight = 30.99f;
    const FakePrinterService::Page page = PrintOne(SampleVehicleLabel(), settings);
    EXPECT_EQ(page.widthTenthMm, 405);
    EXPECT_EQ(page.lengthTenthMm, 309);
    // A size the settings file never should have held does not reach the printer.
    FakePrinterService printers({L"Label"}, L"Label", kLabelDpi);
    PrintRegistry registry;
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    settings.paperWidth = 1e9f;
    EXPECT_EQ(PrintLabel(settings, label, registry), kPrintBadPaper);
    EXPECT_TRUE(printers.Printed().empty());
}

TEST(LabelLayout, ALogoThatDoesNotLoadLeavesTheHeadEmpty)
{
    EnsureUiApp();
    _tagTPMSPrintInfo label = SampleVehicleLabel();
    label.logoPath = L"/nonexistent/VornixLogo.bmp";
    const FakePrinterService::Page page = PrintOne(label);
    ASSERT_TRUE(page.image);
    EXPECT_FALSE(FindInk(*page.image, CRect(0, 0, 320, Px(86))).Found());
    EXPECT_TRUE(FindInk(*page.image, CRect(0, Px(88), 320, Px(126))).Found());
}

} // namespace

#include "Image.h"
#include "QtBridge.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>

#include <cstdlib>
#include <filesystem>

namespace {

// Where tests leave the pictures they grab, for a person to look at.
std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Found() const { return right >= 0; }
};

// The box of the pixels darker than mid-grey.
Ink InkBox(const Image& img)
{
    Ink ink;
    for (int y = 0; y < img.GetHeight(); ++y)
        for (int x = 0; x < img.GetWidth(); ++x) {
            Color c = img.GetPixel(x, y);
            if (c.GetR() + c.GetG() + c.GetB() < 3 * 128) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    return ink;
}

class Drawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 300, 90), 0, WS_POPUP));
        top.fill = true;
    }
    RecordingWnd top{"top"};
};

TEST(Colors, ColorrefIsBgrAndColorIsArgb)
{
    EXPECT_EQ(RGB(0x11, 0x22, 0x33), 0x332211u);
    // The status blue and red of the pages.
    EXPECT_EQ(Color::FromCOLORREF(0xFF0000), Color(0xFF0000FF));
    EXPECT_EQ(Color::FromCOLORREF(0x0000FF), Color(0xFFFF0000));
    Color c(0xFF4C4C4C);
    EXPECT_EQ(c.GetA(), 0xFF);
    EXPECT_EQ(c.GetR(), 0x4C);
    EXPECT_EQ(c.ToCOLORREF(), 0x4C4C4Cu);
    EXPECT_EQ(GetBValue(0xE7A610), 0xE7);
}

TEST_F(Drawing, TextLandsWhereItsAlignmentSays)
{
    struct Case {
        StringAlignment h, v;
    } cases[] = {
        {StringAlignmentNear, StringAlignmentNear},
        {StringAlignmentCenter, StringAlignmentCenter},
        {StringAlignmentFar, StringAlignmentFar},
        {StringAlignmentNear, StringAlignmentFar},
    };
    for (const Case& c : cases) {
        top.onPaint = [&](Graphics& g) {
            g.DrawString(L"HH", Font(L"Arial", 24, FontStyleBold), Color(0xFF000000), RectF(0, 0, 300, 90),
                         StringFormat(c.h, c.v));
        };
        top.Invalidate();
        auto img = GrabWindow(top);
        ASSERT_TRUE(img);
        Ink ink = InkBox(*img);
        ASSERT_TRUE(ink.Found());
        int cx = (ink.left + ink.right) / 2, cy = (ink.top + ink.bottom) / 2;
        SCOPED_TRACE(testing::Message() << c.h << "/" << c.v << " ink " << ink.left << "," << ink.top << "-"
                                        << ink.right << "," << ink.bottom);
        if (c.h == StringAlignmentNear) {
            EXPECT_LT(ink.left, 8);
        } else if (c.h == StringAlignmentCenter) {
            EXPECT_NEAR(cx, 150, 2);
        } else {
            EXPECT_GT(ink.right, 290);
        }
        // The text box holds the ascent and descent: ink sits inside them.
        if (c.v == StringAlignmentNear) {
            EXPECT_LT(ink.top, 12);
        } else if (c.v == StringAlignmentCenter) {
            EXPECT_NEAR(cy, 45, 4);
        } else {
            EXPECT_GT(ink.bottom, 70);
        }
    }
}

TEST_F(Drawing, TextAtAPointIsPlacedAroundIt)
{
    top.onPaint = [&](Graphics& g) {
        // Near horizontally, far vertically: starts at x and ends at y, as the results pane draws its lines.
        g.DrawString(L"ID:", Font(L"Arial", 11, FontStyleBold), Color(0xFF000000), PointF(150, 60),
                     StringFormat(StringAlignmentNear, StringAlignmentFar));
    };
    auto img = GrabWindow(top);
    Ink ink = InkBox(*img);
    ASSERT_TRUE(ink.Found());
    EXPECT_GE(ink.left, 150);
    EXPECT_LT(ink.left, 154);
    EXPECT_LT(ink.bottom, 60);
    EXPECT_GT(ink.bottom, 50);
}

TEST_F(Drawing, PointsCountAt96DpiAndGdiHeightsAreCellHeights)
{
    Image canvas(10, 10);
    Graphics g(canvas);
    // 72 points are one inch: 96 pixels of em, about 110 of line in Liberation Sans.
    SizeF s = g.MeasureString(L"H", Font(L"Arial", 72));
    EXPECT_NEAR(s.Height, 110, 3);
    EXPECT_NEAR(g.CellHeight(Font::Gdi(L"Arial", 19, FW_BOLD)), 19, 0.6);
    EXPECT_NEAR(g.CellHeight(Font::Gdi(L"Arial", 50, FW_BOLD)), 50, 0.6);
    // A negative height is the character height: the cell comes out taller.
    EXPECT_GT(g.CellHeight(Font::Gdi(L"Arial", -19, FW_BOLD)), 21);
    EXPECT_EQ(QFontInfo(ToQFont(Font(L"Arial", 11), nullptr)).family(), QStringLiteral("Liberation Sans"));
}

TEST_F(Drawing, AGdiWidthStretchesTheFaceToThatAverageCharacter)
{
    Image canvas(10, 10);
    Graphics g(canvas);
    // Height 22, width 7: the identifier edit's face. Ten digits come to
    // about ten average characters, far narrower than the face's own.
    const float natural = g.MeasureString(L"0123456789", Font::Gdi(L"Arial", 22, FW_BOLD)).Width;
    const SizeF narrow = g.MeasureString(L"0123456789", Font::Gdi(L"Arial", 22, FW_BOLD, 7));
    EXPECT_GT(natural, 100);
    // Arial Bold's digits are 0.556 em and its average 0.480 em: 10 x 7 x 0.556 / 0.480.
    EXPECT_NEAR(narrow.Width, 81, 3);
    EXPECT_NEAR(g.CellHeight(Font::Gdi(L"Arial", 22, FW_BOLD, 7)), 22, 0.6); // the height stays
    EXPECT_GT(QFontInfo(ToWidgetFont(Font::Gdi(L"Arial", 22, FW_BOLD, 7))).pixelSize(), 15);
    EXPECT_LT(ToWidgetFont(Font::Gdi(L"Arial", 22, FW_BOLD, 7)).stretch(), 100);
}

TEST_F(Drawing, ChildrenShowTheirParentThroughAndRoundedRegionsCutCorners)
{
    top.fillColor = RGB(255, 0, 0);
    RecordingWnd button("button"), pane("pane");
    ASSERT_TRUE(button.Create(&top, CRect(10, 10, 110, 50), 1));
    // The button paints only a square; the rest of it is the parent's red.
    button.onPaint = [](Graphics& g) { g.FillRectangle(Color(0xFF0000FF), RectF(40, 10, 20, 20)); };
    ASSERT_TRUE(pane.Create(&top, CRect(150, 10, 250, 80), 2));
    pane.fill = true;
    pane.fillColor = RGB(0, 255, 0);
    pane.SetWindowRgnRoundRect(CRect(0, 0, 100, 70), 9, 9);
    ASSERT_TRUE(ShowAndWait(top));
    auto img = GrabWindow(top);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->GetPixel(15, 15), Color(0xFFFF0000));
    EXPECT_EQ(img->GetPixel(60, 30), Color(0xFF0000FF));
    EXPECT_EQ(img->GetPixel(200, 45), Color(0xFF00FF00));
    // The corner of the rounded pane is the parent's.
    EXPECT_EQ(img->GetPixel(150, 10), Color(0xFFFF0000));
    EXPECT_EQ(img->GetPixel(249, 79), Color(0xFFFF0000));
    EXPECT_EQ(img->GetPixel(154, 14), Color(0xFF00FF00));
}

TEST_F(Drawing, LinesAndFillsSitOnThePixelGrid)
{
    top.onPaint = [](Graphics& g) {
        g.DrawLine(Color(0xFF919191), 1, 98, 0, 98, 90);
        g.DrawLine(Color(0xFFFFFFFF), 1, 99, 0, 99, 90);
        g.FillRect(CRect(120, 20, 130, 30), RGB(0, 0, 0));
    };
    auto img = GrabWindow(top);
    EXPECT_EQ(img->GetPixel(98, 40), Color(0xFF919191));
    EXPECT_EQ(img->GetPixel(97, 40), Color(0xFFFFFFFF));
    EXPECT_EQ(img->GetPixel(120, 20), Color(0xFF000000));
    EXPECT_EQ(img->GetPixel(129, 29), Color(0xFF000000));
    EXPECT_EQ(img->GetPixel(130, 30), Color(0xFFFFFFFF));
}

TEST(Images, EveryPictureIsEmbeddedByIdAtItsSize)
{
    EnsureUiApp();
    struct {
        int id, w, h;
    } sizes[] = {{130, 1024, 70}, {138, 1024, 33}, {139, 43, 34},   {143, 40, 17},  {146, 38, 17},    {159, 127, 29},
                 {170, 65, 25},   {176, 253, 133}, {190, 150, 40},  {195, 200, 96}, {201, 1024, 666}, {208, 16, 665},
                 {221, 8, 7},     {214, 7, 6},     {236, 379, 610}, {240, 443, 25}, {250, 566, 320},  {252, 410, 284}};
    for (const auto& s : sizes) {
        auto img = LoadPngResource(s.id);
        ASSERT_TRUE(img) << s.id;
        EXPECT_EQ(img->GetWidth(), s.w) << s.id;
        EXPECT_EQ(img->GetHeight(), s.h) << s.id;
    }
    EXPECT_EQ(LoadPngResource(9999), nullptr);
    EXPECT_EQ(LoadPngResource(0), nullptr);
    EXPECT_EQ(LoadPngResource(-1), nullptr);
    EXPECT_EQ(QDir(QStringLiteral(":/png")).entryList().size(), 69);
}

TEST_F(Drawing, AllPicturesOnOneSheet)
{
    // A sheet of every embedded picture, each scaled into a cell, saved for a person to look at.
    QStringList names = QDir(QStringLiteral(":/png")).entryList();
    std::vector<std::unique_ptr<Image>> images;
    for (const QString& n : names)
        images.push_back(LoadPngResource(n.section('.', 0, 0).toInt()));
    const int cell = 120, cols = 10;
    int rows = int((images.size() + cols - 1) / cols);
    top.MoveWindow(CRect(0, 0, cols * cell, rows * cell));
    top.fillColor = RGB(0xFF, 0xFF, 0xFF);
    top.onPaint = [&](Graphics& g) {
        for (size_t i = 0; i < images.size(); ++i) {
            const Image* img = images[i].get();
            ASSERT_TRUE(img);
            float x = float(i % cols * cell), y = float(i / cols * cell);
            g.DrawRectangle(Color(0xFFDDDDDD), 1, RectF(x, y, cell - 1, cell - 1));
            float k = std::min(1.0f, std::min(float(cell - 24) / img->GetWidth(), float(cell - 24) / img->GetHeight()));
            g.DrawImage(img, RectF(x + 4, y + 4, img->GetWidth() * k, img->GetHeight() * k));
            g.DrawString(names[int(i)].section('.', 0, 0).toStdWString(), Font(L"Arial", 8), Color(0xFF4C4C4C),
                         PointF(x + 4, y + cell - 4), StringFormat(StringAlignmentNear, StringAlignmentFar));
        }
    };
    EXPECT_TRUE(GrabWindowToPng(top, GrabPath("brelk-images.png")));
}

TEST(Printing, LoMetricMapsTenthsOfAMillimetreWithYUp)
{
    EnsureUiApp();
    // At 254 dpi a device pixel is 0.1 mm, so logical units and pixels agree.
    FakePrinterService printers({L"Label"}, L"Label", 254);
    EXPECT_EQ(GetPrinterService().EnumPrinters(), std::vector<std::wstring>({L"Label"}));
    EXPECT_EQ(GetPrinterService().StartJob(L"Missing", 400, 310, L"Data Printing"), nullptr);
    auto job = GetPrinterService().StartJob(L"Label", 400, 310, L"Data Printing");
    ASSERT_TRUE(job);
    Graphics& g = job->Page();
    EXPECT_TRUE(g.IsPrinting());
    EXPECT_EQ(g.GetDeviceCaps(LOGPIXELSX), 254);
    EXPECT_EQ(g.GetDeviceCaps(HORZRES), 400);
    EXPECT_EQ(g.GetDeviceCaps(VERTRES), 310);
    EXPECT_EQ(g.GetDeviceCaps(HORZSIZE), 40);
    EXPECT_EQ(g.GetClipBox(), CRect(0, 0, 400, 310));
    EXPECT_EQ(g.SetMapMode(MM_LOMETRIC), MM_TEXT);
    g.DrawLine(Color(0xFF000000), 5, 20, -100, 380, -100);
    g.FillRectangle(Color(0xFF000000), RectF(200, -200, 50, 50));
    // A GDI font of height 50 is a cell of 5 mm.
    EXPECT_NEAR(g.CellHeight(Font::Gdi(L"Arial", 50, FW_BOLD)), 50, 1);
    EXPECT_TRUE(job->End());
    auto pages = printers.Printed();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].document, L"Data Printing");
    const Image& page = *pages[0].image;
    EXPECT_EQ(page.GetWidth(), 400);
    EXPECT_EQ(page.GetPixel(200, 100), Color(0xFF000000));
    EXPECT_EQ(page.GetPixel(200, 90), Color(0xFFFFFFFF));
    // A rectangle is its two corners mapped: (200, -200) and (250, -150).
    EXPECT_EQ(page.GetPixel(225, 175), Color(0xFF000000));
    EXPECT_EQ(page.GetPixel(225, 210), Color(0xFFFFFFFF));
}

} // namespace

namespace {

// An owner-drawn piece: a picture stretched over it and a caption, as the buttons and panes draw.
class Piece : public Wnd {
public:
    Piece(int imageId, std::wstring caption, float points = 8, Color ink = Color(0xFF4C4C4C))
        : m_image(LoadPngResource(imageId)), m_caption(std::move(caption)), m_points(points), m_ink(ink)
    {
    }

protected:
    void OnPaint(Graphics& g) override
    {
        CRect r = GetClientRect();
        g.DrawImage(m_image.get(), RectF(r));
        g.DrawString(m_caption, Font(L"Arial", m_points, FontStyleBold), m_ink, RectF(0, -1, r.Width(), r.Height()),
                     StringFormat(StringAlignmentCenter, StringAlignmentCenter));
    }

private:
    std::unique_ptr<Image> m_image;
    std::wstring m_caption;
    float m_points;
    Color m_ink;
};

TEST(Frame, AFramelessWindowBuiltOfThePieces)
{
    EnsureUiApp();
    RecordingWnd frame("frame");
    ASSERT_TRUE(frame.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
    frame.SetWindowRgnRoundRect(CRect(0, 0, 1024, 768), 9, 9);
    frame.fill = true;
    frame.onPaint = [](Graphics& g) {
        g.DrawLine(Color(0xFF7C7D7F), 2, 1, 70, 1, 735);
        g.DrawLine(Color(0xFF7C7D7F), 2, 1023, 70, 1023, 735);
    };
    Piece topPane(130, L""), foot(138, L""), close(147, L""), minimise(146, L"");
    Piece car(165, L"Car Model"), part(158, L"Part No."), setup(157, L"Setting");
    Piece back(170, L"Back", 8, Color(0xFFFFFFFF)), test(190, L"Test", 12),
        check(192, L"Check Sensor", 12, Color(0xFFFFFFFF));
    RecordingWnd version("version");
    ASSERT_TRUE(topPane.Create(&frame, CRect(0, 0, 1024, 70), 1));
    version.onPaint = [](Graphics& g) {
        g.DrawString(L"V3.12", Font(L"Arial", 11, FontStyleBold), Color(0xFF4C4C4C), PointF(205, 6));
    };
    ASSERT_TRUE(version.Create(&topPane, CRect(0, 0, 1024, 70), 2));
    ASSERT_TRUE(close.Create(&topPane, CRect(968, 0, 1008, 17), 10100));
    ASSERT_TRUE(minimise.Create(&topPane, CRect(930, 0, 968, 17), 10101));
    ASSERT_TRUE(back.Create(&topPane, CRect(20, 34, 85, 59), 10107));
    ASSERT_TRUE(car.Create(&topPane, CRect(325, 10, 452, 39), 10201));
    ASSERT_TRUE(part.Create(&topPane, CRect(452, 10, 572, 39), 10202));
    ASSERT_TRUE(setup.Create(&topPane, CRect(572, 10, 698, 39), 10203));
    ASSERT_TRUE(foot.Create(&frame, CRect(0, 735, 1024, 768), 3));
    ASSERT_TRUE(test.Create(&frame, CRect(30, 540, 180, 580), 10108));
    ASSERT_TRUE(check.Create(&frame, CRect(210, 540, 360, 580), 10207));
    ASSERT_TRUE(ShowAndWait(frame));
    auto img = GrabWindow(frame);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->GetWidth(), 1024);
    EXPECT_EQ(img->GetHeight(), 768);
    // The page area's border line, and the button's own face around its caption.
    EXPECT_EQ(img->GetPixel(1, 400), Color(0xFF7C7D7F));
    EXPECT_TRUE(img->Save(GrabPath("brelk-frame.png")));
}

} // namespace

#include "CodePage.h"
#include "ColorStatic.h"
#include "CustButton.h"
#include "MemDC.h"
#include "MyCheckBox.h"
#include "MyComboBox.h"
#include "MyEditCtrl.h"
#include "MyScrollBar.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

// Where tests leave the pictures they grab, for a person to look at.
std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

int CountColor(const Image& img, const CRect& r, Color c)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += img.GetPixel(x, y) == c;
    return n;
}

TEST(MemDC, DrawsInTheTargetsCoordinatesAndLeavesTheRestSeeThrough)
{
    EnsureUiApp();
    Image target(60, 60, Color(0xFFFF0000));
    {
        Graphics g(target);
        CMyMemDC dc(g, CRect(10, 10, 40, 40));
        EXPECT_TRUE(dc.IsOffScreen());
        dc->FillRectangle(Color(0xFF0000FF), RectF(15, 15, 5, 5));
        // Outside the buffered part: nothing lands.
        dc->FillRectangle(Color(0xFF00FF00), RectF(0, 0, 8, 8));
        // Nothing is there until the buffer goes.
        EXPECT_EQ(target.GetPixel(15, 15), Color(0xFFFF0000));
    }
    EXPECT_EQ(target.GetPixel(15, 15), Color(0xFF0000FF));
    EXPECT_EQ(target.GetPixel(19, 19), Color(0xFF0000FF));
    EXPECT_EQ(target.GetPixel(20, 20), Color(0xFFFF0000));
    EXPECT_EQ(target.GetPixel(12, 12), Color(0xFFFF0000));
    EXPECT_EQ(target.GetPixel(2, 2), Color(0xFFFF0000));
    // An empty rectangle takes the whole target.
    {
        Graphics g(target);
        CMyMemDC dc(g);
        EXPECT_EQ(dc.GetRect(), CRect(0, 0, 60, 60));
        dc->FillRectangle(Color(0xFF00FF00), RectF(0, 0, 8, 8));
    }
    EXPECT_EQ(target.GetPixel(2, 2), Color(0xFF00FF00));
}

TEST(ColorStatic, DrawsItsTextInItsColoursAndTakesTextFromAWorker)
{
    EnsureUiApp();
    RecordingWnd page("page");
    page.fill = true;
    page.fillColor = RGB(0xFF, 0xFF, 0xFF);
    ASSERT_TRUE(page.Create(nullptr, CRect(0, 0, 460, 120), 0, WS_POPUP));
    CColorStatic status;
    ASSERT_TRUE(status.Create(&page, CRect(0, 0, 455, 40), 0xFFFF));
    status.SetBkColor(RGB(0xEE, 0xEC, 0xED));
    status.SetTextColor(0xFF0000);
    ASSERT_TRUE(ShowAndWait(page));
    std::thread worker([&] { status.SetText(L"PROGRAM_SUCCSSED"); });
    while (status.GetWindowText().empty())
        RunEvents(1);
    worker.join();
    RunEvents();
    auto img = GrabWindow(page);
    ASSERT_TRUE(img);
    CRect box(0, 0, 455, 40);
    EXPECT_GT(CountColor(*img, box, Color(0xFF0000FF)), 50); // blue text
    EXPECT_GT(CountColor(*img, box, Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED))), 10000);
    EXPECT_EQ(img->GetPixel(450, 38), Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED)));

    // A failure in red; with no background the page shows under it.
    status.SetTextColor(0x0000FF);
    status.SetTransparent(true);
    status.SetText(L"PROGRAM_FAULT");
    RunEvents();
    img = GrabWindow(page);
    EXPECT_GT(CountColor(*img, box, Color(0xFFFF0000)), 50);
    EXPECT_EQ(CountColor(*img, box, Color(0xFF0000FF)), 0);
    EXPECT_EQ(img->GetPixel(450, 38), Color(0xFFFFFFFF));
}

// Rows of the box that hold ink, in runs: one run a line of text.
int InkLines(const Image& img, const CRect& box, Color ink)
{
    int lines = 0;
    bool inLine = false;
    for (int y = box.top; y < box.bottom; ++y) {
        bool any = false;
        for (int x = box.left; x < box.right && !any; ++x)
            any = img.GetPixel(x, y) == ink;
        lines += any && !inLine ? 1 : 0;
        inLine = any;
    }
    return lines;
}

TEST(ColorStatic, ATextLongerThanItsPlaceIsDrawnWholeInASmallerFace)
{
    EnsureUiApp();
    RecordingWnd page("page");
    ASSERT_TRUE(page.Create(nullptr, CRect(0, 0, 460, 60), 0, WS_POPUP));
    CColorStatic status;
    ASSERT_TRUE(status.Create(&page, CRect(0, 0, 455, 40), 0xFFFF));
    status.SetBkColor(RGB(0xFF, 0xFF, 0xFF));
    status.SetTextColor(0x0000FF);
    ASSERT_TRUE(ShowAndWait(page));
    const CRect box(0, 0, 455, 40);
    const Color red(0xFFFF0000);
    const struct {
        const wchar_t* text;
        int lines;
    } cases[] = {
        {L"Programming succeeded", 1},
        {L"The sensor holds no identifier: program it with Create Sensor or Copy Sensor", 2},
        // Three lines in the face's own size: all three show, none is cut off.
        {L"Der Brelk wurde abgezogen, während der Sensor beschrieben wurde: Brelk wieder anschließen und den "
         L"Sensor vor dem Einbau erneut programmieren",
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.text));
        status.SetText(c.text);
        RunEvents();
        auto img = GrabWindow(page);
        ASSERT_TRUE(img);
        EXPECT_EQ(InkLines(*img, box, red), c.lines);
    }
}

TEST(MyCheckBox, IsWhiteUntilItsPageGivesItsColour)
{
    EnsureUiApp();
    RecordingWnd page("page");
    page.fill = true;
    page.fillColor = RGB(0x20, 0x40, 0x80);
    ASSERT_TRUE(page.Create(nullptr, CRect(0, 0, 200, 60), 0, WS_POPUP));
    CMyCheckBox hex;
    ASSERT_TRUE(hex.Create(&page, CRect(0, 0, 140, 50), 10112));
    hex.SetWindowText(L"HEX");
    ASSERT_TRUE(ShowAndWait(page));
    auto img = GrabWindow(page);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->GetPixel(130, 45), Color(0xFFFFFFFF));
    hex.SetBkColor(RGB(0xEE, 0xEC, 0xED));
    RunEvents();
    img = GrabWindow(page);
    EXPECT_EQ(img->GetPixel(130, 45), Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED)));
}

// A strip of controls as the pages and panes use them, grabbed for a person to look at.
TEST(ControlsLook, ASheetOfControls)
{
    EnsureUiApp();
    RecordingWnd page("page");
    page.fill = true;
    page.fillColor = RGB(0xEE, 0xEC, 0xED);
    ASSERT_TRUE(page.Create(nullptr, CRect(0, 0, 620, 330), 0, WS_POPUP));
    SetMainWindow(&page);

    CCustButton test(190, 192, 191, 12), program(190, 192, 191, 12), print(190, 192, 191, 12);
    ASSERT_TRUE(test.CreateButton(CCustButton::kPageAction, L"Test", CRect(30, 20, 180, 60), &page, 10108));
    ASSERT_TRUE(program.CreateButton(CCustButton::kPageAction, L"Program", CRect(200, 20, 350, 60), &page, 10110));
    ASSERT_TRUE(print.CreateButton(CCustButton::kPageAction, L"Print", CRect(370, 20, 520, 60), &page, 10301));
    for (CCustButton* b : {&test, &program, &print})
        b->SetTextOffset(0, 1.5);
    program.SetState(CCustButton::kStateHover);
    print.SetState(CCustButton::kStateDisabled);
    print.EnableWindow(false);

    CCustButton car(159, 162, 165, 8), partNo(158, 161, 164, 8), setting(157, 160, 163, 8);
    ASSERT_TRUE(car.CreateButton(CCustButton::kTab, L"Car Model", CRect(30, 80, 157, 109), &page, 10201));
    ASSERT_TRUE(partNo.CreateButton(CCustButton::kTab, L"Part No.", CRect(157, 80, 277, 109), &page, 10202));
    ASSERT_TRUE(setting.CreateButton(CCustButton::kTab, L"Setting", CRect(277, 80, 403, 109), &page, 10203));
    car.SetState(CCustButton::kStatePressed);

    CCustButton back(170, 171, 171, 8);
    back.SetTextColors(Color(0xFFFFFFFF), Color(0xFFFFFFFF), Color(0xFFFFFFFF));
    ASSERT_TRUE(back.CreateButton(CCustButton::kBack, L"Back", CRect(430, 82, 495, 107), &page, 10107));
    CCustButton close(147, 145, 143, 8);
    ASSERT_TRUE(close.CreateButton(CCustButton::kCaptionCommand, L"", CRect(520, 82, 560, 99), &page, 10100));

    CColorStatic status;
    ASSERT_TRUE(status.Create(&page, CRect(30, 130, 480, 170), 0xFFFF));
    status.SetBkColor(RGB(0xEE, 0xEC, 0xED));
    status.SetTextColor(0xFF0000);
    status.SetText(L"Ready");
    CColorStatic failure;
    ASSERT_TRUE(failure.Create(&page, CRect(30, 170, 480, 200), 1));
    failure.SetTextColor(0x0000FF);
    failure.SetText(L"Program fault");

    CMyEditCtrl edit;
    ASSERT_TRUE(edit.Create(&page, CRect(30, 220, 150, 243), 10015));
    edit.SetFont(Font::Gdi(L"Arial", 22, FW_BOLD));
    edit.SetMargins(2, 0);
    edit.SetInputMode(CMyEditCtrl::kModeHex);
    edit.SetWindowText(L"1A2B3C");
    CMyCheckBox hex;
    ASSERT_TRUE(hex.Create(&page, CRect(170, 210, 310, 255), 10112));
    hex.SetBkColor(RGB(0xEE, 0xEC, 0xED));
    hex.SetWindowText(L"Hexadecimal");
    hex.SetCheck(BST_CHECKED);
    CMyComboBox region;
    ASSERT_TRUE(region.Create(&page, CRect(330, 220, 457, 249), 10220));
    region.SetFont(Font::Gdi(L"Arial", 16, FW_BOLD));
    for (const wchar_t* r : {L"US", L"EUROPE", L"AU", L"JP", L"KR"})
        region.AddString(r);
    region.SetCurSel(1);

    CMyScrollBar bar;
    ASSERT_TRUE(bar.Create(&page, CRect(590, 10, 606, 320), 16101));
    bar.SetContentLength(1000);
    bar.SetVisibleLength(300);
    bar.SetThumbLength(300 * bar.GetTrackRect().Height() / 1000);
    bar.SetThumbOffset(60);
    bar.NotifyPosition();

    ASSERT_TRUE(ShowAndWait(page));
    RunEvents();
    EXPECT_TRUE(GrabWindowToPng(page, GrabPath("brelk-controls.png")));
    SetMainWindow(nullptr);
}

} // namespace

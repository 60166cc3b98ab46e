#include "CustButton.h"
#include "AppMessages.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

struct Sent {
    UINT msg = 0;
    intptr_t w = 0;
    intptr_t l = 0;
    CCustButton* button = nullptr; // a typed wParam
};

// The main window with a pane that holds the buttons, as the top pane holds
// the caption buttons and a tab bar its tabs.
class CustButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        main.fill = true;
        pane.fill = true;
        pane.fillColor = RGB(0xEE, 0xEC, 0xED);
        main.onMessage = [this](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
            mainGot.push_back({msg, w.Value(), l.Value(), w.As<CCustButton>()});
            return 0;
        };
        pane.onMessage = [this](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
            paneGot.push_back({msg, w.Value(), l.Value(), w.As<CCustButton>()});
            return 0;
        };
        ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 400, 200), 0, WS_POPUP));
        ASSERT_TRUE(pane.Create(&main, CRect(0, 0, 400, 200), 1));
        SetMainWindow(&main);
        ASSERT_TRUE(ShowAndWait(main));
        MouseMove(pane, CPoint(390, 190));
    }
    void TearDown() override { SetMainWindow(nullptr); }

    // Over the button at (20, 20)-(170, 60), pressed and released there.
    void Click(CCustButton& b)
    {
        MouseMove(b, CPoint(50, 20));
        MousePress(b, CPoint(50, 20));
        MouseRelease(b, CPoint(50, 20));
    }

    RecordingWnd main{"main"};
    RecordingWnd pane{"pane"};
    std::vector<Sent> mainGot;
    std::vector<Sent> paneGot;
};

const CRect kButtonRect(20, 20, 170, 60);

TEST_F(CustButtonTest, AClickReportsByKind)
{
    struct {
        int kind;
        bool toMain;
        bool tabPressed;
    } cases[] = {
        {CCustButton::kTab, false, true},
        {CCustButton::kCaptionCommand, true, false},
        {CCustButton::kBack, true, false},
        {CCustButton::kPageAction, true, false},
        {0, false, false},
        {7, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        mainGot.clear();
        paneGot.clear();
        CCustButton b(190, 192, 191, 12);
        // Ids above 16 bits pass whole.
        ASSERT_TRUE(b.CreateButton(c.kind, L"Program", kButtonRect, &pane, 102091));
        Click(b);
        if (c.toMain) {
            ASSERT_EQ(mainGot.size(), 1u);
            EXPECT_EQ(mainGot[0].msg, WM_PAGE_ACTION);
            EXPECT_EQ(mainGot[0].w, 102091);
            EXPECT_EQ(mainGot[0].l, c.kind);
        } else {
            EXPECT_TRUE(mainGot.empty());
        }
        if (c.tabPressed) {
            // On the press, to the tab bar, with the button itself.
            ASSERT_EQ(paneGot.size(), 1u);
            EXPECT_EQ(paneGot[0].msg, WM_TAB_PRESSED);
            EXPECT_EQ(paneGot[0].button, &b);
            EXPECT_EQ(paneGot[0].l, 1);
        } else {
            EXPECT_TRUE(paneGot.empty());
        }
        MouseMove(pane, CPoint(390, 190));
    }
}

TEST_F(CustButtonTest, APressThenALeaveSendsNothing)
{
    CCustButton b(190, 192, 191, 12);
    ASSERT_TRUE(b.CreateButton(CCustButton::kPageAction, L"Test", kButtonRect, &pane, 10108));
    MouseMove(b, CPoint(50, 20));
    MousePress(b, CPoint(50, 20));
    EXPECT_TRUE(b.IsPressed());
    // Out with the button held: the leave clears the press.
    MouseMove(pane, CPoint(390, 190));
    EXPECT_FALSE(b.IsPressed());
    EXPECT_EQ(b.GetState(), CCustButton::kStateNormal);
    MouseMove(b, CPoint(50, 20));
    MouseRelease(b, CPoint(50, 20));
    EXPECT_TRUE(mainGot.empty());
    // A new press acts again.
    MousePress(b, CPoint(50, 20));
    MouseRelease(b, CPoint(50, 20));
    ASSERT_EQ(mainGot.size(), 1u);
    EXPECT_EQ(mainGot[0].w, 10108);
}

TEST_F(CustButtonTest, AReleaseWithoutAPressOnTheButtonSendsNothing)
{
    CCustButton b(190, 192, 191, 12);
    ASSERT_TRUE(b.CreateButton(CCustButton::kCaptionCommand, L"", kButtonRect, &pane, 10100));
    MouseMove(pane, CPoint(300, 150));
    MousePress(pane, CPoint(300, 150));
    MouseMove(b, CPoint(50, 20));
    MouseRelease(b, CPoint(50, 20));
    EXPECT_TRUE(mainGot.empty());
}

TEST_F(CustButtonTest, TheStateFollowsTheMouse)
{
    CCustButton op(190, 192, 191, 12);
    ASSERT_TRUE(op.CreateButton(CCustButton::kPageAction, L"Test", kButtonRect, &pane, 10108));
    MouseMove(op, CPoint(50, 20));
    EXPECT_EQ(op.GetState(), CCustButton::kStateHover);
    MousePress(op, CPoint(50, 20));
    EXPECT_EQ(op.GetState(), CCustButton::kStatePressed);
    MouseRelease(op, CPoint(50, 20));
    // An operation button stays pressed while the mouse is on it.
    MouseMove(op, CPoint(60, 20));
    EXPECT_EQ(op.GetState(), CCustButton::kStatePressed);
    MouseMove(pane, CPoint(390, 190));
    EXPECT_EQ(op.GetState(), CCustButton::kStateNormal);

    // A selected tab goes back to selected when the mouse leaves it.
    CCustButton tab(159, 162, 165, 8);
    ASSERT_TRUE(tab.CreateButton(CCustButton::kTab, L"Car", CRect(200, 20, 327, 49), &pane, 10201));
    tab.SetState(CCustButton::kStatePressed);
    MouseMove(tab, CPoint(30, 10));
    EXPECT_EQ(tab.GetState(), CCustButton::kStateHover);
    EXPECT_EQ(tab.GetSavedState(), CCustButton::kStatePressed);
    MouseMove(pane, CPoint(390, 190));
    EXPECT_EQ(tab.GetState(), CCustButton::kStatePressed);
    // Its tab bar takes the selection away; a tab that was not selected stays normal after a visit.
    tab.SetState(CCustButton::kStateNormal);
    MouseMove(tab, CPoint(30, 10));
    MouseMove(pane, CPoint(390, 190));
    EXPECT_EQ(tab.GetState(), CCustButton::kStateNormal);
    // A pressed tab is selected, and stays so after the mouse leaves.
    MouseMove(tab, CPoint(30, 10));
    MousePress(tab, CPoint(30, 10));
    MouseRelease(tab, CPoint(30, 10));
    MouseMove(pane, CPoint(390, 190));
    EXPECT_EQ(tab.GetState(), CCustButton::kStatePressed);
}

TEST_F(CustButtonTest, ADisabledButtonSendsNothing)
{
    CCustButton b(190, 192, 191, 12);
    ASSERT_TRUE(b.CreateButton(CCustButton::kPageAction, L"Test", kButtonRect, &pane, 10108));
    // What a page does while an operation runs, here from a worker thread.
    std::thread worker([&] {
        b.SetState(CCustButton::kStateDisabled);
        b.EnableWindow(false);
    });
    while (b.IsWindowEnabled())
        RunEvents(1);
    worker.join();
    Click(b);
    EXPECT_TRUE(mainGot.empty());
    EXPECT_EQ(b.GetState(), CCustButton::kStateDisabled);
}

// What a window shows where it stands, with its parent under it: a window
// grabbed alone would have no parent to show through.
std::unique_ptr<Image> GrabOver(Wnd& wnd)
{
    auto whole = GrabWindow(*wnd.GetParent());
    if (!whole)
        return nullptr;
    CRect r = wnd.GetWindowRect();
    auto part = std::make_unique<Image>(r.Width(), r.Height());
    Graphics g(*part);
    g.DrawImage(whole.get(), float(-r.left), float(-r.top));
    return part;
}

// The box of the pixels that differ from the background colour.
struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Ink InkBox(const Image& img, Color background)
{
    Ink ink;
    for (int y = 0; y < img.GetHeight(); ++y)
        for (int x = 0; x < img.GetWidth(); ++x)
            if (img.GetPixel(x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

TEST_F(CustButtonTest, TheBackButtonDrawsItsCaptionTenPixelsFurtherRight)
{
    // No pictures: only the caption is drawn, over the pane.
    CCustButton command(0, 0, 0, 8);
    CCustButton back(0, 0, 0, 8);
    ASSERT_TRUE(command.CreateButton(CCustButton::kCaptionCommand, L"Back", CRect(20, 20, 85, 45), &pane, 1));
    ASSERT_TRUE(back.CreateButton(CCustButton::kBack, L"Back", CRect(20, 80, 85, 105), &pane, 2));
    auto a = GrabOver(command);
    auto b = GrabOver(back);
    ASSERT_TRUE(a && b);
    Color paneColor = Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED));
    Ink ia = InkBox(*a, paneColor), ib = InkBox(*b, paneColor);
    ASSERT_GE(ia.right, 0);
    EXPECT_EQ(ib.left - ia.left, 10);
    EXPECT_EQ(ib.right - ia.right, 10);
    EXPECT_EQ(ib.top, ia.top);
    EXPECT_EQ(ib.bottom, ia.bottom);
    // The text offset moves it too.
    command.SetTextOffset(0, 1.5);
    RunEvents();
    auto c = GrabOver(command);
    Ink ic = InkBox(*c, paneColor);
    EXPECT_EQ(ic.left, ia.left);
    EXPECT_GT(ic.bottom, ia.bottom);
}

bool SamePixels(const Image& a, const Image& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return false;
    return true;
}

TEST_F(CustButtonTest, SetImagesTakesNewPicturesAndEightPointCaptions)
{
    CCustButton page(190, 192, 191, 12);
    CCustButton pane8(159, 162, 165, 8);
    ASSERT_TRUE(page.CreateButton(CCustButton::kPageAction, L"Program", CRect(20, 20, 170, 60), &pane, 1));
    ASSERT_TRUE(pane8.CreateButton(CCustButton::kPageAction, L"Program", CRect(20, 100, 170, 140), &pane, 2));
    auto before = GrabOver(page);
    EXPECT_EQ(page.SetImages(159, 162, 165), 0);
    EXPECT_EQ(page.GetFontSize(), 8);
    RunEvents();
    auto after = GrabOver(page);
    auto expected = GrabOver(pane8);
    ASSERT_TRUE(before && after && expected);
    EXPECT_FALSE(SamePixels(*before, *after));
    EXPECT_TRUE(SamePixels(*after, *expected));
}

TEST_F(CustButtonTest, TheParentShowsThroughAndStaysCurrent)
{
    // A button without pictures paints only its caption: the rest is the parent's, as it is now.
    CCustButton b(0, 0, 0, 8);
    ASSERT_TRUE(b.CreateButton(CCustButton::kCaptionCommand, L"Help...", kButtonRect, &pane, 10103));
    auto first = GrabOver(b);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetPixel(2, 2), Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED)));
    pane.fillColor = RGB(0x20, 0x40, 0x80);
    pane.Invalidate();
    RunEvents();
    auto second = GrabOver(b);
    EXPECT_EQ(second->GetPixel(2, 2), Color::FromCOLORREF(RGB(0x20, 0x40, 0x80)));
    EXPECT_EQ(second->GetPixel(148, 38), Color::FromCOLORREF(RGB(0x20, 0x40, 0x80)));
}

TEST_F(CustButtonTest, AnEmptyCaptionDrawsOnlyThePicture)
{
    CCustButton b(190, 192, 191, 12);
    ASSERT_TRUE(b.CreateButton(CCustButton::kPageAction, L"", kButtonRect, &pane, 1));
    auto shown = GrabOver(b);
    // The picture over the pane, as the pane would draw it itself.
    Image expected(150, 40, Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED)));
    {
        auto picture = LoadPngResource(190);
        Graphics g(expected);
        g.DrawImage(picture.get(), RectF(0, 0, 150, 40));
    }
    ASSERT_TRUE(shown);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 150; ++x) {
            Color s = shown->GetPixel(x, y), e = expected.GetPixel(x, y);
            ASSERT_LE(std::abs(s.GetR() - e.GetR()) + std::abs(s.GetG() - e.GetG()) + std::abs(s.GetB() - e.GetB()), 3)
                << x << "," << y;
        }
}

} // namespace

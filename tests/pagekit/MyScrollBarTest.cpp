#include "MyScrollBar.h"
#include "AppMessages.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

namespace {

// The bar with its mouse hooks at hand, so that a test presses and ticks it
// without the event loop (no real 200 ms timer can come in between).
class DrivenScrollBar : public CMyScrollBar {
public:
    using CMyScrollBar::OnLButtonDown;
    using CMyScrollBar::OnLButtonUp;
};

// An owner with a 16 x 300 bar: the track is (1, 19)-(15, 283), 264 pixels;
// 1000 pixels of content in a 300-pixel view give a 79-pixel thumb.
class MyScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        owner.fill = true;
        owner.onMessage = [this](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
            if (msg == WM_PAGE_ACTION && l.Int() == 8) {
                const ScrollBarPos* p = w.As<const ScrollBarPos>();
                EXPECT_NE(p, nullptr);
                if (p)
                    moves.push_back(*p);
            } else if (msg == WM_SCROLLBAR_RELEASED) {
                ++released;
            }
            return 0;
        };
        ASSERT_TRUE(owner.Create(nullptr, CRect(0, 0, 200, 400), 0, WS_POPUP));
        ASSERT_TRUE(bar.Create(&owner, CRect(100, 20, 116, 320), 16101));
        ASSERT_TRUE(ShowAndWait(owner));
        ASSERT_EQ(bar.GetTrackRect(), CRect(1, 19, 15, 283));
        Arrange(1000, 300, 79, 0);
    }
    void Arrange(int content, int visible, int thumb, int offset)
    {
        bar.SetContentLength(content);
        bar.SetVisibleLength(visible);
        bar.SetThumbLength(thumb);
        bar.SetThumbOffset(offset);
        bar.NotifyPosition();
        moves.clear();
    }
    std::vector<int> Offsets() const
    {
        std::vector<int> v;
        for (const auto& m : moves)
            v.push_back(m.thumbOffset);
        return v;
    }

    RecordingWnd owner{"owner"};
    DrivenScrollBar bar;
    std::vector<ScrollBarPos> moves;
    int released = 0;
};

TEST_F(MyScrollBarTest, AHeldArrowRepeatsFurtherEachTimeAndStopsAtTheEnd)
{
    bar.OnLButtonDown(MK_LBUTTON, CPoint(8, 290));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeDownArrow);
    EXPECT_EQ(bar.GetTimerInterval(CMyScrollBar::kRepeatTimer), 200u);
    while (bar.GetTimerInterval(CMyScrollBar::kRepeatTimer) != 0 && moves.size() < 50)
        bar.SendMessage(WM_TIMER, CMyScrollBar::kRepeatTimer, 0);
    // 10, then 12, 14, 16, ... pixels, until the thumb's bottom meets the track's (264 - 79).
    EXPECT_EQ(Offsets(), std::vector<int>({10, 22, 36, 52, 70, 90, 112, 136, 162, 185}));
    bar.OnLButtonUp(0, CPoint(8, 290));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeIdle);
    EXPECT_EQ(released, 1);

    // And back up to the top.
    moves.clear();
    bar.OnLButtonDown(MK_LBUTTON, CPoint(8, 5));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeUpArrow);
    while (bar.GetTimerInterval(CMyScrollBar::kRepeatTimer) != 0 && moves.size() < 50)
        bar.SendMessage(WM_TIMER, CMyScrollBar::kRepeatTimer, 0);
    EXPECT_EQ(Offsets(), std::vector<int>({175, 163, 149, 133, 115, 95, 73, 49, 23, 0}));
    bar.OnLButtonUp(0, CPoint(8, 5));
    EXPECT_EQ(bar.GetTimerInterval(CMyScrollBar::kRepeatTimer), 0u);
}

TEST_F(MyScrollBarTest, ThePositionIsTheOffsetScaledToTheContent)
{
    Arrange(1000, 300, 79, 79);
    bar.NotifyPosition();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].thumbOffset, 79);
    EXPECT_EQ(moves[0].position, 300);
    EXPECT_EQ(bar.GetThumbRect(), CRect(0, 19 + 79, 15, 19 + 79 + 79));
    // Content taller than 65535 pixels: the position passes whole (262 / 2 x 1000).
    Arrange(100000, 1000, 2, 262);
    bar.NotifyPosition();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].position, 131000);
}

TEST_F(MyScrollBarTest, WithoutAThumbThePositionIsZeroAndNoThumbIsDrawn)
{
    Arrange(1000, 300, 0, 40);
    bar.NotifyPosition();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].thumbOffset, 40);
    EXPECT_EQ(moves[0].position, 0);
    RunEvents();
    auto none = GrabWindow(bar);
    Arrange(1000, 300, 0, 200);
    RunEvents();
    auto noneElsewhere = GrabWindow(bar);
    Arrange(1000, 300, 79, 40);
    bar.Invalidate();
    RunEvents();
    auto thumb = GrabWindow(bar);
    ASSERT_TRUE(none && noneElsewhere && thumb);
    int differ = 0, differThumb = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 16; ++x) {
            differ += none->GetPixel(x, y) != noneElsewhere->GetPixel(x, y);
            differThumb += none->GetPixel(x, y) != thumb->GetPixel(x, y);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(differThumb, 0);
}

TEST_F(MyScrollBarTest, TheWheelMovesTheThumbOnlyWhileAWindowHasTheFocus)
{
    Arrange(1000, 300, 79, 50);
    ASSERT_EQ(Wnd::GetFocus(), nullptr);
    bar.OnWheel(120);
    EXPECT_TRUE(moves.empty());
    EXPECT_EQ(bar.GetThumbOffset(), 50);

    owner.SetFocus();
    RunEvents();
    ASSERT_EQ(Wnd::GetFocus(), &owner);
    struct {
        int delta;
        int offset;
    } turns[] = {{120, 40}, {60, 35}, {-120, 45}, {-60, 50}, {11, 50}, {-13, 51}, {-240, 71}, {1200, 0}, {-12000, 185}};
    for (const auto& t : turns) {
        SCOPED_TRACE(t.delta);
        moves.clear();
        bar.OnWheel(t.delta);
        EXPECT_EQ(bar.GetThumbOffset(), t.offset);
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].thumbOffset, t.offset);
    }
}

TEST_F(MyScrollBarTest, TheThumbFollowsADragAndStaysInTheTrack)
{
    // The thumb is (0, 19)-(15, 98).
    MouseMove(bar, CPoint(8, 50));
    MousePress(bar, CPoint(8, 50));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeThumb);
    EXPECT_EQ(Wnd::GetCapture(), &bar);
    MouseMove(bar, CPoint(8, 80));
    EXPECT_EQ(bar.GetThumbOffset(), 30);
    // Out of the bar, still dragging: the capture keeps the mouse.
    MouseMove(owner, CPoint(20, 395));
    EXPECT_EQ(bar.GetThumbOffset(), 185);
    MouseMove(owner, CPoint(20, 0));
    EXPECT_EQ(bar.GetThumbOffset(), 0);
    MouseRelease(owner, CPoint(20, 0));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeIdle);
    EXPECT_EQ(Wnd::GetCapture(), nullptr);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(Offsets(), std::vector<int>({0, 30, 185, 0}));
}

TEST_F(MyScrollBarTest, LeavingAHeldArrowStopsTheRepeat)
{
    MouseMove(bar, CPoint(8, 290));
    MousePress(bar, CPoint(8, 290));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeDownArrow);
    // Onto the track, still on the bar.
    MouseMove(bar, CPoint(8, 150));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeIdle);
    EXPECT_EQ(bar.GetTimerInterval(CMyScrollBar::kRepeatTimer), 0u);
    MouseRelease(bar, CPoint(8, 150));

    // Off the bar altogether.
    MouseMove(bar, CPoint(8, 5));
    MousePress(bar, CPoint(8, 5));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeUpArrow);
    MouseMove(owner, CPoint(20, 20));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeIdle);
    EXPECT_EQ(bar.GetTimerInterval(CMyScrollBar::kRepeatTimer), 0u);
    MouseRelease(owner, CPoint(20, 20));
}

TEST_F(MyScrollBarTest, APressOnTheBareTrackOnlySendsThePositionAgain)
{
    Arrange(1000, 300, 79, 20);
    bar.OnLButtonDown(MK_LBUTTON, CPoint(8, 200));
    EXPECT_EQ(bar.GetMode(), CMyScrollBar::kModeIdle);
    EXPECT_EQ(bar.GetTimerInterval(CMyScrollBar::kRepeatTimer), 0u);
    EXPECT_EQ(Offsets(), std::vector<int>({20}));
}

} // namespace

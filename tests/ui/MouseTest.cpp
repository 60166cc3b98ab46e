#include "RecordingWnd.h"
#include "UiThread.h"

#include <gtest/gtest.h>

namespace {

// A top-level window with two children side by side: a at (10,10)-(60,60), b at (70,10)-(120,60).
class Mouse : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 200, 100), 0, WS_POPUP));
        ASSERT_TRUE(a.Create(&top, CRect(10, 10, 60, 60), 1));
        ASSERT_TRUE(b.Create(&top, CRect(70, 10, 120, 60), 2));
        ASSERT_TRUE(ShowAndWait(top));
        // Tracking the way the buttons do it: asked for on the first move.
        for (RecordingWnd* w : {&a, &b}) {
            w->onMove = [w](UINT, CPoint) { w->TrackMouseEvent(TME_LEAVE); };
        }
        MouseMove(top, CPoint(150, 80));
        a.ClearLog();
        b.ClearLog();
        top.ClearLog();
    }
    RecordingWnd top{"top"};
    RecordingWnd a{"a"};
    RecordingWnd b{"b"};
};

TEST_F(Mouse, ALeaveComesOnlyWhenAskedFor)
{
    a.onMove = nullptr;
    MouseMove(a, CPoint(5, 5));
    MouseMove(top, CPoint(150, 80));
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:move"}));

    a.ClearLog();
    a.onMove = [&](UINT, CPoint) { a.TrackMouseEvent(TME_LEAVE); };
    MouseMove(a, CPoint(5, 5));
    MouseMove(a, CPoint(6, 6));
    MouseMove(top, CPoint(150, 80));
    MouseMove(top, CPoint(151, 80));
    // One leave per request, however often it was asked.
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:move", "a:move", "a:leave"}));
}

TEST_F(Mouse, MovingOntoASiblingLeavesTheFirst)
{
    MouseMove(a, CPoint(40, 20));
    MouseMove(b, CPoint(10, 20));
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:move", "a:leave"}));
    EXPECT_EQ(b.Log(), std::vector<std::string>({"b:move"}));
}

TEST_F(Mouse, WithTheButtonHeldAndNoCaptureTheMouseLeavesAndTheReleaseGoesElsewhere)
{
    MouseMove(a, CPoint(20, 20));
    MousePress(a, CPoint(20, 20));
    MouseMove(a, CPoint(25, 20));
    // Out over b with the button still down: a is left, b gets the moves and the release.
    MouseMove(b, CPoint(20, 20));
    MouseRelease(b, CPoint(20, 20));
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:move", "a:down", "a:move", "a:leave"}));
    EXPECT_EQ(b.Log(), std::vector<std::string>({"b:move", "b:up"}));
}

TEST_F(Mouse, CaptureKeepsEveryMoveAndTheRelease)
{
    a.onDown = [&](UINT, CPoint) { a.SetCapture(); };
    CPoint lastUp;
    a.onUp = [&](UINT, CPoint p) {
        lastUp = p;
        Wnd::ReleaseCapture();
    };
    MouseMove(a, CPoint(20, 20));
    MousePress(a, CPoint(20, 20));
    EXPECT_EQ(Wnd::GetCapture(), &a);
    MouseMove(b, CPoint(20, 20));
    MouseMove(top, CPoint(190, 95));
    MouseRelease(top, CPoint(190, 95));
    EXPECT_EQ(Wnd::GetCapture(), nullptr);
    // The leave waits for the capture to end, as on Windows.
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:move", "a:down", "a:move", "a:move", "a:up", "a:leave"}));
    EXPECT_TRUE(b.Log().empty());
    // In a's own coordinates, outside it.
    EXPECT_EQ(lastUp, CPoint(180, 85));
    // The next move goes where the mouse is.
    MouseMove(b, CPoint(5, 5));
    EXPECT_EQ(CountOf(a.Log(), "a:leave"), 1);
    EXPECT_EQ(b.Log(), std::vector<std::string>({"b:move"}));
}

TEST_F(Mouse, HoverComesOnceAfterTheMouseRests)
{
    a.onMove = [&](UINT, CPoint) { a.TrackMouseEvent(TME_LEAVE | TME_HOVER, 1); };
    MouseMove(a, CPoint(20, 20));
    ASSERT_TRUE(PumpUntil([&] { return CountOf(a.Log(), "a:hover") == 1; }, 2000));
    RunEvents(20);
    EXPECT_EQ(CountOf(a.Log(), "a:hover"), 1);
}

TEST_F(Mouse, ADisabledWindowGetsNoMouse)
{
    a.EnableWindow(false);
    MouseMove(a, CPoint(20, 20));
    MousePress(a, CPoint(20, 20));
    MouseRelease(a, CPoint(20, 20));
    EXPECT_TRUE(a.Log().empty());
    EXPECT_FALSE(a.IsWindowEnabled());
}

TEST_F(Mouse, AnUnhandledWheelGoesUpToTheParent)
{
    MouseWheel(a, CPoint(20, 20), 120);
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:wheel 120"}));
    EXPECT_EQ(top.Log(), std::vector<std::string>({"top:wheel 120"}));
    a.ClearLog();
    top.ClearLog();
    a.onWheel = [](short) { return true; };
    MouseWheel(a, CPoint(20, 20), -240);
    EXPECT_EQ(a.Log(), std::vector<std::string>({"a:wheel -240"}));
    EXPECT_TRUE(top.Log().empty());
}

TEST_F(Mouse, APaneDragsTheFramelessWindow)
{
    // What the panes do: the press asks the top-level window to be dragged by its caption.
    a.onDown = [&](UINT, CPoint) { top.SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0); };
    CRect before = top.GetWindowRect();
    MouseMove(a, CPoint(20, 20));
    MousePress(a, CPoint(20, 20));
    MouseMove(a, CPoint(50, 40));
    // The window moved under the mouse: the same screen point is a's (20, 20) again.
    MouseRelease(a, CPoint(20, 20));
    CRect after = top.GetWindowRect();
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
    // The drag ends with the release.
    MouseMove(a, CPoint(20, 20));
    EXPECT_EQ(top.GetWindowRect(), after);
}

TEST_F(Mouse, AWindowDestroyedByItsOwnClickGoesSafely)
{
    a.onUp = [&](UINT, CPoint) { a.DestroyWindow(); };
    MouseMove(a, CPoint(20, 20));
    MouseClick(a, CPoint(20, 20));
    RunEvents(10);
    EXPECT_FALSE(a.IsCreated());
    EXPECT_EQ(top.GetDlgItem(1), nullptr);
    MouseMove(top, CPoint(20, 20));
    EXPECT_EQ(CountOf(a.Log(), "a:"), 4); // move, down, up, destroy
}

} // namespace

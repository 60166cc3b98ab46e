#include "RecordingWnd.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <thread>

namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 400, 300), 0, WS_POPUP));
    }
    RecordingWnd top{"top"};
};

TEST_F(Windows, ChildrenAreFoundByTheirIdsAndIdsAreUniquePerParent)
{
    RecordingWnd page("page"), other("other"), dup("dup"), item("item");
    // Page ids pass 16 bits.
    ASSERT_TRUE(page.Create(&top, CRect(1, 70, 399, 270), 102091));
    ASSERT_TRUE(other.Create(&top, CRect(0, 0, 10, 10), 10213));
    EXPECT_FALSE(dup.Create(&top, CRect(0, 0, 10, 10), 102091));
    EXPECT_FALSE(dup.IsCreated());
    // The same id under another parent is fine.
    ASSERT_TRUE(item.Create(&page, CRect(5, 5, 50, 50), 10213));
    EXPECT_EQ(top.GetDlgItem(102091), &page);
    EXPECT_EQ(top.GetDlgItem(10213), &other);
    EXPECT_EQ(page.GetDlgItem(10213), &item);
    EXPECT_EQ(top.GetDlgItem(16101), nullptr);
    EXPECT_EQ(page.GetDlgCtrlID(), 102091);
    EXPECT_EQ(item.GetParent(), &page);
    EXPECT_EQ(item.GetTopLevel(), &top);
    EXPECT_EQ(page.GetWindowRect(), CRect(1, 70, 399, 270));
    EXPECT_EQ(page.GetClientRect(), CRect(0, 0, 398, 200));
    // A parent without a window makes no child.
    RecordingWnd orphan, parentless;
    EXPECT_FALSE(orphan.Create(&parentless, CRect(0, 0, 1, 1), 1));
}

TEST_F(Windows, CreateRunsOnCreateFirstAndDestroyRunsOnDestroyBeforeTheChildren)
{
    RecordingWnd pane("pane"), button("button");
    std::vector<std::string> order;
    pane.onCreate = [&] {
        // Children made in OnCreate, as the panes do; the window is not shown yet.
        order.push_back(pane.IsWindowVisible() ? "visible" : "hidden");
        return button.Create(&pane, CRect(0, 0, 20, 20), 10100) ? 0 : -1;
    };
    pane.onDestroy = [&] { order.push_back(button.IsCreated() ? "button alive" : "button gone"); };
    ASSERT_TRUE(pane.Create(&top, CRect(0, 0, 100, 70), 1));
    pane.DestroyWindow();
    EXPECT_EQ(order, std::vector<std::string>({"hidden", "button alive"}));
    EXPECT_FALSE(button.IsCreated());
    EXPECT_EQ(button.Log(), std::vector<std::string>({"button:create", "button:destroy"}));
    // -1 from OnCreate fails the creation and leaves nothing.
    RecordingWnd refusing("r");
    refusing.onCreate = [] { return -1; };
    EXPECT_FALSE(refusing.Create(&top, CRect(0, 0, 5, 5), 2));
    EXPECT_FALSE(refusing.IsCreated());
    EXPECT_EQ(top.GetDlgItem(2), nullptr);
}

TEST_F(Windows, AChildObjectDeletedFirstLeavesItsParentClean)
{
    {
        RecordingWnd temp("temp");
        ASSERT_TRUE(temp.Create(&top, CRect(0, 0, 5, 5), 7));
        EXPECT_EQ(top.GetDlgItem(7), &temp);
    }
    EXPECT_EQ(top.GetDlgItem(7), nullptr);
    RecordingWnd again("again");
    EXPECT_TRUE(again.Create(&top, CRect(0, 0, 5, 5), 7));
}

TEST_F(Windows, ShowHideEnableAndText)
{
    RecordingWnd child("c");
    ASSERT_TRUE(child.Create(&top, CRect(0, 0, 5, 5), 1, WS_CHILD)); // not visible
    ASSERT_TRUE(ShowAndWait(top));
    EXPECT_FALSE(child.IsWindowVisible());
    child.ShowWindow(SW_SHOW);
    EXPECT_TRUE(child.IsWindowVisible());
    top.ShowWindow(SW_HIDE);
    // Shown only while its parents are.
    EXPECT_FALSE(child.IsWindowVisible());
    top.ShowWindow(SW_SHOW);
    EXPECT_TRUE(child.IsWindowVisible());
    child.EnableWindow(false);
    EXPECT_FALSE(child.IsWindowEnabled());
    child.SetWindowText(L"Brelk upgrading......");
    EXPECT_EQ(child.GetWindowText(), L"Brelk upgrading......");
    RecordingWnd disabled("d");
    ASSERT_TRUE(disabled.Create(&top, CRect(0, 0, 5, 5), 2, WS_CHILD | WS_VISIBLE | WS_DISABLED));
    EXPECT_FALSE(disabled.IsWindowEnabled());
    top.ShowWindow(SW_MINIMIZE);
    RunEvents(10);
    EXPECT_TRUE(top.IsIconic());
    top.ShowWindow(SW_RESTORE);
}

TEST_F(Windows, AScrolledParentMovesItsChildrenAndClampsThePosition)
{
    RecordingWnd view("view"), item("item");
    ASSERT_TRUE(view.Create(&top, CRect(0, 0, 200, 100), 1));
    ASSERT_TRUE(item.Create(&view, CRect(0, 150, 50, 190), 15000));
    view.SetScrollSizes(CSize(200, 300));
    view.ScrollToPosition(CPoint(0, 120));
    EXPECT_EQ(view.GetScrollPosition(), CPoint(0, 120));
    // The item keeps its content rectangle; on the screen it moved up.
    EXPECT_EQ(item.GetWindowRect(), CRect(0, 150, 50, 190));
    EXPECT_EQ(item.Widget()->y(), 30);
    view.ScrollToPosition(CPoint(0, 1000));
    EXPECT_EQ(view.GetScrollPosition(), CPoint(0, 200));
    view.SetScrollSizes(CSize(0, 50));
    EXPECT_EQ(view.GetScrollPosition(), CPoint(0, 0));
    EXPECT_EQ(item.Widget()->y(), 150);
}

TEST_F(Windows, EveryPublicCallFromAWorkerRunsOnTheUiThread)
{
    RecordingWnd child("c");
    bool created = false, found = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        created = child.Create(&top, CRect(1, 2, 30, 40), 10003);
        found = top.GetDlgItem(10003) == &child;
        child.ShowWindow(SW_HIDE);
        child.Invalidate();
        child.UpdateWindow();
        child.SetTimer(5, 1000);
        child.KillTimer(5);
        child.DestroyWindow();
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(created);
    EXPECT_TRUE(found);
    EXPECT_FALSE(child.IsCreated());
    EXPECT_EQ(child.Log(), std::vector<std::string>({"c:create", "c:destroy"}));
}

} // namespace

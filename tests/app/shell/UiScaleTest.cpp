#include "UiScale.h"
#include "FootPane.h"
#include "MainDialogFixture.h"
#include "MyScrollBar.h"
#include "TopPane.h"

#include <gtest/gtest.h>

namespace {

TEST(UiScale, FromTheScreenWidthAndTheWorkAreaHeight)
{
    const struct {
        int width, workHeight;
        double scale;
    } cases[] = {
        {1280, 994, 1.0},                             // min(1.0, 1.25, 1.294)
        {1024, 600, 0.78125},                         // the work area decides
        {800, 1024, 0.78125},                         // the width decides
        {1024, 768, 1.0},           {1020, 768, 1.0}, // 0.996: above 0.99 counts as 1
        {1010, 768, 1010 / 1024.0}, {0, 0, 1.0},      // a screen that reports nothing
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ComputeUiScale(c.width, c.workHeight), c.scale) << c.width << "x" << c.workHeight;
}

TEST(UiScale, ScaleRectCutsCornerAndSizeApart)
{
    // Left and top cut on their own; right and bottom follow from the cut size.
    EXPECT_EQ(ScaleRect(CRect(127, 0, 247, 29), 0.78125), CRect(99, 0, 99 + 93, 22));
    EXPECT_EQ(ScaleRect(CRect(782, 39, 1009, 69), 0.78125), CRect(610, 30, 610 + 177, 30 + 23));
    EXPECT_EQ(ScaleRect(CRect(20, 34, 85, 59), 1.0), CRect(20, 34, 85, 59));
}

class MainDialogLayout : public MainDialogTest {};

TEST_F(MainDialogLayout, FullSizeOnALargeScreen)
{
    ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
    CBRELK2Dlg dlg(&screen);
    EXPECT_DOUBLE_EQ(dlg.GetScale(), 1.0);
    EXPECT_DOUBLE_EQ(g_dUiScale, 1.0);
    EXPECT_EQ(dlg.GetWindowSize(), CSize(1024, 768));
    EXPECT_EQ(dlg.GetTopRect(), CRect(0, 0, 1024, 70));
    EXPECT_EQ(dlg.GetFootRect(), CRect(0, 735, 1024, 768));
    EXPECT_EQ(dlg.GetPageRect(), CRect(1, 70, 1022, 735));
}

TEST_F(MainDialogLayout, ShrunkToASmallWorkArea)
{
    ScreenInfo screen{CSize(1024, 600), CRect(0, 0, 1024, 600)};
    CBRELK2Dlg dlg(&screen);
    EXPECT_DOUBLE_EQ(dlg.GetScale(), 0.78125);
    EXPECT_EQ(dlg.GetWindowSize(), CSize(800, 600));
    EXPECT_EQ(dlg.GetTopRect(), CRect(0, 0, 800, 70));
    EXPECT_EQ(dlg.GetFootRect(), CRect(0, 567, 800, 600));
    EXPECT_EQ(dlg.GetPageRect(), CRect(1, 70, 798, 567));
    // The panes lay themselves out with the same factor.
    EXPECT_EQ(ScaleRect(CRect(0, 0, 127, 29)), CRect(0, 0, 99, 22));
    g_dUiScale = 1.0;
}

TEST_F(MainDialogLayout, TheCreatedWindowStandsAtItsSizeWithItsPanes)
{
    ScreenInfo screen{CSize(1024, 600), CRect(0, 0, 1024, 600)};
    CBRELK2Dlg dlg(&screen);
    SetMainWindow(&dlg);
    ASSERT_TRUE(dlg.Create(nullptr, CRect(100, 100, 300, 300), 0, WS_POPUP));
    EXPECT_EQ(dlg.GetClientRect(), CRect(0, 0, 800, 600));
    EXPECT_EQ(dlg.GetWindowRect().TopLeft(), CPoint(0, 0));
    ASSERT_TRUE(dlg.GetTopPane());
    EXPECT_EQ(dlg.GetTopPane()->GetWindowRect(), CRect(0, 0, 800, 70));
    ASSERT_TRUE(dlg.GetFootPane());
    EXPECT_EQ(dlg.GetFootPane()->GetWindowRect(), CRect(0, 567, 800, 600));
    ASSERT_TRUE(dlg.GetScrollBar());
    EXPECT_EQ(dlg.GetScrollBar()->GetDlgCtrlID(), 16101);
    EXPECT_FALSE(dlg.GetScrollBar()->IsWindowVisible());
    // The caption buttons sit at the pane's right end.
    CCustButton* close = dlg.GetTopPane()->GetButton(CTopPane::kCloseId);
    ASSERT_TRUE(close);
    EXPECT_EQ(close->GetWindowRect(), CRect(744, 0, 784, 17));
    CCustButton* list = dlg.GetTopPane()->GetButton(CTopPane::kFunctionListId);
    ASSERT_TRUE(list);
    // right 800 - 85, width 70, top 7, height 21
    EXPECT_EQ(list->GetWindowRect(), CRect(715 - 70, 7, 715, 28));
    dlg.DestroyWindow();
    g_dUiScale = 1.0;
}

} // namespace

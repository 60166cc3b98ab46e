#include "PageHistory.h"

#include <gtest/gtest.h>

namespace {

// Links without pages: the history only looks at their ids.
PageLink* AddLink(PageHistory& h, int pageId, int stackKind)
{
    auto link = std::make_unique<PageLink>();
    link->pageId = pageId;
    link->stackKind = stackKind;
    return h.Add(std::move(link));
}

std::vector<int> Ids(const std::vector<PageLink*>& links)
{
    std::vector<int> ids;
    for (PageLink* l : links)
        ids.push_back(l->pageId);
    return ids;
}

TEST(PageHistory, RootIds)
{
    for (int id : {10201, 10202, 10203, 10209, 10213, 10217, 102091, 102095})
        EXPECT_TRUE(PageHistory::IsRootId(id)) << id;
    for (int id : {10204, 10205, 10206, 10212, 10218, 102090, 102096, 0})
        EXPECT_FALSE(PageHistory::IsRootId(id)) << id;
}

TEST(PageHistory, ARootNavigationComesBackToTheLastPageOfItsStack)
{
    PageHistory h;
    // Nothing made yet: the region's stack becomes current, nothing is found.
    EXPECT_EQ(h.Find(10213, kStackRoot), nullptr);
    EXPECT_EQ(h.CurrentRoot(), 10213);
    PageLink* car = AddLink(h, 10213, kStackRoot);
    // A brand chosen: the model page goes on the car page's stack.
    EXPECT_EQ(h.Find(102091, kStackPrepared), nullptr);
    PageLink* model = AddLink(h, 102091, kStackPrepared);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10213, 102091}));

    // Elsewhere and back: the region's stack gives the model page, not the brands.
    EXPECT_EQ(h.Find(10202, kStackRoot), nullptr);
    PageLink* partNo = AddLink(h, 10202, kStackRoot);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10202}));
    EXPECT_EQ(h.Find(10213, kStackRoot), model);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10213, 102091}));
    EXPECT_EQ(h.Find(10202, kStackRoot), partNo);

    // Back down the region's stack.
    EXPECT_EQ(h.Find(10213, kStackRoot), model);
    EXPECT_EQ(h.Pop(), car);
    EXPECT_EQ(h.Pop(), nullptr);
    EXPECT_TRUE(h.CurrentStack().empty());
    // An emptied stack finds the page among all links and takes it again.
    EXPECT_EQ(h.Find(10213, kStackRoot), car);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10213}));
}

TEST(PageHistory, APageFoundAgainIsNotStackedTwice)
{
    PageHistory h;
    h.Find(10214, kStackRoot);
    AddLink(h, 10214, kStackRoot);
    PageLink* model = AddLink(h, 102092, kStackPrepared);
    EXPECT_EQ(h.Find(102092, kStackPrepared), model);
    EXPECT_EQ(h.Find(102092, kStackPrepared), model);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10214, 102092}));
}

TEST(PageHistory, OperationPagesStayOffTheStacks)
{
    PageHistory h;
    h.Find(10213, kStackRoot);
    AddLink(h, 10213, kStackRoot);
    EXPECT_EQ(h.Find(10204, kStackPrepared), nullptr);
    PageLink* test = AddLink(h, 10204, kStackPrepared);
    // Reached by its tab later: found, and the stack stays as it was.
    EXPECT_EQ(h.Find(10204, kStackOperation), test);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10213}));
    EXPECT_EQ(h.Top()->pageId, 10213);
    EXPECT_EQ(h.Links().size(), 2u);
}

TEST(PageHistory, BeforeAnyRootNavigationNothingIsStacked)
{
    PageHistory h;
    EXPECT_EQ(h.CurrentRoot(), 0);
    AddLink(h, 10202, kStackRoot);
    EXPECT_TRUE(h.CurrentStack().empty());
    EXPECT_EQ(h.Pop(), nullptr);
    EXPECT_EQ(h.Top(), nullptr);
}

TEST(PageHistory, TheModelPageWithoutRegionHasItsOwnStack)
{
    PageHistory h;
    h.Find(10203, kStackRoot);
    PageLink* setup = AddLink(h, 10203, kStackRoot);
    // Like every root id, 10209 takes its own stack: the settings stack stays as it was.
    EXPECT_EQ(h.Find(10209, kStackRoot), nullptr);
    EXPECT_EQ(h.CurrentRoot(), 10209);
    PageLink* model = AddLink(h, 10209, kStackRoot);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10209}));
    EXPECT_EQ(h.Find(10203, kStackRoot), setup);
    EXPECT_EQ(Ids(h.CurrentStack()), (std::vector<int>{10203}));
    EXPECT_EQ(h.Find(10209, kStackRoot), model);
}

} // namespace

#pragma once
// The pages the main dialog has made and the way back through them: one stack
// of pages per root page (the car tab, the car page of each region, the
// part-number and settings pages, the model pages), the stack
// in use, and every link ever made, which owns its page.
#include "BasePage.h"
#include "PageIds.h"

#include <map>
#include <memory>
#include <vector>

// How a page was reached.
inline constexpr int kStackRoot = 1;      // a root navigation (tab, region)
inline constexpr int kStackOperation = 2; // an operation page by its tab
inline constexpr int kStackPrepared = 5;  // a page prepared by a selection

struct PageLink {
    int stackKind = kStackRoot;
    int pageId = 0;
    std::unique_ptr<CBasePage> page;
};

class PageHistory {
public:
    PageHistory();
    ~PageHistory();
    PageHistory(const PageHistory&) = delete;
    PageHistory& operator=(const PageHistory&) = delete;

    // A root navigation makes the root's stack the current one and gives its
    // top, the page last seen there. Otherwise, or when that stack is empty,
    // the link of that page id; a root page found so goes on top of the
    // current stack. nullptr when there is no such page yet.
    PageLink* Find(int pageId, int stackKind);
    // Keeps the link; a root page also goes on top of the current stack.
    PageLink* Add(std::unique_ptr<PageLink> link);
    // Puts the link on top of the current stack, unless it is the top already.
    void Push(PageLink* link);
    // Takes the top off the current stack and gives the new top (nullptr when none).
    PageLink* Pop();
    // The current stack's top, or nullptr.
    PageLink* Top() const;
    // Lets every link and its page go; the stacks are empty after.
    void Clear();

    // The root id of the current stack (0 before the first root navigation)
    // and its links, bottom first.
    int CurrentRoot() const { return m_nCurrentRoot; }
    std::vector<PageLink*> CurrentStack() const;
    const std::vector<std::unique_ptr<PageLink>>& Links() const { return m_links; }

    // 10201..10203, 10209, 10213..10217, 102091..102095.
    static bool IsRootId(int pageId);

private:
    std::map<int, std::vector<PageLink*>> m_stacks;
    std::vector<PageLink*>* m_pCurrent = nullptr;
    int m_nCurrentRoot = 0;
    std::vector<std::unique_ptr<PageLink>> m_links;
};

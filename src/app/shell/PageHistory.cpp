#include "PageHistory.h"

#include "BasePage.h"

PageHistory::PageHistory()
{
    for (int id : {kPageCarTab, kPagePartNo, kPageSetup, kPageModel})
        m_stacks[id];
    for (int region = 0; region < 5; ++region) {
        m_stacks[kPageCarRegion1 + region];
        m_stacks[kPageModelRegion1 + region];
    }
}

// The links go before their pages' owner does; the pages' windows are gone by then.
PageHistory::~PageHistory() = default;

bool PageHistory::IsRootId(int pageId)
{
    return (pageId >= kPageCarTab && pageId <= kPageSetup) || pageId == kPageModel ||
           (pageId >= kPageCarRegion1 && pageId < kPageCarRegion1 + 5) ||
           (pageId >= kPageModelRegion1 && pageId < kPageModelRegion1 + 5);
}

PageLink* PageHistory::Find(int pageId, int stackKind)
{
    if (stackKind == kStackRoot) {
        auto it = m_stacks.find(pageId);
        if (it != m_stacks.end()) {
            m_pCurrent = &it->second;
            m_nCurrentRoot = pageId;
            if (!m_pCurrent->empty())
                return m_pCurrent->back();
        }
    }
    for (const auto& link : m_links) {
        if (link->pageId != pageId)
            continue;
        if (IsRootId(pageId))
            Push(link.get());
        return link.get();
    }
    return nullptr;
}

PageLink* PageHistory::Add(std::unique_ptr<PageLink> link)
{
    PageLink* added = link.get();
    m_links.push_back(std::move(link));
    if (IsRootId(added->pageId))
        Push(added);
    return added;
}

void PageHistory::Push(PageLink* link)
{
    if (m_pCurrent && link && (m_pCurrent->empty() || m_pCurrent->back() != link))
        m_pCurrent->push_back(link);
}

PageLink* PageHistory::Pop()
{
    if (!m_pCurrent || m_pCurrent->empty())
        return nullptr;
    m_pCurrent->pop_back();
    return Top();
}

PageLink* PageHistory::Top() const { return m_pCurrent && !m_pCurrent->empty() ? m_pCurrent->back() : nullptr; }

void PageHistory::Clear()
{
    for (auto& [id, stack] : m_stacks)
        stack.clear();
    m_links.clear();
}

std::vector<PageLink*> PageHistory::CurrentStack() const { return m_pCurrent ? *m_pCurrent : std::vector<PageLink*>{}; }

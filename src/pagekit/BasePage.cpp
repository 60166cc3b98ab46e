#include "BasePage.h"

#include "AppMessages.h"
#include "PageHost.h"
#include "Selection.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

IPageHost* GetPageHost() { return dynamic_cast<IPageHost*>(GetMainWindow()); }

const Selection* GetHostSelection()
{
    const IPageHost* host = GetPageHost();
    return host ? &host->GetSelection() : nullptr;
}

CBasePage::CBasePage()
{
    if (IPageHost* host = GetPageHost())
        m_pTopPane = host->GetTopBar();
}

CBasePage::~CBasePage() = default;

int CBasePage::GetPageType() { return 0; }

void CBasePage::RefreshLanguage() {}

void CBasePage::HideControls()
{
    for (Wnd* w : m_childControls)
        w->ShowWindow(SW_HIDE);
}

void CBasePage::SetFilterText(std::wstring) {}

int CBasePage::ShowPage(bool, int)
{
    if (IPageHost* host = GetPageHost())
        host->ShowScrollBar(m_nContentHeight);
    ShowWindow(SW_SHOW);
    return 1;
}

void CBasePage::OnScrollBarPos(const ScrollBarPos& pos)
{
    if (std::abs(pos.thumbOffset - m_nLastThumbOffset) > 5)
        for (Wnd* w : m_childControls)
            w->Invalidate(false);
    m_nLastThumbOffset = pos.thumbOffset;
    ScrollToPosition(CPoint(0, pos.position));
}

int CBasePage::FocusPage()
{
    for (Wnd* w : m_childControls)
        w->Invalidate(false);
    SetFocus();
    return 1;
}

void CBasePage::EnableActions(bool) {}

void CBasePage::OnInitialUpdate() { SetScrollSizes(CSize(100, 100)); }

int CBasePage::OnCreate()
{
    const CRect r = GetWindowRect();
    m_rcCreate = CRect(0, 0, r.Width(), r.Height());
    m_nCreateX = r.left;
    m_nCreateY = r.top;
    return 0;
}

bool CBasePage::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), 0xFFFFFF);
    return true;
}

void CBasePage::OnLButtonDown(UINT, CPoint) { SetFocus(); }

void CBasePage::OnRButtonDown(UINT, CPoint) { SetFocus(); }

bool CBasePage::OnMouseWheel(UINT flags, short delta, CPoint)
{
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_SCROLL_WHEEL, flags, static_cast<int>(delta));
    return true;
}

std::wstring TrimWhiteSpace(const std::wstring& text)
{
    const auto space = [](wchar_t c) { return std::iswspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), space);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), space).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

std::wstring LowerCase(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return text;
}

bool MatchesFilter(std::wstring name, std::wstring filter)
{
    filter = TrimWhiteSpace(filter);
    if (filter.empty())
        return true;
    if (name.size() < filter.size())
        return false;
    if (name.find(filter) != std::wstring::npos)
        return true;
    return LowerCase(name).find(LowerCase(filter)) != std::wstring::npos;
}

#include "SearchEdit.h"

#include "AppMessages.h"
#include "UiThread.h"

#include <algorithm>

namespace {

constexpr COLORREF kSearchText = 0x000000;
constexpr COLORREF kSearchFace = 0xFFFFFF;

} // namespace

CSearchEdit::CSearchEdit() = default;

int CSearchEdit::OnCreate()
{
    SetFont(Font(L"Arial", 10));
    SetColors(kSearchText, kSearchFace);
    return 0;
}

void CSearchEdit::ReportChange()
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_SEARCH_CHANGED, 0, 0);
}

void CSearchEdit::OnEditChanged()
{
    if (m_nProgramChange == 0)
        ReportChange();
}

void CSearchEdit::SetSearchText(const std::wstring& text)
{
    RunOnUiThread([&] {
        if (GetWindowText() == text)
            return;
        int start = 0, end = 0;
        GetSel(start, end);
        SetWindowText(text);
        const int caret = std::min(start, static_cast<int>(text.size()));
        SetSel(caret, caret);
    });
}

void CSearchEdit::ApplyWindowText(const std::wstring& text)
{
    ++m_nProgramChange;
    Edit::ApplyWindowText(text);
    --m_nProgramChange;
}

bool CSearchEdit::PreTranslateKeyDown(UINT vk)
{
    switch (vk) {
    case VK_RETURN: ReportChange(); return true;
    case VK_DELETE: {
        // Done here rather than by the edit, so that a Delete at the end of
        // the text reports too.
        const std::wstring text = GetWindowText();
        int start = 0, end = 0;
        GetSel(start, end);
        if (start >= 0 && start < static_cast<int>(text.size())) {
            const int count = end > start ? end - start : 1;
            ++m_nProgramChange;
            SetSel(start, start + count);
            ReplaceSel(L""); // through the edit's own undo
            --m_nProgramChange;
            SetSel(start, start);
        }
        ReportChange();
        return true;
    }
    case VK_BACK: return GetWindowText().empty();
    default: return false;
    }
}

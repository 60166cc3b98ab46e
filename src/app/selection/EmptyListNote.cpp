#include "EmptyListNote.h"

#include "Font.h"
#include "Language.h"

namespace {

constexpr Color kNoteInk{0xFF797D80};
constexpr float kNoteInset = 20;

std::wstring TextOr(const wchar_t* key, const wchar_t* fallback)
{
    return GetLanguageManager().GetTextOr(key, fallback);
}

} // namespace

std::wstring NoMatchText() { return TextOr(L"SEARCH_NO_MATCH", L"Nothing matches the search."); }

std::wstring ChooseModelText() { return TextOr(L"CHOOSE_MODEL", L"Choose a model on the left."); }

std::wstring LoadingText() { return TextOr(L"RECORDS_LOADING", L"Loading the catalog..."); }

std::wstring DamagedRecordsText()
{
    return TextOr(L"VEHICLE_DATA_DAMAGED", L"The vehicle data of this region is damaged: install the program again");
}

void DrawEmptyListNote(Graphics& g, const CRect& area, const std::wstring& text)
{
    g.DrawString(text, Font(L"Arial", 12, FontStyleBold), kNoteInk,
                 RectF(float(area.left) + kNoteInset, float(area.top) + kNoteInset,
                       float(area.Width()) - 2 * kNoteInset, float(area.Height()) - kNoteInset),
                 StringFormat(StringAlignmentNear, StringAlignmentNear));
}

#pragma once
// The one line a selection page shows where it has no items to show: a
// search that matches nothing, or a model page before a model is chosen.
#include "Graphics.h"
#include "Rect.h"

#include <string>

// "SEARCH_NO_MATCH" in the language in use, or an English text when the
// language has none.
std::wstring NoMatchText();
// "CHOOSE_MODEL" the same way.
std::wstring ChooseModelText();
// "RECORDS_LOADING" the same way: a page whose records are still being read.
std::wstring LoadingText();
// "VEHICLE_DATA_DAMAGED" the same way: a page whose records' file is damaged.
std::wstring DamagedRecordsText();
// Draws the line at the top left of the area.
void DrawEmptyListNote(Graphics& g, const CRect& area, const std::wstring& text);

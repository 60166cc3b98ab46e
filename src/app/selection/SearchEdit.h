#pragma once
// The search box's edit. Every change the user makes (typed, pasted, cut,
// undone, deleted) and Enter reach the main window as WM_SEARCH_CHANGED, which
// hands the text to the current page as its filter. Text the program sets
// sends nothing.
#include "Edit.h"

#include <string>

class CSearchEdit : public Edit {
public:
    CSearchEdit();

    // Sets the text unless it is the text already (the caret then stays put).
    void SetSearchText(const std::wstring& text);
    // The edit's EN_CHANGE, handed on by the search view.
    void OnEditChanged();

protected:
    int OnCreate() override;
    // Enter reports; Delete removes the selection or the character after the
    // caret itself and always reports; Backspace in an empty box does nothing.
    bool PreTranslateKeyDown(UINT vk) override;
    // Every text the program sets goes through here: it reports nothing.
    void ApplyWindowText(const std::wstring& text) override;

private:
    void ReportChange();

    int m_nProgramChange = 0; // > 0 while the program itself changes the text
};

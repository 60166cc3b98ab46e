#pragma once
// A one-line edit box over QLineEdit. Text changes reach the parent as
// WM_COMMAND (id, EN_CHANGE), from the user and from SetWindowText alike.
//
// FilterChar decides over every character the user puts in, typed or pasted
// (keyboard, context menu, middle button): a refused typed character is
// swallowed, refused pasted characters are left out. Pasted control characters
// (line breaks, tabs, Backspace) are left out before the filter sees them. OnChar follows a typed
// character after the edit took it.
#include "Color.h"
#include "Font.h"
#include "Wnd.h"

class Edit : public Wnd {
public:
    Edit() = default;

    void SetFont(const Font& font);
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const;
    // Most characters the box takes; 0 for no limit of ours.
    void SetLimitText(int maxChars);
    void SetMargins(int left, int right);
    // Selection as character positions [start, end).
    void GetSel(int& start, int& end) const;
    void SetSel(int start, int end);
    // Replaces the selection (or inserts at the caret), as a user's input would
    // but without the character filter.
    void ReplaceSel(const std::wstring& text);
    void SetColors(COLORREF text, COLORREF background);
    // A picture tiled as the background (a pattern brush); nullptr for none.
    void SetBackgroundPattern(const Image* pattern);

    // The character filter; the base takes everything.
    virtual bool FilterChar(wchar_t ch);
    // Puts the clipboard's text in through the filter (what Ctrl+V does).
    void Paste();

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void ApplyWindowText(const std::wstring& text) override;
    std::wstring ReadWindowText() const override;

private:
    friend class EditWidget;
    void PasteText(const std::wstring& text);
};

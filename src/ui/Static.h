#pragma once
// A static text of a dialog: its window text from the top left, wrapped at
// words, in the font and colour given (Arial 9 points, black, unless set), on
// whatever the parent painted.
#include "Color.h"
#include "Font.h"
#include "Wnd.h"

class Static : public Wnd {
public:
    Static() = default;

    void SetFont(const Font& font);
    void SetTextColor(COLORREF color);

protected:
    void OnPaint(Graphics& g) override;

private:
    Font m_font{L"Arial", 9};
    COLORREF m_textColor = 0x000000;
};

#pragma once
// A coloured text: the status lines and labels of the pages. Bold Arial of
// cell height 19 on a filled background (white unless set), in the text
// colour (black unless set; the status lines use blue 0xFF0000 for progress
// and success and red 0x0000FF for failures). Owners may write it from any
// thread.
#include "Color.h"
#include "Font.h"
#include "Wnd.h"

#include <string>

// The colours of the status lines: progress and success, failures.
constexpr COLORREF kStatusBlue = 0xFF0000;
constexpr COLORREF kStatusRed = 0x0000FF;

class CColorStatic : public Wnd {
public:
    CColorStatic();

    // Repaints the text's place in the parent, then sets the text.
    void SetText(const std::wstring& text);
    void SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    // No background at all: the parent shows under the text.
    void SetTransparent(bool transparent);

protected:
    void OnPaint(Graphics& g) override;

private:
    Font m_font;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0x000000;
    bool m_bTransparent = false;
};

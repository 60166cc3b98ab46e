#pragma once
// A group box: an etched frame with its window text as the caption in the
// top edge, over whatever the parent painted. A window that shows something
// inside the frame derives from it and paints after the base.
#include "Font.h"
#include "Wnd.h"

class GroupBox : public Wnd {
public:
    GroupBox() = default;

    void SetFont(const Font& font);
    // The client rectangle below the caption and inside the frame.
    CRect GetInnerRect() const;

protected:
    void OnPaint(Graphics& g) override;
    // Half the caption's height: where the frame's top edge runs.
    int CaptionMiddle(Graphics& g) const;

private:
    Font m_font{L"Arial", 9};
};

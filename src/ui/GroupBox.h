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

protected:
    void OnPaint(Graphics& g) override;

private:
    Font m_font{L"Arial", 9};
};

#pragma once
// A drawer of a label's content on a device context: the printer's page or
// the print settings dialog's preview.
#include "PrintSettingInfo.h"

class Graphics;

class CBaseDrawImage {
public:
    virtual ~CBaseDrawImage() = default;
    // Draws the content into the rectangle (device pixels, inclusive edges);
    // printing 1 on a printer, 0 in a preview. 0 when drawn.
    virtual int Draw(Graphics& dc, int printing, int left, int top, int right, int bottom,
                     const _tagBaseDrawParam* content) = 0;
};

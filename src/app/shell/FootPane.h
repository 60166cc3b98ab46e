#pragma once
// The footer strip of the main window; the window can be dragged by it too.
#include "Image.h"
#include "Wnd.h"

#include <memory>

class CFootPane : public Wnd {
public:
    CFootPane();
    ~CFootPane() override;

protected:
    void OnPaint(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;

private:
    std::unique_ptr<Image> m_background; // PNG 138, loaded once
};

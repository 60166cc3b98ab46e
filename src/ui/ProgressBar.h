#pragma once
// A smooth progress bar over QProgressBar, without a text of its own.
#include "Color.h"
#include "Wnd.h"

class ProgressBar : public Wnd {
public:
    ProgressBar() = default;

    void SetRange(int lower, int upper);
    void SetPos(int pos); // clamped to the range
    int GetPos() const;
    void SetColors(COLORREF bar, COLORREF background);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
};

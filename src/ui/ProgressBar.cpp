#include "ProgressBar.h"

#include "UiThread.h"

#include <QProgressBar>

static QProgressBar* Bar(const ProgressBar* p) { return static_cast<QProgressBar*>(p->Widget()); }

static QString Hex(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)).name(); }

QWidget* ProgressBar::CreateWidget(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

void ProgressBar::SetRange(int lower, int upper)
{
    RunOnUiThread([&] {
        if (QProgressBar* bar = Bar(this))
            bar->setRange(lower, std::max(lower, upper));
    });
}

void ProgressBar::SetPos(int pos)
{
    RunOnUiThread([&] {
        if (QProgressBar* bar = Bar(this))
            bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
    });
}

int ProgressBar::GetPos() const
{
    return CallOnUiThread([&] { return Bar(this) ? Bar(this)->value() : 0; });
}

void ProgressBar::SetColors(COLORREF barColor, COLORREF background)
{
    RunOnUiThread([&] {
        if (QProgressBar* bar = Bar(this))
            bar->setStyleSheet(QStringLiteral("QProgressBar { border: none; background: %1; }"
                                              "QProgressBar::chunk { background: %2; }")
                                   .arg(Hex(background), Hex(barColor)));
    });
}

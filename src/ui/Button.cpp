#include "Button.h"

#include "QtBridge.h"
#include "UiThread.h"
#include "WndWidget.h"

#include <QPushButton>

static QPushButton* Push(const Button* b) { return static_cast<QPushButton*>(b->Widget()); }

QWidget* Button::CreateWidget(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    // Enter belongs to the dialog (its OK), not to the button with the focus.
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [this, button](bool) {
        if (WndRouter::FromWidget(button))
            NotifyParent(BN_CLICKED);
    });
    return button;
}

void Button::ApplyWindowText(const std::wstring& text)
{
    if (QPushButton* button = Push(this))
        button->setText(QString::fromStdWString(text));
}

std::wstring Button::ReadWindowText() const
{
    QPushButton* button = Push(this);
    return button ? button->text().toStdWString() : std::wstring();
}

void Button::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        if (QPushButton* button = Push(this))
            button->setFont(ToWidgetFont(font));
    });
}

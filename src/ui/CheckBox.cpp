#include "CheckBox.h"

#include "QtBridge.h"
#include "UiThread.h"
#include "WndWidget.h"

#include <QCheckBox>

static QCheckBox* Box(const CheckBox* c) { return static_cast<QCheckBox*>(c->Widget()); }

QWidget* CheckBox::CreateWidget(QWidget* parent)
{
    auto* box = new QCheckBox(parent);
    QObject::connect(box, &QCheckBox::clicked, box, [this, box](bool) {
        if (WndRouter::FromWidget(box))
            NotifyParent(BN_CLICKED);
    });
    return box;
}

void CheckBox::ApplyWindowText(const std::wstring& text)
{
    if (QCheckBox* box = Box(this))
        box->setText(QString::fromStdWString(text));
}

std::wstring CheckBox::ReadWindowText() const
{
    QCheckBox* box = Box(this);
    return box ? box->text().toStdWString() : std::wstring();
}

void CheckBox::SetCheck(int state)
{
    RunOnUiThread([&] {
        if (QCheckBox* box = Box(this))
            box->setChecked(state == BST_CHECKED);
    });
}

int CheckBox::GetCheck() const
{
    return CallOnUiThread([&] { return Box(this) && Box(this)->isChecked() ? BST_CHECKED : BST_UNCHECKED; });
}

void CheckBox::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        if (QCheckBox* box = Box(this))
            box->setFont(ToWidgetFont(font));
    });
}

void CheckBox::SetColors(COLORREF text, COLORREF background)
{
    RunOnUiThread([&] {
        QCheckBox* box = Box(this);
        if (!box)
            return;
        QPalette pal = box->palette();
        pal.setColor(QPalette::WindowText, QColor::fromRgba(Color::FromCOLORREF(text).GetValue()));
        pal.setColor(QPalette::Window, QColor::fromRgba(Color::FromCOLORREF(background).GetValue()));
        box->setPalette(pal);
        // A button fills with its Button colour unless told to use Window.
        box->setBackgroundRole(QPalette::Window);
        box->setAutoFillBackground(true);
    });
}

#include "ComboBox.h"

#include "QtBridge.h"
#include "UiThread.h"
#include "WndWidget.h"

#include <QComboBox>

static QComboBox* Box(const ComboBox* c) { return static_cast<QComboBox*>(c->Widget()); }

QWidget* ComboBox::CreateWidget(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(false);
    // activated comes only from the user, as CBN_SELCHANGE does.
    QObject::connect(box, &QComboBox::activated, box, [this, box](int) {
        if (WndRouter::FromWidget(box))
            NotifyParent(CBN_SELCHANGE);
    });
    return box;
}

void ComboBox::OnSize(int cx, int cy)
{
    QComboBox* box = Box(this);
    if (!box)
        return;
    int needed = box->sizeHint().height();
    if (cy < needed)
        box->resize(cx, needed);
}

std::wstring ComboBox::ReadWindowText() const
{
    QComboBox* box = Box(this);
    return box ? box->currentText().toStdWString() : std::wstring();
}

int ComboBox::AddString(const std::wstring& text)
{
    return CallOnUiThread([&] {
        QComboBox* box = Box(this);
        if (!box)
            return CB_ERR;
        // Adding to an empty box selects nothing, as on Windows.
        bool wasEmpty = box->count() == 0;
        box->addItem(QString::fromStdWString(text));
        if (wasEmpty)
            box->setCurrentIndex(-1);
        return box->count() - 1;
    });
}

void ComboBox::ResetContent()
{
    RunOnUiThread([&] {
        if (QComboBox* box = Box(this))
            box->clear();
    });
}

int ComboBox::GetCount() const
{
    return CallOnUiThread([&] { return Box(this) ? Box(this)->count() : 0; });
}

int ComboBox::GetCurSel() const
{
    return CallOnUiThread([&] {
        QComboBox* box = Box(this);
        return box && box->currentIndex() >= 0 ? box->currentIndex() : CB_ERR;
    });
}

int ComboBox::SetCurSel(int index)
{
    return CallOnUiThread([&] {
        QComboBox* box = Box(this);
        if (!box)
            return CB_ERR;
        if (index < 0 || index >= box->count()) {
            box->setCurrentIndex(-1);
            return CB_ERR;
        }
        box->setCurrentIndex(index);
        return index;
    });
}

std::wstring ComboBox::GetLBText(int index) const
{
    return CallOnUiThread([&] {
        QComboBox* box = Box(this);
        if (!box || index < 0 || index >= box->count())
            return std::wstring();
        return box->itemText(index).toStdWString();
    });
}

void ComboBox::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        if (QComboBox* box = Box(this)) {
            box->setFont(ToWidgetFont(font));
            OnSize(GetWindowRect().Width(), GetWindowRect().Height());
        }
    });
}

void ComboBox::SetColors(COLORREF text, COLORREF background)
{
    RunOnUiThread([&] {
        QComboBox* box = Box(this);
        if (!box)
            return;
        QPalette pal = box->palette();
        QColor fg = QColor::fromRgba(Color::FromCOLORREF(text).GetValue());
        QColor bg = QColor::fromRgba(Color::FromCOLORREF(background).GetValue());
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            pal.setColor(role, fg);
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window})
            pal.setColor(role, bg);
        box->setPalette(pal);
    });
}

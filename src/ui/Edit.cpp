#include "Edit.h"

#include "Image.h"
#include "QtBridge.h"
#include "UiThread.h"
#include "WndWidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

class EditWidget : public QLineEdit {
public:
    EditWidget(Edit* edit, QWidget* parent) : QLineEdit(parent), m_edit(edit)
    {
        setFrame(false);
        setAcceptDrops(false); // a drop would bypass the filter
        setProperty("brelk.keys", true);
        QObject::connect(this, &QLineEdit::textChanged, this, [this] {
            if (WndRouter::FromWidget(this))
                m_edit->NotifyParent(EN_CHANGE);
        });
    }

protected:
    void keyPressEvent(QKeyEvent* ev) override
    {
        if (!WndRouter::FromWidget(this)) {
            QLineEdit::keyPressEvent(ev);
            return;
        }
        if (ev->matches(QKeySequence::Paste)) {
            if (!isReadOnly())
                m_edit->Paste();
            return;
        }
        WndRouter::Key(
            m_edit, ev, [&] { QLineEdit::keyPressEvent(ev); }, [this](wchar_t ch) { return m_edit->FilterChar(ch); });
    }

    void contextMenuEvent(QContextMenuEvent* ev) override
    {
        QMenu* menu = createStandardContextMenu();
        for (QAction* a : menu->actions()) {
            if (a->objectName() == QLatin1String("edit-paste")) {
                a->disconnect();
                QObject::connect(a, &QAction::triggered, this, [this] { m_edit->Paste(); });
            }
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(ev->globalPos());
    }

    void mouseReleaseEvent(QMouseEvent* ev) override
    {
        // The X11 selection pasted with the middle button goes through the filter too.
        if (ev->button() == Qt::MiddleButton) {
            QClipboard* cb = QApplication::clipboard();
            if (cb->supportsSelection() && !isReadOnly())
                m_edit->PasteText(cb->text(QClipboard::Selection).toStdWString());
            ev->accept();
            return;
        }
        QLineEdit::mouseReleaseEvent(ev);
    }

private:
    Edit* m_edit;
};

QWidget* Edit::CreateWidget(QWidget* parent) { return new EditWidget(this, parent); }

static QLineEdit* LineEdit(const Edit* e) { return static_cast<QLineEdit*>(e->Widget()); }

void Edit::ApplyWindowText(const std::wstring& text)
{
    if (QLineEdit* le = LineEdit(this))
        le->setText(QString::fromStdWString(text));
}

std::wstring Edit::ReadWindowText() const
{
    QLineEdit* le = LineEdit(this);
    return le ? le->text().toStdWString() : std::wstring();
}

void Edit::SetFont(const Font& font)
{
    RunOnUiThread([&] {
        if (Widget())
            Widget()->setFont(ToWidgetFont(font));
    });
}

void Edit::SetReadOnly(bool readOnly)
{
    RunOnUiThread([&] {
        if (QLineEdit* le = LineEdit(this))
            le->setReadOnly(readOnly);
    });
}

bool Edit::IsReadOnly() const
{
    return CallOnUiThread([&] { return LineEdit(this) && LineEdit(this)->isReadOnly(); });
}

void Edit::SetLimitText(int maxChars)
{
    RunOnUiThread([&] {
        if (QLineEdit* le = LineEdit(this))
            le->setMaxLength(maxChars > 0 ? maxChars : 32767);
    });
}

void Edit::SetMargins(int left, int right)
{
    RunOnUiThread([&] {
        if (QLineEdit* le = LineEdit(this))
            le->setTextMargins(left, 0, right, 0);
    });
}

void Edit::GetSel(int& start, int& end) const
{
    RunOnUiThread([&] {
        start = end = 0;
        QLineEdit* le = LineEdit(this);
        if (!le)
            return;
        if (le->hasSelectedText()) {
            start = le->selectionStart();
            end = start + int(le->selectedText().size());
        } else {
            start = end = le->cursorPosition();
        }
    });
}

void Edit::SetSel(int start, int end)
{
    RunOnUiThread([&] {
        QLineEdit* le = LineEdit(this);
        if (!le)
            return;
        int len = int(le->text().size());
        if (start < 0 || start > len)
            start = len;
        if (end < 0 || end > len)
            end = len;
        le->setSelection(start, end - start);
        if (start == end)
            le->setCursorPosition(start);
    });
}

void Edit::ReplaceSel(const std::wstring& text)
{
    RunOnUiThread([&] {
        if (QLineEdit* le = LineEdit(this))
            le->insert(QString::fromStdWString(text));
    });
}

void Edit::SetColors(COLORREF text, COLORREF background)
{
    RunOnUiThread([&] {
        QWidget* w = Widget();
        if (!w)
            return;
        QPalette pal = w->palette();
        pal.setColor(QPalette::Text, QColor::fromRgba(Color::FromCOLORREF(text).GetValue()));
        pal.setColor(QPalette::Base, QColor::fromRgba(Color::FromCOLORREF(background).GetValue()));
        w->setPalette(pal);
    });
}

void Edit::SetBackgroundPattern(const Image* pattern)
{
    RunOnUiThread([&] {
        QWidget* w = Widget();
        if (!w)
            return;
        QPalette pal = w->palette();
        if (pattern && !pattern->IsNull())
            pal.setBrush(QPalette::Base, QBrush(pattern->Data()));
        else
            pal.setBrush(QPalette::Base, QApplication::palette().base());
        w->setPalette(pal);
    });
}

bool Edit::FilterChar(wchar_t) { return true; }

void Edit::Paste()
{
    RunOnUiThread([&] { PasteText(QApplication::clipboard()->text().toStdWString()); });
}

void Edit::PasteText(const std::wstring& text)
{
    QLineEdit* le = LineEdit(this);
    if (!le || le->isReadOnly())
        return;
    std::wstring kept;
    WndRouter::Dispatch d;
    for (wchar_t ch : text) {
        // A one-line box has no place for line breaks or other control
        // characters; a pasted Backspace is text, not an edit, and is left out too.
        if (ch < 0x20 || ch == 0x7F)
            continue;
        if (FilterChar(ch))
            kept += ch;
    }
    if (!kept.empty() && LineEdit(this))
        LineEdit(this)->insert(QString::fromStdWString(kept));
}

#include "MessageBoxService.h"

#include "UiThread.h"
#include "Wnd.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <vector>

namespace {

void SetIcon(QMessageBox& box, UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
}

struct Answer {
    QMessageBox::StandardButton button;
    int id;
};

// The buttons of the box type, the default first, and the answer that
// Escape gives (0 where the box cannot be dismissed without one).
std::vector<Answer> AnswersFor(UINT type, int& escapeId)
{
    escapeId = 0;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: escapeId = IDCANCEL; return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        escapeId = IDCANCEL;
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        // Like Windows: a Yes/No box cannot be dismissed without an answer.
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: escapeId = IDCANCEL; return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: escapeId = IDOK; return {{QMessageBox::Ok, IDOK}};
    }
}

class QtMessageBoxService final : public IMessageBoxService {
public:
    int Show(Wnd* owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        QWidget* parent = owner && owner->IsCreated() ? owner->GetTopLevel()->Widget() : nullptr;
        QMessageBox box(parent);
        box.setText(QString::fromStdWString(text));
        box.setWindowTitle(QString::fromStdWString(caption));
        SetIcon(box, type);
        if (type & MB_TOPMOST)
            box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

        int escapeId = 0;
        const std::vector<Answer> answers = AnswersFor(type, escapeId);
        QMessageBox::StandardButtons buttons;
        for (const Answer& a : answers)
            buttons |= a.button;
        box.setStandardButtons(buttons);
        box.setDefaultButton(answers.front().button);
        for (const Answer& a : answers)
            if (a.id == escapeId)
                box.setEscapeButton(a.button);
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        for (const Answer& a : answers)
            if (clicked == box.button(a.button))
                return a.id;
        return escapeId ? escapeId : answers.front().id;
    }
};

QtMessageBoxService g_qtService;
std::atomic<IMessageBoxService*> g_service{nullptr};

} // namespace

void SetMessageBoxService(IMessageBoxService* service) { g_service.store(service); }

IMessageBoxService& GetMessageBoxService()
{
    IMessageBoxService* s = g_service.load();
    return s ? *s : g_qtService;
}

int MessageBox(Wnd* owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    return CallOnUiThread([&] { return GetMessageBoxService().Show(owner, text, caption, type); });
}

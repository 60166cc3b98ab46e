#include "MessageBoxWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollMs = 10;

std::wstring WithoutShortcutMarks(const QString& text)
{
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    return plain.toStdWString();
}

} // namespace

struct MessageBoxWatcher::State {
    mutable std::mutex mutex;
    std::vector<Seen> seen;
    std::wstring answer;
    std::string grabFolder;
    std::string grabName;
    QTimer* timer = nullptr;

    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("brelkWatched").toBool())
            return;
        box->setProperty("brelkWatched", true);
        Seen s;
        s.text = box->text().toStdWString();
        s.caption = box->windowTitle().toStdWString();
        // The buttons as they stand in the box, left to right.
        std::vector<QAbstractButton*> buttons;
        for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
            if (b->isVisible() && qobject_cast<QDialogButtonBox*>(b->parent()))
                buttons.push_back(b);
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
        QAbstractButton* press = nullptr;
        for (QAbstractButton* b : buttons) {
            s.buttons.push_back(WithoutShortcutMarks(b->text()));
            if (s.buttons.back() == answer)
                press = b;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            const std::string path = grabFolder + "/" + grabName + "-" + std::to_string(seen.size() + 1) + ".png";
            if (box->grab().toImage().save(QString::fromStdString(path), "PNG"))
                s.grabPath = path;
            seen.push_back(s);
        }
        if (press)
            press->click();
    }
};

MessageBoxWatcher::MessageBoxWatcher(std::wstring answer, std::string grabFolder, std::string grabName)
    : m_state(std::make_shared<State>())
{
    m_state->answer = std::move(answer);
    m_state->grabFolder = std::move(grabFolder);
    m_state->grabName = std::move(grabName);
    m_state->timer = new QTimer(qApp);
    std::weak_ptr<State> state = m_state;
    QObject::connect(m_state->timer, &QTimer::timeout, m_state->timer, [state] {
        if (auto s = state.lock())
            s->Poll();
    });
    m_state->timer->start(kPollMs);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_state->timer->stop();
    m_state->timer->deleteLater();
}

std::vector<MessageBoxWatcher::Seen> MessageBoxWatcher::SeenBoxes() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->seen;
}

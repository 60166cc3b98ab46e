#include "UiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Work posted to the UI thread, in the order it was posted. Qt's queue only
// carries the signal that one item waits; the item itself passes through this
// queue under a standard mutex, so that everything the poster wrote before
// posting is visibly ordered before the item runs: to the reader of this code
// and to ThreadSanitizer, which cannot see into Qt's own locks.
class PostedWork {
public:
    void Post(QCoreApplication* app, std::function<void()> work)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(std::move(work));
        // Under the lock, so the signals are queued in the items' order.
        QMetaObject::invokeMethod(
            app, [] { Instance().RunNext(); }, Qt::QueuedConnection);
    }

    static PostedWork& Instance()
    {
        static PostedWork work;
        return work;
    }

private:
    void RunNext()
    {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_items.empty())
                return;
            work = std::move(m_items.front());
            m_items.pop_front();
        }
        work();
    }

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_items;
};

// A call another thread waits for: the standard library's wait, so the
// caller sees what the call wrote.
struct WaitedCall {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

} // namespace

bool IsUiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RunOnUiThread(const std::function<void()>& f)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    auto call = std::make_shared<WaitedCall>();
    PostedWork::Instance().Post(app, [&f, call] {
        f();
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            call->done = true;
        }
        call->ended.notify_one();
    });
    std::unique_lock<std::mutex> lock(call->mutex);
    call->ended.wait(lock, [&] { return call->done; });
}

void PostToUiThread(std::function<void()> f)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        f();
        return;
    }
    PostedWork::Instance().Post(app, std::move(f));
}

bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto expired = [&] {
        return timeoutMs != 0xFFFFFFFF && Clock::now() - start >= std::chrono::milliseconds(timeoutMs);
    };
    if (done())
        return true;
    if (!QCoreApplication::instance() || !IsUiThread()) {
        while (!done()) {
            if (expired())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // A short poll keeps the loop checking even when the awaited thing posts nothing.
    QEventLoop loop;
    QTimer poll;
    bool result = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            result = true;
            loop.quit();
        } else if (expired()) {
            loop.quit();
        }
    });
    poll.start(2);
    loop.exec();
    return result || done();
}

void PumpMessages()
{
    if (QCoreApplication::instance() && IsUiThread())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

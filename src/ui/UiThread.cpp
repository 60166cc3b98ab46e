#include "UiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

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
    QMetaObject::invokeMethod(
        app, [&f] { f(); }, Qt::BlockingQueuedConnection);
}

void PostToUiThread(std::function<void()> f)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(f), Qt::QueuedConnection);
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

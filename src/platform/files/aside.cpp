#include "platform/files/aside.h"

#include "platform/event_service.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <memory>

namespace platform::aside {

namespace {

std::function<void()>& workerHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setWorkerHook(std::function<void()> hook) {
    workerHook() = std::move(hook);
}

void run(const std::function<void()>& work, const std::function<void()>& beforeWait) {
    QCoreApplication* const app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }

    const std::function<void()> hook = workerHook(); // the worker's own copy
    const std::unique_ptr<QThread> worker(QThread::create([&work, hook] {
        if (hook)
            hook();
        work();
    }));
    // What the windows are to show while the work runs (the file it
    // copies) is painted first: the wait serves paint events only.
    if (beforeWait)
        beforeWait();
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    const events::InputHold hold;
    worker->start();
    // The loop may also be told to end by the application quitting: what
    // the work was handed must not go away under it, so it is waited for.
    while (!worker->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!worker->isFinished())
            worker->wait(QDeadlineTimer(20));
    }
    worker->wait();
}

} // namespace platform::aside

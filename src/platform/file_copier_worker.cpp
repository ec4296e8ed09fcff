#include "file_copier_worker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <memory>

namespace platform::copier {

namespace {

std::function<void()>& workerHook() {
    static std::function<void()> hook;
    return hook;
}

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
        return true;
    default:
        return false;
    }
}

// Drops input that reaches objects other than through the window system
// (which QEventLoop::ExcludeUserInputEvents already holds back).
class InputHold : public QObject {
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return isInput(event->type()); }
};

} // namespace

void setWorkerHook(std::function<void()> hook) {
    workerHook() = std::move(hook);
}

void runAside(const std::function<void()>& work) {
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
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    const InputHold hold;
    worker->start();
    // The loop may also be told to end by the application quitting: the
    // descriptors must not be closed under the worker, so it is waited for.
    while (!worker->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!worker->isFinished())
            worker->wait(QDeadlineTimer(20));
    }
    worker->wait();
}

} // namespace platform::copier

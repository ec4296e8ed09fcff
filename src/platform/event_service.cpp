#include "platform/event_service.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>

namespace platform::events {

namespace {

constexpr qint64 FrameMs = 1000 / 30;

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

std::function<void(bool)>& holdObserver() {
    static std::function<void(bool)> observer;
    return observer;
}

int g_holds = 0; // InputHolds alive, on the user-interface thread

} // namespace

void setHoldObserver(std::function<void(bool held)> observer) {
    holdObserver() = std::move(observer);
}

InputHold::InputHold() {
    QCoreApplication::instance()->installEventFilter(this);
    if (g_holds++ == 0 && holdObserver())
        holdObserver()(true);
}

InputHold::~InputHold() {
    QCoreApplication::instance()->removeEventFilter(this);
    if (--g_holds == 0 && holdObserver())
        holdObserver()(false);
}

bool InputHold::eventFilter(QObject*, QEvent* event) {
    return isInput(event->type());
}

namespace {
QElapsedTimer& sinceServed() {
    static QElapsedTimer timer;
    return timer;
}
} // namespace

int msUntilServed() {
    const QElapsedTimer& since = sinceServed();
    return since.isValid() ? int(std::max<qint64>(0, FrameMs - since.elapsed())) : 0;
}

void serveSoon() {
    if (msUntilServed() > 0)
        return;
    if (QCoreApplication::instance()) {
        const InputHold hold;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    sinceServed().start();
}

} // namespace platform::events

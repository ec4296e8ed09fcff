#include "platform/repaint.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace platform::repaint {

namespace {

constexpr qint64 FrameMs = 1000 / 30;

struct State {
    QList<QPointer<QWidget>> dirty;
    QElapsedTimer sincePaint;
};

State& state() {
    static State s;
    return s;
}

void paintDirty(State& s) {
    // Taken out first: a paint may run code that marks widgets again.
    const QList<QPointer<QWidget>> widgets = std::exchange(s.dirty, {});
    for (const QPointer<QWidget>& w : widgets) {
        if (w)
            w->repaint();
    }
    s.sincePaint.start();
}

} // namespace

void soon(QWidget* widget) {
    State& s = state();
    if (widget != nullptr && !s.dirty.contains(widget))
        s.dirty.append(widget);
    if (!s.sincePaint.isValid() || s.sincePaint.elapsed() >= FrameMs)
        paintDirty(s);
}

void now() {
    paintDirty(state());
}

void forget(QWidget* widget) {
    state().dirty.removeAll(widget);
}

} // namespace platform::repaint

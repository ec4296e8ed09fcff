#include "platform/widgets/repaint.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::repaint {

namespace {

constexpr qint64 FrameMs = 1000 / 30;

// A widget's new value, kept until the next paint; the last one set wins.
template <typename W, typename V> struct Pending {
    QPointer<W> widget;
    V value;
};
using PendingValue = Pending<QProgressBar, int>;
using PendingText = Pending<QLabel, QString>;

template <typename W, typename V>
void keep(std::vector<Pending<W, V>>& pending, W* widget, const V& value) {
    auto it = std::find_if(pending.begin(), pending.end(),
                           [widget](const Pending<W, V>& p) { return p.widget == widget; });
    if (it != pending.end())
        it->value = value;
    else
        pending.push_back({widget, value});
    soon(widget);
}

template <typename W, typename V> void drop(std::vector<Pending<W, V>>& pending, QWidget* widget) {
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [widget](const Pending<W, V>& p) { return p.widget == widget; }),
                  pending.end());
}

struct State {
    QList<QPointer<QWidget>> dirty;
    std::vector<PendingValue> values;
    std::vector<PendingText> texts;
    QElapsedTimer sincePaint;
};

State& state() {
    static State s;
    return s;
}

// Setting a bar's value costs it a text layout and an accessibility event
// (and, with updates on, a paint of its own): done once per paint instead
// of once per step.
void applyValues(State& s) {
    const std::vector<PendingValue> values = std::exchange(s.values, {});
    for (const PendingValue& p : values) {
        if (!p.widget || p.widget->value() == p.value)
            continue;
        const bool held = p.widget->updatesEnabled();
        if (held)
            p.widget->setUpdatesEnabled(false);
        p.widget->setValue(p.value);
        if (held)
            p.widget->setUpdatesEnabled(true);
    }
}

void applyTexts(State& s) {
    const std::vector<PendingText> texts = std::exchange(s.texts, {});
    for (const PendingText& p : texts) {
        if (p.widget)
            p.widget->setText(p.value);
    }
}

void paintDirty(State& s) {
    applyValues(s);
    applyTexts(s);
    // Taken out first: a paint may run code that marks widgets again.
    const QList<QPointer<QWidget>> widgets = std::exchange(s.dirty, {});
    // All marked, then each window painted once: a repaint() of a widget
    // paints every marked one of its window and sends the window out once,
    // where a repaint() each would send it once per widget.
    QList<QWidget*> last; // per window, the widget marked last
    for (const QPointer<QWidget>& w : widgets) {
        if (!w)
            continue;
        w->update();
        const auto same = [window = w->window()](QWidget* o) { return o->window() == window; };
        if (const auto it = std::find_if(last.begin(), last.end(), same); it != last.end())
            *it = w;
        else
            last.append(w);
    }
    for (QWidget* w : last)
        w->repaint();
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

void setValue(QProgressBar* bar, int value) {
    keep(state().values, bar, value);
}

void setText(QLabel* label, const QString& text) {
    keep(state().texts, label, text);
}

void now() {
    paintDirty(state());
}

void forget(QWidget* widget) {
    State& s = state();
    s.dirty.removeAll(widget);
    drop(s.values, widget);
    drop(s.texts, widget);
}

} // namespace platform::repaint

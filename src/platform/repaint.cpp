#include "platform/repaint.h"

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

struct PendingValue {
    QPointer<QProgressBar> bar;
    int value;
};

struct PendingText {
    QPointer<QLabel> label;
    QString text;
};

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
        if (!p.bar || p.bar->value() == p.value)
            continue;
        const bool held = p.bar->updatesEnabled();
        if (held)
            p.bar->setUpdatesEnabled(false);
        p.bar->setValue(p.value);
        if (held)
            p.bar->setUpdatesEnabled(true);
    }
}

void applyTexts(State& s) {
    const std::vector<PendingText> texts = std::exchange(s.texts, {});
    for (const PendingText& p : texts) {
        if (p.label)
            p.label->setText(p.text);
    }
}

void paintDirty(State& s) {
    applyValues(s);
    applyTexts(s);
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

void setValue(QProgressBar* bar, int value) {
    State& s = state();
    auto pending = std::find_if(s.values.begin(), s.values.end(),
                                [bar](const PendingValue& p) { return p.bar == bar; });
    if (pending != s.values.end())
        pending->value = value;
    else
        s.values.push_back({bar, value});
    soon(bar);
}

void setText(QLabel* label, const QString& text) {
    State& s = state();
    auto pending = std::find_if(s.texts.begin(), s.texts.end(),
                                [label](const PendingText& p) { return p.label == label; });
    if (pending != s.texts.end())
        pending->text = text;
    else
        s.texts.push_back({label, text});
    soon(label);
}

void now() {
    paintDirty(state());
}

void forget(QWidget* widget) {
    State& s = state();
    s.dirty.removeAll(widget);
    s.values.erase(
        std::remove_if(s.values.begin(), s.values.end(),
                       [widget](const PendingValue& p) { return p.bar.data() == widget; }),
        s.values.end());
    s.texts.erase(
        std::remove_if(s.texts.begin(), s.texts.end(),
                       [widget](const PendingText& p) { return p.label.data() == widget; }),
        s.texts.end());
}

} // namespace platform::repaint

#pragma once

#include "bench_common.h"

#include <QObject>
#include <QTimer>

namespace bench {

// How long the UI thread goes without serving its event loop: a timer on
// the thread ticks every few milliseconds whenever the loop is served, and
// the longest time between two ticks (counting from start() to the first
// tick and from the last tick to stop()) is the longest a user, the window
// manager or a screen reader waits for an answer from the program.
class UiGapMeter : public QObject {
public:
    explicit UiGapMeter(int intervalMs = 10);

    // From now on every moment without a tick counts as silence.
    void start();
    // Ends the measurement; the time since the last tick counts too.
    void stop();

    double longestGapSeconds() const { return m_longest; }
    int ticks() const { return m_ticks; }

private:
    void tick();

    QTimer m_timer;
    Clock::time_point m_last;
    double m_longest = 0;
    int m_ticks = 0;
};

} // namespace bench

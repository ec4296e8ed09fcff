#include "ui_gap_meter.h"

#include <algorithm>

namespace bench {

UiGapMeter::UiGapMeter(int intervalMs) {
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UiGapMeter::tick);
}

void UiGapMeter::start() {
    m_longest = 0;
    m_ticks = 0;
    m_last = Clock::now();
    m_timer.start();
}

void UiGapMeter::stop() {
    tick();
    --m_ticks; // the closing reading is no tick of the timer
    m_timer.stop();
}

void UiGapMeter::tick() {
    const Clock::time_point now = Clock::now();
    m_longest = std::max(m_longest, std::chrono::duration<double>(now - m_last).count());
    m_last = now;
    ++m_ticks;
}

} // namespace bench

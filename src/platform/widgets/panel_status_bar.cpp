#include "platform/widgets/panel_status_bar.h"

#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace platform {

namespace {
constexpr int ClockPanels = 2; // the last two panels: time, then date
constexpr int TickMs = 1000;
} // namespace

PanelStatusBar::PanelStatusBar(const QList<int>& panelWidths, QWidget* parent)
    : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int width : panelWidths) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedWidth(width);
        panel->setTextFormat(Qt::PlainText);
        addPermanentWidget(panel);
        m_panels << panel;
    }

    auto* clock = new QTimer(this);
    clock->setInterval(TickMs);
    connect(clock, &QTimer::timeout, this, &PanelStatusBar::tick);
    clock->start();
    tick();
}

void PanelStatusBar::setPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= m_panels.size())
        m_panels.at(panel - 1)->setText(text);
}

QString PanelStatusBar::panelText(int panel) const {
    return panel >= 1 && panel <= m_panels.size() ? m_panels.at(panel - 1)->text() : QString();
}

bool PanelStatusBar::event(QEvent* event) {
    // QStatusBar's layout places the panels on every resize and layout
    // request, before the bar itself hears of it: put them back after.
    const bool handled = QStatusBar::event(event);
    switch (event->type()) {
    case QEvent::LayoutRequest:
    case QEvent::Resize:
    case QEvent::Show:
        placePanels();
        break;
    default:
        break;
    }
    return handled;
}

void PanelStatusBar::paintEvent(QPaintEvent*) {
    // The panels draw their own sunken frames; the style's frames around
    // status bar items would draw a second one.
}

void PanelStatusBar::placePanels() {
    int left = 0;
    for (QLabel* panel : std::as_const(m_panels)) {
        panel->setGeometry(left, 0, panel->width(), height());
        left += panel->width();
    }
}

void PanelStatusBar::tick() {
    if (m_panels.size() < ClockPanels)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    const qsizetype timePanel = m_panels.size() - ClockPanels;
    m_panels.at(timePanel)->setText(locale.toString(now.time(), QLocale::ShortFormat));
    m_panels.at(timePanel + 1)->setText(locale.toString(now.date(), QLocale::ShortFormat));
}

} // namespace platform

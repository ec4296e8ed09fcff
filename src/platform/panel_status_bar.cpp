#include "platform/panel_status_bar.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace platform {

namespace {
constexpr int ClockPanels = 2; // the last two panels: time, then date
constexpr int TickMs = 1000;
} // namespace

PanelStatusBar::PanelStatusBar(const QList<int>& panelWidths, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int width : panelWidths) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedWidth(width);
        panel->setTextFormat(Qt::PlainText);
        row->addWidget(panel);
        m_panels << panel;
    }
    row->addStretch(1);

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

#pragma once

#include <QStatusBar>

class QLabel;

namespace platform {

// A status bar of four sunken panels, its permanent widgets. Panels 1 and 2
// carry the program's texts; panels 3 and 4 show the time and the date and
// keep them current. The panels keep the widths given, from the left edge
// on, wherever QStatusBar's own layout would put them; the bar has no size
// grip and draws nothing of its own, so it looks as a row of panels does.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // Panel widths in pixels, left to right.
    PanelStatusBar(const QList<int>& panelWidths, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text); // 1-based
    QString panelText(int panel) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void tick();
    void placePanels();
    QList<QLabel*> m_panels;
};

} // namespace platform

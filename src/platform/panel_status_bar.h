#pragma once

#include <QStatusBar>

class QLabel;

namespace platform {

// A status bar of four sunken panels. Panels 1 and 2 carry the program's
// texts; panels 3 and 4 show the time and the date and keep them current.
class PanelStatusBar : public QWidget {
    Q_OBJECT
public:
    // Panel widths in pixels, left to right.
    PanelStatusBar(const QList<int>& panelWidths, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text); // 1-based
    QString panelText(int panel) const;

private:
    void tick();
    QList<QLabel*> m_panels;
};

} // namespace platform

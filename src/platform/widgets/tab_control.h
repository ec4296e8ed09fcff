#pragma once

#include <QWidget>

class QTabBar;

namespace platform {

// A tab control whose pages cover the whole control: controls on a page
// are placed relative to the control's own top-left corner, under and
// below the row of tabs, as the layouts are drawn.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    // Adds a tab; the returned page is the parent for its controls.
    QWidget* addTab(const QString& caption);
    int currentIndex() const;
    // Shows a tab's page without a tabClicked(): only the user clicks.
    void setCurrentIndex(int index);
    // Shows again the tab shown before the last tabClicked(), without a
    // tabClicked(): the click was not taken.
    void refuseClick();
    QTabBar* tabBar() const { return m_bar; }
    QWidget* page(int index) const;

Q_SIGNALS:
    // The user clicked a tab (also the one already shown) or moved to one
    // with the keyboard.
    void tabClicked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showPage(int index);

    QTabBar* m_bar;
    QList<QWidget*> m_pages;
    bool m_switching = false; // the program, not the user, changes the tab
    int m_shown = -1;         // the tab shown now
    int m_before = -1;        // the tab shown before the last change
};

} // namespace platform

// The keyboard: the order in which Tab visits the controls, and where the
// focus starts.
#include "main_window/pelmora.h"

#include "main_window/pelmora_layout.h"
#include "platform/widgets/tab_control.h"

#include <QTabBar>

void Pelmora::setTabOrderChain() {
    auto* tabs = control<platform::TabControl>("SSTab1");
    QWidget* previous = nullptr;
    for (const char* name : pelmora_layout::tabOrder()) {
        QWidget* next = qstrcmp(name, "SSTab1") == 0 ? tabs->tabBar() : control<QWidget>(name);
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
    // The tab row holds the focus when the window first shows.
    tabs->tabBar()->setFocus(Qt::OtherFocusReason);
}

// Files and folders dragged onto the main window from a file manager. What
// a drop adds, and by which rules, is DropSelection's; this file only
// answers the drag events.
#include "main_window/pelmora.h"

#include "copy_run/status.h"
#include "platform/widgets/tab_control.h"
#include "selection/selection_state.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QTimer>

namespace {

// The source keeps its files: Pelmora only names them. A drag that offers
// only to move them is not taken.
bool acceptAsCopy(QDropEvent* event, bool taken) {
    if (!taken || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

DropSelection::Tab Pelmora::dropTab() const {
    switch (control<platform::TabControl>("SSTab1")->currentIndex()) {
    case 0:
        return DropSelection::Tab::Files;
    case 1:
        return DropSelection::Tab::Folders;
    default:
        return DropSelection::Tab::Other;
    }
}

// While the progress window (or any box) is open the main window takes no
// input, a drop included.
bool Pelmora::refusesDrops() const {
    return Status::exists() || QApplication::activeModalWidget();
}

void Pelmora::dragEnterEvent(QDragEnterEvent* event) {
    // Looked at once per drag, not at every move of the mouse.
    m_dragged =
        refusesDrops() ? DropSelection::Items{} : platform::dropped_items::of(event->mimeData());
    acceptAsCopy(event, DropSelection::takesAny(m_dragged, dropTab()));
}

void Pelmora::dragMoveEvent(QDragMoveEvent* event) {
    acceptAsCopy(event, !refusesDrops() && DropSelection::takesAny(m_dragged, dropTab()));
}

void Pelmora::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dragged.clear();
    event->accept();
}

void Pelmora::dropEvent(QDropEvent* event) {
    m_dragged.clear();
    const DropSelection::Tab tab = dropTab();
    const DropSelection::Items items =
        refusesDrops() ? DropSelection::Items{} : platform::dropped_items::of(event->mimeData());
    if (!acceptAsCopy(event, DropSelection::takesAny(items, tab)))
        return;
    // Added once the drop is over: a duplicate box must not hold the file
    // manager's drag open until it is answered.
    QTimer::singleShot(0, this, [this, items, tab] {
        if (refusesDrops())
            return;
        const auto add = [this, items, tab] { m_drops->drop(items, tab); };
        if (m_state->runOn())
            m_state->afterRun(add);
        else
            add();
    });
}

#include "platform/widgets/entry_pick.h"

#include <QListWidget>

namespace platform {

EntryPickModel::EntryPickModel(QListWidget* list)
    : QItemSelectionModel(list->model(), list)
    , m_list(list) {
    list->setSelectionModel(this);
}

void EntryPickModel::select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) {
    if (!index.isValid() || (command != Select && command != Deselect)) {
        QItemSelectionModel::select(index, command);
        return;
    }
    // An entry the list dropped before the pick came through is not picked.
    const QPersistentModelIndex entry(index);
    QMetaObject::invokeMethod(
        this,
        [this, entry] {
            if (!entry.isValid())
                return;
            m_list->setCurrentRow(entry.row());
            Q_EMIT picked();
        },
        Qt::QueuedConnection);
}

} // namespace platform

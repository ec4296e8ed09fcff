#pragma once

#include <QItemSelectionModel>

class QListWidget;

namespace platform {

// A screen reader picks a list entry through its accessibility action
// ("Toggle"), which selects or deselects the entry in the selection model
// alone: the highlight (the current row) stays where it was and no click
// is raised. This model turns such a pick into picked(row), after the
// action has returned, so that the list can do what a click does: the
// reader's call never waits on a message box the click may open.
//
// Every other change (mouse, keys, the program's setCurrentRow) comes with
// "clear" or "current" in its command and passes through unchanged.
class EntryPickModel : public QItemSelectionModel {
    Q_OBJECT
public:
    // Installs itself as the list's selection model.
    explicit EntryPickModel(QListWidget* list);

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
    using QItemSelectionModel::select;

Q_SIGNALS:
    void picked();

private:
    QListWidget* m_list;
};

} // namespace platform

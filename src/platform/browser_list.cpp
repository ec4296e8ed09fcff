#include "platform/browser_list.h"

namespace platform {

BrowserList::BrowserList(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { Q_EMIT clicked(); });
}

void BrowserList::keyPressEvent(QKeyEvent* event) {
    const int before = highlightedRow();
    QListWidget::keyPressEvent(event);
    const int after = highlightedRow();
    if (after != before && after >= 0)
        Q_EMIT clicked();
}

QItemSelectionModel::SelectionFlags BrowserList::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
    if (!index.isValid() || flags == QItemSelectionModel::NoUpdate)
        return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

} // namespace platform

#include "platform/widgets/browser_list.h"

#include "platform/widgets/entry_pick.h"
#include "platform/widgets/focus_frame.h"

#include <QKeyEvent>

namespace platform {

BrowserList::BrowserList(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { Q_EMIT clicked(); });
    // A screen reader's pick highlights the entry and clicks it.
    connect(new EntryPickModel(this), &EntryPickModel::picked, this, &BrowserList::clicked);
}

void BrowserList::keyPressEvent(QKeyEvent* event) {
    const int before = highlightedRow();
    QListWidget::keyPressEvent(event);
    const int after = highlightedRow();
    // Space clicks the entry that has the focus, as a mouse click would: the
    // keyboard's way to pick an entry the highlight already stands on.
    const bool space = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
    if (after >= 0 && (after != before || space))
        Q_EMIT clicked();
}

void BrowserList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    paintFocusWithoutEntry(this);
}

QItemSelectionModel::SelectionFlags BrowserList::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
    if (!index.isValid() || flags == QItemSelectionModel::NoUpdate)
        return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

} // namespace platform

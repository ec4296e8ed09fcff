#include "main_window/selection_list.h"

#include "platform/widgets/entry_pick.h"
#include "platform/widgets/focus_frame.h"

#include <QKeyEvent>

SelectionList::SelectionList(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, &SelectionList::entryClicked);
    // A screen reader's pick highlights the entry and clicks it.
    connect(new platform::EntryPickModel(this), &platform::EntryPickModel::picked, this,
            &SelectionList::entryClicked);
}

void SelectionList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    // Space picks the entry the focus stands on (the only entry of a list
    // of one cannot be reached by moving).
    const bool space = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
    if (currentRow() >= 0 && (currentRow() != before || space))
        Q_EMIT entryClicked();
}

void SelectionList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    platform::paintFocusWithoutEntry(this);
}

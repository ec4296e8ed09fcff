#include "main_window/selection_list.h"

SelectionList::SelectionList(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, &SelectionList::entryClicked);
}

void SelectionList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() >= 0 && currentRow() != before)
        Q_EMIT entryClicked();
}

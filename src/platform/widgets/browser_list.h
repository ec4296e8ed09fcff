#pragma once

#include <QListWidget>

namespace platform {

// The list of a folder or file browser. At most one entry is highlighted,
// and a click beside the entries or with Ctrl held does not take the
// highlight away. A click on an entry, a key that moves the highlight to
// another entry, Space on the highlighted entry, or a screen reader's pick
// of an entry (which highlights it) emits clicked().
class BrowserList : public QListWidget {
    Q_OBJECT
public:
    explicit BrowserList(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    // The highlighted row, -1 when none: what a key must move for clicked().
    virtual int highlightedRow() const { return currentRow(); }

    void keyPressEvent(QKeyEvent* event) override;
    // An empty list with the focus is framed, so the focus stays visible.
    void paintEvent(QPaintEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
};

} // namespace platform

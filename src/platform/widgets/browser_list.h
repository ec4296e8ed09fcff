#pragma once

#include <QListWidget>

namespace platform {

// A list of one highlighted entry at most: a browser's folders or files, or
// a selection list. A click beside the entries or with Ctrl held does not
// take the highlight away, since what a Remove button removes is the entry
// the user sees highlighted. clicked() comes from the user alone: a click
// on an entry, a key that moves the highlight to another entry, Space on
// the highlighted entry, or a screen reader's pick of an entry (which
// highlights it). Entries the program adds or removes never raise it, even
// when the highlight moves.
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

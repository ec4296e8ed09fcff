#pragma once

#include <QListWidget>

// A list box whose click event comes from the user alone: a mouse click on
// an entry, a key that moves the highlight to another entry, Space on the
// entry that has the focus, or a screen reader's pick of an entry (which
// highlights it). Entries the program adds or removes never raise it, even
// when the highlight moves.
class SelectionList : public QListWidget {
    Q_OBJECT
public:
    explicit SelectionList(QWidget* parent = nullptr);

Q_SIGNALS:
    void entryClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // An empty list with the focus is framed, so the focus stays visible.
    void paintEvent(QPaintEvent* event) override;
};

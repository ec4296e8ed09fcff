#pragma once

#include <QPushButton>

// A command button whose caption wraps onto a second line when it is too
// wide for one, as a tall, narrow button ("Remove Selected") needs. The
// caption stays one text: text() is what the button says, line break or not.
// Enter and Space both press the button that has the focus.
class CaptionButton : public QPushButton {
    Q_OBJECT
public:
    explicit CaptionButton(const QString& caption, QWidget* parent = nullptr);

    // The room the caption has inside the button's bevel.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

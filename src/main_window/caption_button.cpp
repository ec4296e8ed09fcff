#include "main_window/caption_button.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

CaptionButton::CaptionButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    // The main window has no default button: Enter presses the button that
    // has the focus and nothing else (keyPressEvent).
    setAutoDefault(false);
    setDefault(false);
}

QRect CaptionButton::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

void CaptionButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.drawItemText(captionRect(), Qt::AlignCenter | Qt::TextWordWrap, option.palette,
                         isEnabled(), caption, QPalette::ButtonText);
}

void CaptionButton::keyPressEvent(QKeyEvent* event) {
    // A button that is not a dialog's default takes no Enter of its own;
    // here Enter presses it, as Space does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        animateClick();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

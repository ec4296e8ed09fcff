#include "main_window/caption_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

CaptionButton::CaptionButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    // The main window has no default button: Enter presses the button that
    // has the focus and nothing else.
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

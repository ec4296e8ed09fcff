#include "platform/widgets/focus_frame.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace platform {

void paintFocusWithoutEntry(QAbstractItemView* view) {
    if (!view->hasFocus() || view->currentIndex().isValid())
        return;
    QStyleOptionFocusRect option;
    option.initFrom(view);
    option.rect = view->viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = view->palette().color(QPalette::Base);
    QPainter painter(view->viewport());
    view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, view);
}

} // namespace platform

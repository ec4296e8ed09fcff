#include "copy_run/form_layout.h"

#include <QDialog>
#include <QPushButton>

namespace copy_run {

void buildWindow(QDialog* window, const char* name, const char* title,
                 platform::TwipsRect clientArea, std::span<const platform::form::Control> table) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(QString::fromUtf8(title));
    window->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    window->setFixedSize(platform::toPixels(clientArea).size());
    platform::form::build(window, table);
}

void orderButtons(std::initializer_list<QPushButton*> buttons, bool autoDefault) {
    QPushButton* previous = nullptr;
    for (QPushButton* b : buttons) {
        b->setAutoDefault(autoDefault);
        b->setDefault(false);
        if (previous)
            QWidget::setTabOrder(previous, b);
        previous = b;
    }
    if (buttons.size() > 0)
        (*buttons.begin())->setFocus();
}

} // namespace copy_run

#include "copy_run/form_layout.h"

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace copy_run {

namespace {

QWidget* makeControl(const ControlPlace& c, QWidget* parent) {
    const QString text = c.text ? QString::fromUtf8(c.text) : QString::fromLatin1(c.name);
    switch (c.kind) {
    case Kind::Frame:
        return new QGroupBox(text, parent);
    case Kind::Label:
    case Kind::WrapLabel: {
        auto* label = new QLabel(parent);
        // File names are shown as they are: never read as markup.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(c.kind == Kind::WrapLabel);
        label->setText(text);
        return label;
    }
    case Kind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case Kind::Button:
        return new QPushButton(text, parent);
    case Kind::HiddenText:
        return new QLineEdit(text, parent);
    case Kind::HiddenCheck:
        return new QCheckBox(text, parent);
    case Kind::Image: {
        auto* image = new QLabel(parent);
        image->setAlignment(Qt::AlignCenter);
        return image;
    }
    case Kind::Line: {
        auto* line = new QFrame(parent);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    }
    }
    return nullptr;
}

} // namespace

void buildForm(QWidget* form, std::span<const ControlPlace> table) {
    for (const ControlPlace& c : table) {
        QWidget* parent = form;
        if (c.container)
            if (auto* frame = form->findChild<QGroupBox*>(QString::fromLatin1(c.container)))
                parent = frame;
        QWidget* w = makeControl(c, parent);
        w->setObjectName(QString::fromLatin1(c.name));
        if (c.kind == Kind::Line) {
            // A sunken line two pixels high, centred on the line's place.
            const QPoint from = platform::toPixels(c.place.left, c.place.top);
            w->setGeometry(from.x(), from.y() - 1, platform::px(c.place.width), 2);
        } else {
            w->setGeometry(platform::toPixels(c.place));
        }
        if (!c.text)
            w->setAccessibleDescription(QString::fromLatin1(c.name));
        if (c.kind == Kind::HiddenText || c.kind == Kind::HiddenCheck)
            w->hide();
        if (c.kind != Kind::Button)
            w->setFocusPolicy(Qt::NoFocus);
    }
}

void buildWindow(QDialog* window, const char* name, const char* title,
                 platform::TwipsRect clientArea, std::span<const ControlPlace> table) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(QString::fromUtf8(title));
    window->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    window->setFixedSize(platform::toPixels(clientArea).size());
    buildForm(window, table);
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

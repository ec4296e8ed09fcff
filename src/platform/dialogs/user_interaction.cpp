#include "platform/dialogs/user_interaction.h"

#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

// A message box that, when locked, cannot be dismissed without choosing
// one of its buttons: QMessageBox would otherwise take Escape or the
// window's close control as "Abort" on an Abort/Retry/Ignore box.
class LockedMessageBox : public QMessageBox {
public:
    bool locked = false;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (locked && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        // A button's click closes the box through done(), which does not
        // come here; only the window frame and Escape do.
        if (locked) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

struct ButtonSet {
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton escape = QMessageBox::NoButton;
};

ButtonSet buttonSet(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return {{QMessageBox::Ok}, QMessageBox::Ok};
    case Buttons::OkCancel:
        return {{QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Cancel};
    case Buttons::AbortRetryIgnore:
        return {{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore},
                QMessageBox::NoButton};
    }
    return {{QMessageBox::Ok}, QMessageBox::Ok};
}

Answer answerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return Answer::Cancel;
    }
}

class RealUser : public UserInteraction {
public:
    Answer ask(const MessageBox& box) override {
        LockedMessageBox dialog;
        dialog.setWindowTitle(box.title);
        dialog.setText(box.prompt);
        dialog.setIcon(box.icon == Icon::Question ? QMessageBox::Question : QMessageBox::Warning);

        const ButtonSet set = buttonSet(box.buttons);
        QMessageBox::StandardButtons all;
        for (QMessageBox::StandardButton b : set.buttons)
            all |= b;
        dialog.setStandardButtons(all);
        const int position = qBound(1, box.defaultButton, int(set.buttons.size()));
        dialog.setDefaultButton(set.buttons.at(position - 1));
        if (set.escape != QMessageBox::NoButton) {
            dialog.setEscapeButton(set.escape);
        } else {
            dialog.locked = true;
            dialog.setWindowFlag(Qt::WindowCloseButtonHint, false);
        }

        dialog.exec();
        QAbstractButton* clicked = dialog.clickedButton();
        if (clicked == nullptr)
            return set.escape != QMessageBox::NoButton ? answerFor(set.escape) : Answer::Abort;
        return answerFor(dialog.standardButton(clicked));
    }

    void showModal(QDialog& window) override {
        window.setWindowModality(Qt::ApplicationModal);
        window.exec();
    }
};

RealUser g_realUser;
UserInteraction* g_current = nullptr;

} // namespace

UserInteraction& UserInteraction::current() {
    return g_current != nullptr ? *g_current : g_realUser;
}

void UserInteraction::install(UserInteraction* user) {
    g_current = user;
}

} // namespace platform

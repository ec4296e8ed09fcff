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

// A box's buttons in their order, with what each answers.
QList<Answer> answersOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return {Answer::Ok};
    case Buttons::OkCancel:
        return {Answer::Ok, Answer::Cancel};
    case Buttons::AbortRetryIgnore:
        return {Answer::Abort, Answer::Retry, Answer::Ignore};
    }
    return {Answer::Ok};
}

QPushButton* addButton(QMessageBox& dialog, Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return dialog.addButton(QMessageBox::Ok);
    case Answer::Cancel:
        return dialog.addButton(QMessageBox::Cancel);
    // The style orders a box's buttons by their roles (Abort rejects, Retry
    // and Ignore accept), each desktop its own way: one gave Retry, Ignore,
    // Abort. Buttons of one role that is never reversed keep the order
    // they were added in, whatever the style.
    case Answer::Abort:
        return dialog.addButton(QStringLiteral("Abort"), QMessageBox::ActionRole);
    case Answer::Retry:
        return dialog.addButton(QStringLiteral("Retry"), QMessageBox::ActionRole);
    case Answer::Ignore:
        return dialog.addButton(QStringLiteral("Ignore"), QMessageBox::ActionRole);
    }
    return nullptr;
}

class RealUser : public UserInteraction {
public:
    Answer ask(const MessageBox& box) override {
        LockedMessageBox dialog;
        dialog.setWindowTitle(box.title);
        dialog.setText(box.prompt);
        dialog.setIcon(box.icon == Icon::Question ? QMessageBox::Question : QMessageBox::Warning);

        const QList<Answer> answers = answersOf(box.buttons);
        QList<QPushButton*> buttons;
        for (Answer answer : answers)
            buttons << addButton(dialog, answer);
        const int position = qBound(1, box.defaultButton, int(buttons.size()));
        dialog.setDefaultButton(buttons.at(position - 1));
        // Escape and the close control answer Cancel where there is one (or
        // OK alone); a box without a safe way out can only be answered.
        const qsizetype cancel = answers.indexOf(Answer::Cancel);
        QPushButton* escape = cancel >= 0           ? buttons.at(cancel)
                              : answers.size() == 1 ? buttons.constFirst()
                                                    : nullptr;
        if (escape) {
            dialog.setEscapeButton(escape);
        } else {
            dialog.locked = true;
            dialog.setWindowFlag(Qt::WindowCloseButtonHint, false);
        }

        dialog.exec();
        const qsizetype clicked = buttons.indexOf(dialog.clickedButton());
        if (clicked >= 0)
            return answers.at(clicked);
        return escape ? answers.at(buttons.indexOf(escape)) : Answer::Abort;
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

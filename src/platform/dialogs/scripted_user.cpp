#include "platform/dialogs/scripted_user.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPointer>

namespace platform {

namespace {

bool hasButton(Buttons buttons, Answer answer) {
    switch (buttons) {
    case Buttons::Ok:
        return answer == Answer::Ok;
    case Buttons::OkCancel:
        return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::AbortRetryIgnore:
        return answer == Answer::Abort || answer == Answer::Retry || answer == Answer::Ignore;
    }
    return false;
}

// The answer that does the least: stop rather than go on.
Answer safestAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return Answer::Cancel;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    }
    return Answer::Ok;
}

QString describe(const MessageBox& box) {
    return box.title + QStringLiteral(": ") + box.prompt;
}

// Closes a window the way its frame's close control would, making sure it
// ends as a dialog (finished()) even if it ignores the close request.
void closeWindow(QPointer<QDialog> window) {
    if (!window)
        return;
    bool finished = false;
    const QMetaObject::Connection watch =
        QObject::connect(window, &QDialog::finished, [&finished] { finished = true; });
    window->close();
    if (window && !finished)
        window->reject();
    if (window) {
        QObject::disconnect(watch);
        window->hide();
    }
}

} // namespace

ScriptedUser::ScriptedUser() {
    UserInteraction::install(this);
}

ScriptedUser::~ScriptedUser() {
    if (&UserInteraction::current() == this)
        UserInteraction::install(nullptr);
}

void ScriptedUser::expectBox(Answer answer, std::optional<QString> prompt) {
    Step step;
    step.answer = answer;
    step.prompt = std::move(prompt);
    m_steps.append(std::move(step));
}

void ScriptedUser::expectWindow(const QString& objectName, std::function<void(QDialog&)> action) {
    Step step;
    step.isWindow = true;
    step.objectName = objectName;
    step.action = std::move(action);
    m_steps.append(std::move(step));
}

QStringList ScriptedUser::problems() const {
    QStringList out = m_failures;
    for (const Step& step : m_steps) {
        if (step.isWindow)
            out += QStringLiteral("window never shown: ") + step.objectName;
        else
            out += QStringLiteral("box never shown: ") + step.prompt.value_or(QStringLiteral("?"));
    }
    return out;
}

Answer ScriptedUser::ask(const MessageBox& box) {
    m_boxes.append(box);
    if (m_steps.isEmpty() || m_steps.first().isWindow) {
        m_failures += QStringLiteral("unexpected box: ") + describe(box);
        return safestAnswer(box.buttons);
    }
    const Step step = m_steps.takeFirst();
    if (step.prompt && *step.prompt != box.prompt)
        m_failures +=
            QStringLiteral("box said \"%1\", expected \"%2\"").arg(box.prompt, *step.prompt);
    if (!hasButton(box.buttons, step.answer)) {
        m_failures += QStringLiteral("answer not among the buttons of box: ") + describe(box);
        return safestAnswer(box.buttons);
    }
    return step.answer;
}

void ScriptedUser::showModal(QDialog& window) {
    const QString name = window.objectName();
    m_windows.append(name);
    QPointer<QDialog> guard(&window);

    // As QDialog::exec() does: a window that deletes itself on close is
    // deleted only when the modal show ends, so the action may close it and
    // the caller sees the same lifetime as with a real user.
    const bool deleteOnClose = window.testAttribute(Qt::WA_DeleteOnClose);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    const auto end = [&guard, deleteOnClose] {
        if (guard && deleteOnClose)
            delete guard.data();
    };

    if (m_steps.isEmpty() || !m_steps.first().isWindow || m_steps.first().objectName != name) {
        m_failures += QStringLiteral("unexpected window: ") + name;
        closeWindow(guard);
        end();
        return;
    }
    const Step step = m_steps.takeFirst();

    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    QCoreApplication::processEvents();

    if (guard && step.action)
        step.action(*guard);

    if (guard && guard->isVisible()) {
        m_failures += QStringLiteral("window left open: ") + name;
        closeWindow(guard);
    }
    end();
}

} // namespace platform

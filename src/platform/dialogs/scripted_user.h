#pragma once

#include "platform/dialogs/user_interaction.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

// A user for tests and benchmarks: answers message boxes and acts in modal
// windows from a queue of expected steps, and records everything shown.
//
// A box or window that the queue does not expect is never shown and never
// waits: it is recorded as unexpected (failures()), answered with the
// safest button (Cancel, else Abort, else OK) or closed at once, so a
// test fails instead of hanging. Install it for the life of a test:
//     ScriptedUser user;  // installs itself, uninstalls in its destructor
class ScriptedUser : public UserInteraction {
public:
    ScriptedUser();
    ~ScriptedUser() override;

    // Expect a message box and answer it. An optional prompt checks what it said.
    void expectBox(Answer answer, std::optional<QString> prompt = std::nullopt);

    // Expect a modal window (by objectName) and act in it while it is open;
    // the action may click its buttons (and so open nested boxes and
    // windows, answered from the same queue). A window still open after the
    // action is recorded as a failure and closed.
    void expectWindow(const QString& objectName, std::function<void(QDialog&)> action);

    // Every box shown, in order.
    const QList<MessageBox>& boxes() const { return m_boxes; }
    // Titles (objectNames) of every modal window shown, in order.
    const QStringList& windows() const { return m_windows; }
    // What went against the script: unexpected boxes or windows, prompts
    // that differed, windows left open. Empty when all went as scripted.
    const QStringList& failures() const { return m_failures; }
    // Steps still queued (expected but never shown).
    int pending() const { return int(m_steps.size()); }

    // failures() and the unused steps, for a test's cleanup: empty when
    // everything went as scripted.
    QStringList problems() const;

    Answer ask(const MessageBox& box) override;
    void showModal(QDialog& window) override;

private:
    struct Step {
        bool isWindow = false;
        Answer answer = Answer::Ok;
        std::optional<QString> prompt;
        QString objectName;
        std::function<void(QDialog&)> action;
    };
    QList<Step> m_steps;
    QList<MessageBox> m_boxes;
    QStringList m_windows;
    QStringList m_failures;
};

} // namespace platform

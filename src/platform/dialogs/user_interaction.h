#pragma once

#include <QString>

class QDialog;

namespace platform {

// The message boxes the program asks with.
enum class Buttons { Ok, OkCancel, AbortRetryIgnore };
enum class Icon { Exclamation, Question };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore };

struct MessageBox {
    QString prompt;
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Exclamation;
    int defaultButton = 1; // 1-based position among the buttons
};

// The one seam through which the program shows message boxes and its own
// modal windows. The program talks to the real user through real modal Qt
// windows; tests install a scripted user (ScriptedUser) that answers from a
// queue and records what was shown.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // Shows a modal message box and returns the button pressed. Escape or
    // closing the box returns Cancel where the box has a Cancel button.
    // Abort, Retry and Ignore stand in this order from left to right,
    // whatever the style.
    virtual Answer ask(const MessageBox& box) = 0;

    // Shows the window modally, with no owner; returns once it has closed.
    virtual void showModal(QDialog& window) = 0;

    // The current user: the real one unless a test installed another.
    static UserInteraction& current();
    // Installs a user (not owned); nullptr goes back to the real one.
    static void install(UserInteraction* user);
};

// Convenience for callers.
inline Answer ask(const MessageBox& box)
{
    return UserInteraction::current().ask(box);
}
inline void showModal(QDialog& window)
{
    UserInteraction::current().showModal(window);
}

} // namespace platform

#pragma once

#include <QObject>

#include <functional>

// Keeping the windows answered during long work on the user-interface
// thread: they repaint when exposed, and the window manager's ping and the
// accessibility bus get their answers, while the user's input waits.
namespace platform::events {

// While it lives, input events sent or posted straight to objects are
// dropped, as a click on a window beneath a modal one is. Input from the
// window system is held back by serving the loop without user input.
class InputHold : public QObject {
public:
    InputHold();
    ~InputHold() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Told held(true) as the first InputHold begins and held(false) as the
// last one ends: what else must wait while the windows are served without
// input (the main window's handlers, which a screen reader's press still
// reaches) holds itself there. One observer; empty: none.
void setHoldObserver(std::function<void(bool held)> observer);

// Serves the event loop, user input excepted (it waits in its queue until
// the loop is next served in full), if a frame has passed since this last
// did. Timers, posted calls and deferred deletions of other objects run:
// the caller must be safe against them (its window closed under it, say).
void serveSoon();
// How long until serveSoon() serves again, in milliseconds; 0: at once.
int msUntilServed();

} // namespace platform::events

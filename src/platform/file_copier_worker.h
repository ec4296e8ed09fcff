#pragma once

#include "file_copier_bytes.h"

#include <functional>

// The worker hand-off: the bytes of a large file move on a thread of their
// own while the calling (user-interface) thread waits in an event loop, so
// the windows repaint and the window manager and the accessibility bus get
// their answers.
//
// The wait takes no user input: input from the window system waits in its
// queue until the run is over, as it would during a run that held the
// thread, and input events sent or posted to any object meanwhile are
// dropped, as a click on a window beneath a modal one is. Timers, posted
// calls and deferred deletions of other objects do run: the caller must be
// safe against them (its windows closed under it, say).
//
// The worker is given the descriptors and plain values of one MoveJob and
// nothing else; the result comes back as the same value moveBytes() gives.
// Without an application object, or off its thread, the bytes move here.
namespace platform::copier {

MoveResult moveAside(const MoveJob& job);

// Tests: called on the worker thread before it moves the bytes (to hold it
// back until the test has seen what it wants). Empty: none.
void setWorkerHook(std::function<void()> hook);

} // namespace platform::copier

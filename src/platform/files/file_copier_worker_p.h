#pragma once

#include <functional>

// The worker hand-off: work that can outlast a display frame (a large
// file's copy, from its bytes to its name; a sync of the volumes written)
// runs on a thread of its own while the calling (user-interface) thread
// waits in an event loop, so the windows repaint and the window manager and
// the accessibility bus get their answers. beforeWait (may be empty) runs
// on the calling thread just before the wait: the caller paints there what
// the windows are to show meanwhile.
//
// The wait takes no user input: input from the window system waits in its
// queue until the run is over, as it would during a run that held the
// thread, and input events sent or posted to any object meanwhile are
// dropped, as a click on a window beneath a modal one is. Timers, posted
// calls and deferred deletions of other objects do run: the caller must be
// safe against them (its windows closed under it, say).
//
// The work must touch only what the caller hands it (descriptors, values,
// objects of its own) and nothing the waiting thread's events can reach;
// what it finds comes back through those once it has ended. Without an
// application object, or off its thread, the work runs here.
namespace platform::copier {

void runAside(const std::function<void()>& work, const std::function<void()>& beforeWait);

// Tests: called on the worker thread before each piece of work (to hold it
// back until the test has seen what it wants). Empty: none.
void setWorkerHook(std::function<void()> hook);

} // namespace platform::copier

#pragma once

#include <functional>
#include <optional>
#include <utility>

// Work that can outlast a display frame, or wait without end (a large
// file's copy; a sync; a folder on a network share whose server has
// stopped answering), runs on a thread of its own while the calling
// user-interface thread waits in an event loop: the windows repaint, and
// the window manager and the accessibility bus get their answers.
// beforeWait (may be empty) runs on the calling thread just before the
// wait: the caller paints there what the windows are to show meanwhile.
// Work that ends before the windows are due to be served again (within a
// frame of their last serving, events::serveSoon()) is waited for without
// it, and without serving them.
//
// The wait takes no user input: input from the window system waits in its
// queue until the work has ended, and input events sent or posted to any
// object meanwhile are dropped, as a click on a window beneath a modal one
// is. Timers, posted calls and deferred deletions of other objects do run:
// the caller must be safe against them (its windows closed under it, say).
//
// The work must touch only what the caller hands it (descriptors, values,
// objects of its own) and nothing the waiting thread's events can reach
// (no widget, not the drive table); what it finds comes back through those
// once it has ended. A thread costs some 50 microseconds: hand over many
// small pieces of work in one batch. Without an application object, or off
// its thread, the work runs here.
namespace platform::aside {

void run(const std::function<void()>& work, const std::function<void()>& beforeWait = {});

// run() for work with a result.
template <typename Work> auto call(Work work) -> decltype(work()) {
    std::optional<decltype(work())> result;
    run([&] { result.emplace(work()); });
    return std::move(*result);
}

// Tests: called on the worker thread before each piece of work (to hold it
// back until the test has seen what it wants). Empty: none.
void setWorkerHook(std::function<void()> hook);

} // namespace platform::aside

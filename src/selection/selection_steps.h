#pragma once

#include <functional>

class QListWidget;
class SelectionState;

namespace platform {
class DriveSelector;
class FolderBrowser;
} // namespace platform

// Steps the file and the folder handlers take alike.
namespace selection_steps {

// While it lives, the main window's handlers wait as during a copy run, and
// run after it in order: a handler that browses a volume serves the windows
// while it waits for it (a share whose server does not answer), and what a
// screen reader presses then must not act in the middle of it.
class HandlersHeld {
public:
    explicit HandlersHeld(SelectionState& state);
    ~HandlersHeld();
    HandlersHeld(const HandlersHeld&) = delete;
    HandlersHeld& operator=(const HandlersHeld&) = delete;

private:
    SelectionState& m_state;
    bool m_was;
};

// Shows the drive chosen in drive in dir. When that drive is not ready,
// says so and puts drive back on dir's drive.
void changeDrive(platform::DriveSelector* drive, platform::FolderBrowser* dir);

// Takes the highlighted entry of a selection list out through remove(row),
// then leaves nothing highlighted there: the next removal needs a new
// click. False, removing nothing, when no entry is highlighted.
bool removeHighlighted(QListWidget* list, const std::function<void(int row)>& remove);

} // namespace selection_steps

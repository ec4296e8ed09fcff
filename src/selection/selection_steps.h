#pragma once

#include <functional>

class QListWidget;

namespace platform {
class DriveSelector;
class FolderBrowser;
} // namespace platform

// Steps the file and the folder handlers take alike.
namespace selection_steps {

// Shows the drive chosen in drive in dir. When that drive is not ready,
// says so and puts drive back on dir's drive.
void changeDrive(platform::DriveSelector* drive, platform::FolderBrowser* dir);

// Takes the highlighted entry of a selection list out through remove(row),
// then leaves nothing highlighted there: the next removal needs a new
// click. False, removing nothing, when no entry is highlighted.
bool removeHighlighted(QListWidget* list, const std::function<void(int row)>& remove);

} // namespace selection_steps

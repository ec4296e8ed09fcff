#include "selection/selection_steps.h"

#include "platform/widgets/drive_selector.h"
#include "platform/widgets/folder_browser.h"
#include "selection/selection_messages.h"
#include "selection/selection_state.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace selection_steps {

HandlersHeld::HandlersHeld(SelectionState& state)
    : m_state(state)
    , m_was(state.runOn()) {
    m_state.setRunOn(true);
}

HandlersHeld::~HandlersHeld() {
    m_state.setRunOn(m_was);
}

void changeDrive(platform::DriveSelector* drive, platform::FolderBrowser* dir) {
    if (dir->setDrive(drive->drive()).ok())
        return;
    selection_messages::driveNotReady();
    // Choosing dir's drive may run the change handler again (at once or
    // later); that drive is ready, so the repeat succeeds and ends there.
    drive->setDriveOf(dir->path());
}

bool removeHighlighted(QListWidget* list, const std::function<void(int row)>& remove) {
    const int row = list->currentRow();
    if (row < 0 || row >= list->count())
        return false;
    remove(row);
    const QSignalBlocker quiet(list);
    list->setCurrentRow(-1);
    return true;
}

} // namespace selection_steps

#pragma once

#include "platform/fs_error.h"

class QCheckBox;
class QString;
class SelectionState;

namespace platform {
class DriveSelector;
class FolderBrowser;
class FileBrowser;
} // namespace platform

// The handlers of the "Copy File(s)" tab: browsing drives and folders,
// adding the files of File1 to the selection and removing them again.
// The main window connects its controls' events to these.
class FileSelection {
public:
    struct Controls {
        platform::DriveSelector* drive1;
        platform::FolderBrowser* dir1;
        platform::FileBrowser* file1;
        QCheckBox* hidChkBox;
        QCheckBox* sysChkBox;
    };

    FileSelection(SelectionState& state, const Controls& controls);

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void AllFileBtn_Click();
    void SelFileList_Click();
    void RemFileBtn_Click();
    void ClrFileBtn_Click();
    void HidChkBox_Click();
    void SysChkBox_Click();

    enum class Pick { Added, Duplicate, Full, Unreadable };
    // One file added as a click in File1 adds it: the buttons, the
    // duplicate box, the count, the total and the indicators. Also the way
    // a file dropped on the window comes in.
    Pick pickFile(const QString& sourcePath);

private:
    enum class AddOutcome { Added, Full, Unreadable };
    // Counts the file in with its length as just read; refuses it when the
    // count is at its limit or the file could not be read (any more).
    AddOutcome addFile(const QString& sourcePath, const QString& bareName,
                       const platform::Result<qint64>& length);
    void showFilesGone();

    SelectionState& m_state;
    Controls m_c;
};

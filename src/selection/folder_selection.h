#pragma once

#include <QString>

class QCheckBox;
class SelectionState;

namespace platform {
class DriveSelector;
class FolderBrowser;
} // namespace platform

// The handlers of the "To Folder(s)" tab: browsing drives and folders and
// adding target folders (with "Add Folder" or a Speed Select click).
// The main window connects its controls' events to these.
class FolderSelection {
public:
    struct Controls {
        platform::DriveSelector* drive2;
        platform::FolderBrowser* dir2;
        QCheckBox* ssChkBox;
    };

    FolderSelection(SelectionState& state, const Controls& controls);

    void Drive2_Change();
    void Dir2_Click();
    void DirSelBtn_Click();
    void SSChkBox_Click();
    void SelDirList_Click();
    void RemDirBtn_Click();
    void ClrDirBtn_Click();

    // The SelDirList entry of a folder path: "C:\DATA" -> "C:\DATA\",
    // a drive root "C:\" unchanged.
    static QString folderEntry(const QString& folderPath);

    enum class Pick { Added, Duplicate, Full };
    // One folder added as "Add Folder" adds it: the buttons, the duplicate
    // box, the count and the indicator. Also the way a folder dropped on
    // the window comes in.
    Pick pickFolder(const QString& folderPath);

private:
    SelectionState& m_state;
    Controls m_c;
};

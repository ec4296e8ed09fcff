#pragma once

#include "selection/file_selection.h"
#include "selection/folder_selection.h"
#include "selection/selection_state.h"

#include <QString>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace platform {
class DriveSelector;
class FileBrowser;
class FolderBrowser;
class PanelStatusBar;
} // namespace platform

namespace bench {

// The controls of the selection and the real handlers working on them,
// wired as the main window wires them, without the rest of the main
// window: what the copy run and "Select All" are measured with.
class SelectionRig : public QWidget {
public:
    SelectionRig();
    ~SelectionRig() override;

    SelectionState& state() { return *m_state; }
    FileSelection& fileSelection() { return *m_fileSelection; }
    FolderSelection& folderSelection() { return *m_folderSelection; }

    // Points Drive1, Dir1 and so File1 at a folder (drive-letter path), as a
    // user does by choosing the drive and opening the folder.
    void showSourceFolder(const QString& folder);
    // "Select All" through its button.
    void selectAllFiles();
    // Highlights a folder in Dir2 and presses "Add Folder".
    void addTargetFolder(const QString& folder);
    // "Don't Confirm Overwrites".
    void setDontConfirmOverwrites(bool on);

    platform::FileBrowser* file1() const { return m_file1; }

private:
    QListWidget* m_selFileList;
    QListWidget* m_filenameList;
    QListWidget* m_selDirList;
    QPushButton* m_allFileBtn;
    QPushButton* m_dirSelBtn;
    QCheckBox* m_check1;
    platform::DriveSelector* m_drive1;
    platform::FolderBrowser* m_dir1;
    platform::FileBrowser* m_file1;
    platform::DriveSelector* m_drive2;
    platform::FolderBrowser* m_dir2;
    std::unique_ptr<SelectionState> m_state;
    std::unique_ptr<FileSelection> m_fileSelection;
    std::unique_ptr<FolderSelection> m_folderSelection;
};

} // namespace bench

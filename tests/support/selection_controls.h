#pragma once

#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/panel_status_bar.h"
#include "selection/file_selection.h"
#include "selection/folder_selection.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

// The main window's selection controls without the main window: both tabs'
// browsers, the lists, the six buttons and the indicators, with the state
// and the handlers wired as the main window wires them. What the selection
// handlers work on, what the copy run reads and what closing its window
// resets. Make it after the drive table: the drive selectors read it.
struct SelectionControls {
    QWidget window;
    platform::DriveSelector* drive1 = new platform::DriveSelector(&window);
    platform::FolderBrowser* dir1 = new platform::FolderBrowser(&window);
    platform::FileBrowser* file1 = new platform::FileBrowser(&window);
    platform::DriveSelector* drive2 = new platform::DriveSelector(&window);
    platform::FolderBrowser* dir2 = new platform::FolderBrowser(&window);
    QListWidget* selFileList = new QListWidget(&window);
    QListWidget* filenameList = new QListWidget(&window);
    QListWidget* selDirList = new QListWidget(&window);
    QPushButton* remFileBtn = new QPushButton(&window);
    QPushButton* clrFileBtn = new QPushButton(&window);
    QPushButton* remDirBtn = new QPushButton(&window);
    QPushButton* clrDirBtn = new QPushButton(&window);
    QPushButton* copyBtn1 = new QPushButton(&window);
    QPushButton* copyBtn2 = new QPushButton(&window);
    QLabel* label2 = new QLabel(&window);
    platform::PanelStatusBar* statusBar = new platform::PanelStatusBar({100, 100, 60, 60}, &window);
    QCheckBox* hidChkBox = new QCheckBox(&window);
    QCheckBox* sysChkBox = new QCheckBox(&window);
    QCheckBox* ssChkBox = new QCheckBox(QStringLiteral("OFF"), &window);
    QCheckBox* check1 = new QCheckBox(&window); // "Don't Confirm Overwrites"

    SelectionState state{{selFileList, filenameList, selDirList, remFileBtn, clrFileBtn, remDirBtn,
                          clrDirBtn, copyBtn1, copyBtn2, label2, statusBar, check1}};
    FileSelection files{state, {drive1, dir1, file1, hidChkBox, sysChkBox}};
    FolderSelection folders{state, {drive2, dir2, ssChkBox}};
    // How often the selection was reset (each reset empties SelFileList).
    int resets = 0;

    // Queued: the browsers' change events run after the handler that
    // raised them instead of inside it.
    explicit SelectionControls(Qt::ConnectionType changes = Qt::DirectConnection);

    // Runs the change events still queued.
    static void settle();
    // Dir1 opens a folder; File1 follows through Dir1_Change.
    bool open1(const QString& folder);
    // The user clicks a file of File1 by name / an entry of SelFileList or SelDirList.
    bool clickFile(const QString& name);
    void clickSelFile(int row);
    void clickSelDir(int row);
    // Highlights the entry of Dir2 whose full path is `path`; false when none.
    bool highlight2(const QString& path);

    // Selects files by source path ("C:\src\a.txt") and folder entries
    // ("D:\f1\") directly, as the handlers would, without the browsers.
    void select(const QStringList& files, const QStringList& folders);
    // Nothing selected, every indicator at zero, Copy disabled, and what
    // select() added is no longer taken for a duplicate.
    bool isEmpty() const;

    static QStringList entries(const QListWidget* list);
    QStringList listed() const; // the files File1 lists now
    QString filePanel() const { return statusBar->panelText(1); }
    QString folderPanel() const { return statusBar->panelText(2); }
    QString total() const { return label2->text(); }
    // The enabled state of the six buttons as 0/1 digits:
    // RemFileBtn ClrFileBtn RemDirBtn ClrDirBtn CopyBtn1 CopyBtn2.
    QString buttons() const;

private:
    QStringList m_selected;
};

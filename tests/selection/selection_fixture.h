#pragma once

#include "platform/drive_selector.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"
#include "platform/formats.h"
#include "platform/panel_status_bar.h"
#include "selection/file_selection.h"
#include "selection/folder_selection.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

#include <memory>

// The controls of both selection tabs with the state and the handlers,
// wired the way the main window wires them. Build it after the drive table
// is in place: the drive selectors read it when they are made.
struct SelectionUi {
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
    QCheckBox* check1 = new QCheckBox(&window);

    SelectionState state{{selFileList, filenameList, selDirList, remFileBtn, clrFileBtn, remDirBtn,
                          clrDirBtn, copyBtn1, copyBtn2, label2, statusBar, check1}};
    FileSelection files{state, {drive1, dir1, file1, hidChkBox, sysChkBox}};
    FolderSelection folders{state, {drive2, dir2, ssChkBox}};

    // Queued: the change events run after the handler that raised them
    // instead of inside it.
    explicit SelectionUi(Qt::ConnectionType changes = Qt::DirectConnection) {
        QObject::connect(
            drive1, &platform::DriveSelector::changed, &window, [this] { files.Drive1_Change(); },
            changes);
        QObject::connect(
            dir1, &platform::FolderBrowser::changed, &window, [this] { files.Dir1_Change(); },
            changes);
        QObject::connect(
            drive2, &platform::DriveSelector::changed, &window, [this] { folders.Drive2_Change(); },
            changes);
        state.load();
    }

    // Runs the change events still queued.
    static void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::sendPostedEvents();
    }

    // Dir1 opens a folder; File1 follows through Dir1_Change.
    bool open1(const QString& folder) {
        const bool opened = dir1->setPath(folder).ok();
        settle();
        return opened;
    }

    // The user clicks a file of File1 by name.
    bool clickFile(const QString& name) {
        if (!highlight(file1, [&] { return file1->highlightedName() == name; }))
            return false;
        files.File1_Click();
        return true;
    }
    // The user clicks an entry of SelFileList / SelDirList.
    void clickSelFile(int row) {
        selFileList->setCurrentRow(row);
        files.SelFileList_Click();
    }
    void clickSelDir(int row) {
        selDirList->setCurrentRow(row);
        folders.SelDirList_Click();
    }
    // Highlights the entry of Dir2 whose full path is `path`; false when none.
    bool highlight2(const QString& path) {
        return highlight(dir2, [&] { return dir2->highlightedPath() == path; });
    }

    static QStringList entries(const QListWidget* list) {
        QStringList all;
        for (int i = 0; i < list->count(); ++i)
            all << list->item(i)->text();
        return all;
    }
    // The files File1 lists now.
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < file1->fileCount(); ++i)
            names << file1->fileName(i);
        return names;
    }
    QString filePanel() const { return statusBar->panelText(1); }
    QString folderPanel() const { return statusBar->panelText(2); }
    QString total() const { return label2->text(); }

    // The enabled state of the six selection buttons as six 0/1 digits:
    // RemFileBtn ClrFileBtn RemDirBtn ClrDirBtn CopyBtn1 CopyBtn2.
    QString buttons() const {
        QString s;
        for (const QPushButton* b :
             {remFileBtn, clrFileBtn, remDirBtn, clrDirBtn, copyBtn1, copyBtn2})
            s += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

private:
    // Moves the highlight, row by row, until the predicate holds; without
    // a click event: the tests call the handler themselves.
    template <typename Holds> static bool highlight(QListWidget* list, Holds holds) {
        const QSignalBlocker quiet(list);
        for (int row = 0; row < list->count(); ++row) {
            list->setCurrentRow(row);
            if (holds())
                return true;
        }
        return false;
    }
};

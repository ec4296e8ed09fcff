#include "selection_controls.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QSignalBlocker>

namespace {

// Moves the highlight row by row until the predicate holds, without a
// click event: the tests call the handler themselves.
template <typename Holds> bool highlight(QListWidget* list, Holds holds) {
    const QSignalBlocker quiet(list);
    for (int row = 0; row < list->count(); ++row) {
        list->setCurrentRow(row);
        if (holds())
            return true;
    }
    return false;
}

} // namespace

SelectionControls::SelectionControls(Qt::ConnectionType changes) {
    const auto on = [&](auto* sender, auto signal, auto handler) {
        QObject::connect(sender, signal, &window, handler, changes);
    };
    on(drive1, &platform::DriveSelector::changed, [this] { files.Drive1_Change(); });
    on(dir1, &platform::FolderBrowser::changed, [this] { files.Dir1_Change(); });
    on(drive2, &platform::DriveSelector::changed, [this] { folders.Drive2_Change(); });
    QObject::connect(selFileList->model(), &QAbstractItemModel::modelReset, &window,
                     [this] { ++resets; });
    state.load();
}

void SelectionControls::settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::sendPostedEvents();
}

bool SelectionControls::open1(const QString& folder) {
    const bool opened = dir1->setPath(folder).ok();
    settle();
    return opened;
}

bool SelectionControls::clickFile(const QString& name) {
    if (!highlight(file1, [&] { return file1->highlightedName() == name; }))
        return false;
    files.File1_Click();
    return true;
}

void SelectionControls::clickSelFile(int row) {
    selFileList->setCurrentRow(row);
    files.SelFileList_Click();
}

void SelectionControls::clickSelDir(int row) {
    selDirList->setCurrentRow(row);
    folders.SelDirList_Click();
}

bool SelectionControls::highlight2(const QString& path) {
    return highlight(dir2, [&] { return dir2->highlightedPath() == path; });
}

void SelectionControls::select(const QStringList& files, const QStringList& folders) {
    for (const QString& f : files)
        state.appendFile(f, f.mid(f.lastIndexOf(QLatin1Char('\\')) + 1), 0);
    for (const QString& d : folders)
        state.appendFolder(d);
    state.applyCopyButtonRule();
    m_selected << files << folders;
}

bool SelectionControls::isEmpty() const {
    for (const QString& s : m_selected)
        if (state.containsFile(s) || state.containsFolder(s))
            return false;
    return selFileList->count() == 0 && filenameList->count() == 0 && selDirList->count() == 0 &&
           state.fileCount() == 0 && state.folderCount() == 0 && state.totalBytes() == 0 &&
           buttons() == QLatin1String("000000") &&
           filePanel() == QLatin1String(" 0 File(s) Selected") &&
           folderPanel() == QLatin1String(" 0 Folder(s) Selected") && total() == QLatin1String("0");
}

QStringList SelectionControls::entries(const QListWidget* list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all << list->item(i)->text();
    return all;
}

QStringList SelectionControls::listed() const {
    QStringList names;
    for (int i = 0; i < file1->fileCount(); ++i)
        names << file1->fileName(i);
    return names;
}

QString SelectionControls::buttons() const {
    QString s;
    for (const QPushButton* b : {remFileBtn, clrFileBtn, remDirBtn, clrDirBtn, copyBtn1, copyBtn2})
        s += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

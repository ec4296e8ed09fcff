#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace platform {
class PanelStatusBar;
}

// What a copy run copies and where: the three list controls (which are the
// storage), the counters beside them, the indicators and the six buttons
// whose state follows the selection.
//
// Invariants kept by every operation:
//  1. SelFileList and FilenameList hold the same number of entries; entry i
//     of FilenameList is the bare name of the file at entry i of SelFileList.
//  2. No two SelFileList entries are equal (exact, case-sensitive).
//  3. No two SelDirList entries are equal (exact, case-sensitive).
//  4. No entry is empty.
//  5. fileCount() == entries of SelFileList; folderCount() == entries of SelDirList.
// Total bytes is the sum of the lengths recorded when each selected file was
// added (kept with its SelFileList entry), so it never goes wrong or
// negative when a file changes or vanishes afterwards.
class SelectionState {
public:
    struct Controls {
        QListWidget* selFileList;
        QListWidget* filenameList;
        QListWidget* selDirList;
        QPushButton* remFileBtn;
        QPushButton* clrFileBtn;
        QPushButton* remDirBtn;
        QPushButton* clrDirBtn;
        QPushButton* copyBtn1;
        QPushButton* copyBtn2;
        QLabel* totalLabel;                  // Label2 of the main window
        platform::PanelStatusBar* statusBar; // panels 1 and 2
        QCheckBox* dontConfirmOverwrites;    // Check1 of the main window, read by the copy run
    };

    static constexpr int MaxCount = 32767;

    explicit SelectionState(const Controls& controls);
    ~SelectionState();

    // The program's one selection, reachable by the copy-progress and
    // overwrite windows (the main window creates it). nullptr before.
    static SelectionState* shared();

    const Controls& controls() const { return m_c; }

    // ---- reading, by position (empty text past the end)
    QString selFile(int i) const;
    QString fileName(int i) const;
    QString selDir(int i) const;
    int selFileCount() const;
    int selDirCount() const;
    bool hasFiles() const { return !selFile(0).isEmpty(); }
    bool hasFolders() const { return !selDir(0).isEmpty(); }

    // ---- counters
    int fileCount() const { return m_fileCount; }
    qint64 totalBytes() const { return m_totalBytes; }
    int folderCount() const { return m_folderCount; }

    // ---- shared operations
    void refreshFileIndicators();
    void refreshFolderIndicator();
    void applyCopyButtonRule();
    void resetSelection();
    // The load handler's part: counters zero, indicators, six buttons disabled.
    void load();

    // ---- a copy run
    // While a run is on, the main window's handlers wait for its end: the
    // run lets the windows be served (a screen reader's press of a button
    // still comes in then), and nothing may change what it copies under it.
    bool runOn() const { return m_runOn; }
    void setRunOn(bool on); // off: what waited runs next from the event loop, in order
    void afterRun(std::function<void()> call);

    // ---- changes of the file side (the handlers decide the order of steps)
    // Whether an exact-equal SelFileList entry exists. Uses an index kept
    // in step with the list, so the test does not grow with the list.
    bool containsFile(const QString& sourcePath) const;
    enum class AddResult { Added, Full };
    // Appends sourcePath then bareName, counts the file and adds its length
    // (recorded with the entry, for the removal to subtract).
    // Refused (nothing changes) when the file count is at its limit.
    AddResult appendFile(const QString& sourcePath, const QString& bareName, qint64 length);
    // Takes position i out of both lists, subtracting the length recorded.
    void removeFileAt(int i);
    void clearFiles(); // both lists, counters to 0 (buttons: the handler's)

    // ---- changes of the folder side
    bool containsFolder(const QString& entry) const;
    AddResult appendFolder(const QString& entry);
    void removeFolderAt(int i);
    void clearFolders();

private:
    // The windows are served without input (a browser waits on a share, a
    // large copy runs): the handlers wait meanwhile, as during a run.
    void holdWhileServed(bool held);

    Controls m_c;
    int m_fileCount = 0;
    qint64 m_totalBytes = 0;
    int m_folderCount = 0;
    QSet<QString> m_fileIndex;   // the SelFileList entries
    QSet<QString> m_folderIndex; // the SelDirList entries
    bool m_runOn = false;
    bool m_runOnBeforeServed = false;
    std::vector<std::function<void()>> m_afterRun;
};

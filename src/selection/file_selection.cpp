#include "selection/file_selection.h"

#include "platform/drives/drive_path.h"
#include "platform/event_service.h"
#include "platform/files/file_system.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "selection/selection_messages.h"
#include "selection/selection_state.h"
#include "selection/selection_steps.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// Holds back the repaints of a list while many entries go in, so adding a
// whole folder costs one repaint instead of one per file.
class RepaintsHeld {
public:
    explicit RepaintsHeld(QWidget* w)
        : m_w(w)
        , m_was(w->updatesEnabled()) {
        m_w->setUpdatesEnabled(false);
    }
    ~RepaintsHeld() { m_w->setUpdatesEnabled(m_was); }
    RepaintsHeld(const RepaintsHeld&) = delete;
    RepaintsHeld& operator=(const RepaintsHeld&) = delete;

private:
    QWidget* m_w;
    bool m_was;
};

} // namespace

FileSelection::FileSelection(SelectionState& state, const Controls& controls)
    : m_state(state)
    , m_c(controls) {}

FileSelection::AddOutcome FileSelection::addFile(const QString& sourcePath, const QString& bareName,
                                                 const platform::Result<qint64>& length) {
    if (m_state.fileCount() >= SelectionState::MaxCount)
        return AddOutcome::Full;
    // A file can vanish (or turn unreadable) between being listed and being
    // picked; it is not selected then, so nothing is counted for it.
    if (!length.ok())
        return AddOutcome::Unreadable;
    return m_state.appendFile(sourcePath, bareName, length.value()) ==
                   SelectionState::AddResult::Added
               ? AddOutcome::Added
               : AddOutcome::Full;
}

void FileSelection::showFilesGone() {
    // Re-listing shows the user the file is gone. It is not a click, so
    // File1 must not report one while it rebuilds.
    {
        const QSignalBlocker quiet(m_c.file1);
        m_c.file1->reload();
    }
    // The Copy buttons may have been enabled for a file that never arrived.
    m_state.applyCopyButtonRule();
}

void FileSelection::Drive1_Change() {
    const selection_steps::HandlersHeld held(m_state);
    selection_steps::changeDrive(m_c.drive1, m_c.dir1);
}

void FileSelection::Dir1_Change() {
    const selection_steps::HandlersHeld held(m_state);
    if (m_c.file1->setPath(m_c.dir1->path()).ok())
        return;
    // Back to the folder File1 still lists. When Dir1 is there already
    // (this is the repeat raised by going back) there is nothing to undo,
    // and going back again would only loop.
    const QString listed = m_c.file1->path();
    if (!listed.isEmpty() && listed != m_c.dir1->path())
        m_c.dir1->setPath(listed);
}

void FileSelection::File1_Click() {
    const QString name = m_c.file1->highlightedName();
    if (name.isEmpty())
        return;
    const selection_steps::HandlersHeld held(m_state);
    pickFile(platform::drive_path::join(m_c.dir1->path(), name));
}

FileSelection::Pick FileSelection::pickFile(const QString& source) {
    const auto& s = m_state.controls();

    s.clrFileBtn->setEnabled(true);
    if (m_state.hasFolders()) {
        s.copyBtn1->setEnabled(true);
        s.copyBtn2->setEnabled(true);
    }

    if (m_state.containsFile(source)) {
        selection_messages::fileAlreadySelected();
        return Pick::Duplicate;
    }

    switch (addFile(source, platform::drive_path::nameOf(source),
                    platform::file_system::length(source))) {
    case AddOutcome::Added:
        m_state.refreshFileIndicators();
        return Pick::Added;
    case AddOutcome::Full:
        selection_messages::tooManyFiles();
        return Pick::Full;
    case AddOutcome::Unreadable:
        showFilesGone();
        break;
    }
    return Pick::Unreadable;
}

void FileSelection::AllFileBtn_Click() {
    const auto& s = m_state.controls();
    const int n = m_c.file1->fileCount();

    if (m_state.hasFolders() && n > 0) {
        s.copyBtn1->setEnabled(true);
        s.copyBtn2->setEnabled(true);
    }

    enum class Stop { None, Duplicate, Full };
    Stop stop = Stop::None;
    bool skipped = false;
    const QString folder = m_c.dir1->path();
    // Thousands of files take longer than a display frame: the windows are
    // served meanwhile, and what reaches a control then waits for the end,
    // as during a copy run; the end is after the box, which must not have
    // a handler run under it.
    const bool runWasOn = m_state.runOn();
    m_state.setRunOn(true);
    {
        // The first file considered enables ClrFileBtn before anything is
        // read, as each does in turn.
        if (n > 0)
            s.clrFileBtn->setEnabled(true);
        // The files up to the first one already selected, whose lengths are
        // read in one hand-off: a thread per file would cost more than the
        // reading, and on a share each read may wait on its server.
        QStringList names, sources;
        for (int i = 0; i < n; ++i) {
            const QString name = m_c.file1->fileName(i);
            const QString source = platform::drive_path::join(folder, name);
            if (m_state.containsFile(source))
                break;
            names << name;
            sources << source;
            platform::events::serveSoon();
        }
        const QList<platform::Result<qint64>> lengths = platform::file_system::lengths(sources);
        const RepaintsHeld held(s.selFileList);
        for (int i = 0; i < n && stop == Stop::None; ++i) {
            s.clrFileBtn->setEnabled(true);
            if (i == names.size()) {
                stop = Stop::Duplicate;
                break;
            }
            switch (addFile(sources.at(i), names.at(i), lengths.at(i))) {
            case AddOutcome::Added:
                break;
            case AddOutcome::Full:
                stop = Stop::Full;
                break;
            case AddOutcome::Unreadable:
                skipped = true;
                break;
            }
            platform::events::serveSoon();
        }
    }

    if (stop == Stop::Duplicate)
        selection_messages::fileAlreadySelected();
    else if (stop == Stop::Full)
        selection_messages::tooManyFiles();
    m_state.setRunOn(runWasOn);

    m_state.refreshFileIndicators();
    if (skipped)
        showFilesGone();
}

void FileSelection::SelFileList_Click() {
    m_state.controls().remFileBtn->setEnabled(true);
}

void FileSelection::RemFileBtn_Click() {
    const auto& s = m_state.controls();
    s.remFileBtn->setEnabled(false);

    if (!selection_steps::removeHighlighted(s.selFileList,
                                            [this](int row) { m_state.removeFileAt(row); }))
        return;

    if (!m_state.hasFiles()) {
        s.copyBtn1->setEnabled(false);
        s.copyBtn2->setEnabled(false);
    }
    m_state.refreshFileIndicators();
}

void FileSelection::ClrFileBtn_Click() {
    const auto& s = m_state.controls();
    m_state.clearFiles();
    s.clrFileBtn->setEnabled(false);
    s.copyBtn1->setEnabled(false);
    s.copyBtn2->setEnabled(false);
    s.remFileBtn->setEnabled(false);
    m_state.refreshFileIndicators();
}

void FileSelection::HidChkBox_Click() {
    const selection_steps::HandlersHeld held(m_state);
    m_c.file1->setShowHidden(m_c.hidChkBox->checkState() == Qt::Checked);
}

void FileSelection::SysChkBox_Click() {
    const selection_steps::HandlersHeld held(m_state);
    m_c.file1->setShowSystem(m_c.sysChkBox->checkState() == Qt::Checked);
}

#include "selection/folder_selection.h"

#include "platform/widgets/folder_browser.h"
#include "selection/selection_messages.h"
#include "selection/selection_state.h"
#include "selection/selection_steps.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

FolderSelection::FolderSelection(SelectionState& state, const Controls& controls)
    : m_state(state)
    , m_c(controls) {}

QString FolderSelection::folderEntry(const QString& folderPath) {
    // Every entry ends in exactly one "\": a drive root ("C:\") already does.
    return folderPath.size() > 3 ? folderPath + QLatin1Char('\\') : folderPath;
}

FolderSelection::Pick FolderSelection::pickFolder(const QString& path) {
    const auto& s = m_state.controls();

    s.clrDirBtn->setEnabled(true);
    if (m_state.hasFiles()) {
        s.copyBtn2->setEnabled(true);
        s.copyBtn1->setEnabled(true);
    }

    const QString entry = folderEntry(path);
    if (m_state.containsFolder(entry)) {
        selection_messages::folderAlreadySelected();
        return Pick::Duplicate;
    }
    if (m_state.appendFolder(entry) == SelectionState::AddResult::Full) {
        selection_messages::tooManyFolders();
        return Pick::Full;
    }
    m_state.refreshFolderIndicator();
    return Pick::Added;
}

void FolderSelection::Drive2_Change() {
    const selection_steps::HandlersHeld held(m_state);
    selection_steps::changeDrive(m_c.drive2, m_c.dir2);
}

void FolderSelection::Dir2_Click() {
    if (m_c.ssChkBox->checkState() != Qt::Checked)
        return;
    DirSelBtn_Click();
}

void FolderSelection::DirSelBtn_Click() {
    if (const QString path = m_c.dir2->highlightedPath(); !path.isEmpty())
        pickFolder(path);
}

void FolderSelection::SSChkBox_Click() {
    m_c.ssChkBox->setText(m_c.ssChkBox->checkState() == Qt::Unchecked ? QStringLiteral("OFF")
                                                                      : QStringLiteral("ON"));
}

void FolderSelection::SelDirList_Click() {
    m_state.controls().remDirBtn->setEnabled(true);
}

void FolderSelection::RemDirBtn_Click() {
    const auto& s = m_state.controls();
    s.remDirBtn->setEnabled(false);

    if (!selection_steps::removeHighlighted(s.selDirList,
                                            [this](int row) { m_state.removeFolderAt(row); }))
        return;
    m_state.refreshFolderIndicator();

    if (!m_state.hasFolders()) {
        s.copyBtn2->setEnabled(false);
        s.copyBtn1->setEnabled(false);
    }
}

void FolderSelection::ClrDirBtn_Click() {
    const auto& s = m_state.controls();
    m_state.clearFolders();
    s.clrDirBtn->setEnabled(false);
    s.remDirBtn->setEnabled(false);
    s.copyBtn2->setEnabled(false);
    s.copyBtn1->setEnabled(false);
    m_state.refreshFolderIndicator();
}

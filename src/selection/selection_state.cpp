#include "selection/selection_state.h"

#include "platform/event_service.h"
#include "platform/formats.h"
#include "platform/widgets/panel_status_bar.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <utility>

namespace {

SelectionState* g_shared = nullptr;

// The length recorded when a file was added rides with its SelFileList
// entry, so a removal subtracts exactly what the addition added.
constexpr int LengthRole = Qt::UserRole;

QString entryAt(const QListWidget* list, int i) {
    const QListWidgetItem* item = list->item(i);
    return item ? item->text() : QString();
}

QString fileIndicatorText(int count) {
    return platform::leadingSpaceDecimal(count) + QStringLiteral(" File(s) Selected");
}

QString folderIndicatorText(int count) {
    return platform::leadingSpaceDecimal(count) + QStringLiteral(" Folder(s) Selected");
}

} // namespace

SelectionState::SelectionState(const Controls& controls)
    : m_c(controls) {
    // Every entry is one line of text. One row height for all spares the
    // view measuring each of up to 32,767 entries after a "Select All".
    for (QListWidget* list : {m_c.selFileList, m_c.filenameList, m_c.selDirList})
        list->setUniformItemSizes(true);
    g_shared = this;
    platform::events::setHoldObserver([](bool held) {
        if (g_shared)
            g_shared->holdWhileServed(held);
    });
}

SelectionState::~SelectionState() {
    if (g_shared == this)
        g_shared = nullptr;
}

SelectionState* SelectionState::shared() {
    return g_shared;
}

QString SelectionState::selFile(int i) const {
    return entryAt(m_c.selFileList, i);
}

QString SelectionState::fileName(int i) const {
    return entryAt(m_c.filenameList, i);
}

QString SelectionState::selDir(int i) const {
    return entryAt(m_c.selDirList, i);
}

int SelectionState::selFileCount() const {
    return m_c.selFileList->count();
}

int SelectionState::selDirCount() const {
    return m_c.selDirList->count();
}

void SelectionState::refreshFileIndicators() {
    m_c.totalLabel->setText(platform::bytePattern(m_totalBytes));
    m_c.statusBar->setPanelText(1, fileIndicatorText(m_fileCount));
}

void SelectionState::refreshFolderIndicator() {
    m_c.statusBar->setPanelText(2, folderIndicatorText(m_folderCount));
}

void SelectionState::applyCopyButtonRule() {
    const bool both = !selFile(0).isEmpty() && !selDir(0).isEmpty();
    m_c.copyBtn1->setEnabled(both);
    m_c.copyBtn2->setEnabled(both);
}

void SelectionState::resetSelection() {
    m_c.selFileList->clear();
    m_c.selDirList->clear();
    m_c.filenameList->clear();
    m_fileIndex.clear();
    m_folderIndex.clear();

    m_c.copyBtn1->setEnabled(false);
    m_c.copyBtn2->setEnabled(false);
    m_c.clrFileBtn->setEnabled(false);
    m_c.remFileBtn->setEnabled(false);
    m_c.clrDirBtn->setEnabled(false);
    m_c.remDirBtn->setEnabled(false);

    m_fileCount = 0;
    m_totalBytes = 0;
    m_folderCount = 0;

    refreshFileIndicators();
    refreshFolderIndicator();
}

void SelectionState::load() {
    m_fileCount = 0;
    m_c.statusBar->setPanelText(1, fileIndicatorText(m_fileCount));
    m_totalBytes = 0;
    m_c.totalLabel->setText(platform::bytePattern(m_totalBytes));
    m_folderCount = 0;
    m_c.statusBar->setPanelText(2, folderIndicatorText(m_folderCount));

    m_c.remFileBtn->setEnabled(false);
    m_c.remDirBtn->setEnabled(false);
    m_c.clrDirBtn->setEnabled(false);
    m_c.clrFileBtn->setEnabled(false);
    m_c.copyBtn1->setEnabled(false);
    m_c.copyBtn2->setEnabled(false);
}

bool SelectionState::containsFile(const QString& sourcePath) const {
    return m_fileIndex.contains(sourcePath);
}

SelectionState::AddResult SelectionState::appendFile(const QString& sourcePath,
                                                     const QString& bareName, qint64 length) {
    if (m_fileCount >= MaxCount)
        return AddResult::Full;

    // One insertion per list: the item carries its length before it goes in.
    auto* item = new QListWidgetItem(sourcePath);
    item->setData(LengthRole, length);
    m_c.selFileList->addItem(item);
    m_c.filenameList->addItem(bareName);
    m_fileIndex.insert(sourcePath);

    ++m_fileCount;
    m_totalBytes += length;
    return AddResult::Added;
}

void SelectionState::removeFileAt(int i) {
    if (i < 0 || i >= m_c.selFileList->count())
        return;

    --m_fileCount;
    QListWidgetItem* item = m_c.selFileList->takeItem(i);
    m_totalBytes -= item->data(LengthRole).toLongLong();
    m_fileIndex.remove(item->text());
    delete item;
    delete m_c.filenameList->takeItem(i);
}

void SelectionState::clearFiles() {
    m_c.selFileList->clear();
    m_c.filenameList->clear();
    m_fileIndex.clear();
    m_totalBytes = 0;
    m_fileCount = 0;
}

bool SelectionState::containsFolder(const QString& entry) const {
    return m_folderIndex.contains(entry);
}

SelectionState::AddResult SelectionState::appendFolder(const QString& entry) {
    if (m_folderCount >= MaxCount)
        return AddResult::Full;

    m_c.selDirList->addItem(entry);
    m_folderIndex.insert(entry);
    ++m_folderCount;
    return AddResult::Added;
}

void SelectionState::removeFolderAt(int i) {
    if (i < 0 || i >= m_c.selDirList->count())
        return;

    --m_folderCount;
    QListWidgetItem* item = m_c.selDirList->takeItem(i);
    m_folderIndex.remove(item->text());
    delete item;
}

void SelectionState::clearFolders() {
    m_c.selDirList->clear();
    m_folderIndex.clear();
    m_folderCount = 0;
}

void SelectionState::setRunOn(bool on) {
    m_runOn = on;
    if (on || m_afterRun.empty())
        return;
    QMetaObject::invokeMethod(
        m_c.selFileList,
        [this] {
            // Another handler may hold them again by now (it waits on a
            // volume): they run when that one ends.
            if (m_runOn)
                return;
            for (const std::function<void()>& call : std::exchange(m_afterRun, {}))
                call();
        },
        Qt::QueuedConnection);
}

void SelectionState::holdWhileServed(bool held) {
    if (held)
        m_runOnBeforeServed = m_runOn;
    setRunOn(held || m_runOnBeforeServed);
}

void SelectionState::afterRun(std::function<void()> call) {
    m_afterRun.push_back(std::move(call));
}

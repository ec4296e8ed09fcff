#include "platform/widgets/file_browser.h"

#include "platform/files/file_system.h"

namespace platform {

FileBrowser::FileBrowser(QWidget* parent)
    : BrowserList(parent) {
    setAccessibleName(QStringLiteral("Files"));
    // A folder may hold tens of thousands of files: one row height for all
    // spares measuring each.
    setUniformItemSizes(true);
}

Outcome FileBrowser::setPath(const QString& folder) {
    const Result<QList<file_system::FileEntry>> entries = file_system::files(folder);
    if (!entries)
        return entries.error();
    m_path = folder;
    list(entries.value());
    return Outcome::success();
}

void FileBrowser::reload() {
    if (m_path.isEmpty())
        return;
    setPath(m_path);
}

QString FileBrowser::fileName(int position) const {
    const QListWidgetItem* entry = item(position);
    return entry != nullptr ? entry->text() : QString();
}

QString FileBrowser::highlightedName() const {
    return fileName(highlightedRow());
}

int FileBrowser::highlightedRow() const {
    const QListWidgetItem* entry = currentItem();
    return entry != nullptr && entry->isSelected() ? row(entry) : -1;
}

void FileBrowser::setShowHidden(bool on) {
    m_hidden = on;
    reload();
}

void FileBrowser::setShowSystem(bool on) {
    m_system = on;
    reload();
}

void FileBrowser::list(const QList<file_system::FileEntry>& entries) {
    QStringList names;
    names.reserve(entries.size());
    for (const file_system::FileEntry& entry : entries) {
        if ((entry.hidden && !m_hidden) || (entry.system && !m_system))
            continue;
        names << entry.name;
    }
    clear();
    addItems(names);
}

} // namespace platform

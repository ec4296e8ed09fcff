#pragma once

#include "platform/files/file_system.h"
#include "platform/fs_error.h"
#include "platform/widgets/browser_list.h"

namespace platform {

// The files of one folder, sorted, all files (no pattern). Hidden and
// system files are listed only while their setting is on. Changing the
// folder or a setting re-lists at once. A click on a file or a keyboard
// move to a file emits clicked().
class FileBrowser : public BrowserList {
    Q_OBJECT
public:
    explicit FileBrowser(QWidget* parent = nullptr);

    // Lists a folder. Fails, keeping the old folder and list, when it
    // cannot be listed.
    Outcome setPath(const QString& folder);
    QString path() const { return m_path; }

    // Lists the current folder again (to show a file that vanished).
    void reload();

    int fileCount() const { return count(); }
    QString fileName(int position) const; // empty past the end
    QString highlightedName() const;      // empty when none

    bool showHidden() const { return m_hidden; }
    void setShowHidden(bool on);
    bool showSystem() const { return m_system; }
    void setShowSystem(bool on);

protected:
    // The view may mark a current row without highlighting it (on focus).
    int highlightedRow() const override;

private:
    void list(const QList<file_system::FileEntry>& entries);

    QString m_path;
    bool m_hidden = false;
    bool m_system = false;
};

} // namespace platform

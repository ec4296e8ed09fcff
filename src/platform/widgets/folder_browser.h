#pragma once

#include "platform/fs_error.h"
#include "platform/widgets/browser_list.h"

#include <QHash>

namespace platform {

// The folder tree of one drive: the chain of folders from the drive root to
// the current folder (each opened, indented by depth), then the current
// folder's sub-folders. Exactly one entry is highlighted, at first the
// current folder. A single click (or a keyboard move) highlights an entry
// and emits clicked(); a double click or Enter opens it: it becomes the
// current folder and the highlighted entry, and changed() is emitted.
class FolderBrowser : public BrowserList {
    Q_OBJECT
public:
    explicit FolderBrowser(QWidget* parent = nullptr);

    // The current folder ("C:\" for a root, "C:\DATA" below it).
    QString path() const;
    // The full path of the highlighted entry, same form.
    QString highlightedPath() const;

    // Shows a drive at the folder last current on it (its root the first
    // time). Fails, changing nothing, when the drive is not ready.
    Outcome setDrive(QChar letter);
    // Opens a folder. Fails, changing nothing, when it cannot be listed.
    Outcome setPath(const QString& folder);

Q_SIGNALS:
    void changed(); // the current folder changed

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(int row);
    void rebuild(const QString& folder, const QStringList& subFolders);

    QString m_path;
    int m_chainLength = 0;
    QHash<QChar, QString> m_lastFolder; // the folder last current on each drive
};

} // namespace platform

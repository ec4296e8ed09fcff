#pragma once

#include "platform/fs_error.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The file-system operations the windows use, on drive-letter paths.
// Only this layer touches the file system.
//
// Listings and lengths can wait on a volume for as long as its server
// does not answer: called on the user-interface thread, they wait in the
// event loop of aside.h, so the windows answer meanwhile and user input
// waits until the call has returned.
namespace platform::file_system {

// One file of a folder as the file browser lists it.
struct FileEntry {
    QString name;        // bare name
    bool hidden = false; // name begins with "." (or a DOS attribute says so)
    bool system = false; // marked by a DOS attribute where the host can tell
};

// Sub-folder names of a folder (symbolic links to folders included, hidden
// ones left out), sorted case-insensitively as a person expects. Names that
// cannot be written as drive-letter paths are left out.
Result<QStringList> folders(const QString& folder);

// Whether a folder can be opened and listed now.
Outcome canList(const QString& folder);

// Regular files of a folder (symbolic links to regular files included;
// FIFOs, sockets and devices never), sorted like folders(). Unlistable names
// are left out.
Result<QList<FileEntry>> files(const QString& folder);

// Length in bytes, 64-bit.
Result<qint64> length(const QString& path);
// The lengths of many files (entry i for paths[i]) in one hand-off.
QList<Result<qint64>> lengths(const QStringList& paths);

// Last modification, local time.
Result<QDateTime> modified(const QString& path);

// Exact lookup among ordinary files: the bare name when the path names a
// regular file (or a symbolic link to one) that is neither hidden nor
// system, else the empty text (also for a folder, a special file, a
// dangling link or a drive that is not ready).
QString lookupOrdinaryFile(const QString& path);

// Whether two paths name one file (same device and inode), whatever links,
// bind mounts or letter case lead to it. False when either is missing.
bool sameFile(const QString& a, const QString& b);

} // namespace platform::file_system

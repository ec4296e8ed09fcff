#pragma once

#include "platform/fs_error.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Drive-letter paths ("C:\DATA\a.txt") over host paths ("/DATA/a.txt").
// A drive root is written as three characters ("C:\"); any other folder
// has no trailing "\".
namespace platform::drive_path {

// "C:\" for 'C'.
QString rootOf(QChar letter);

// The folder path and a bare name joined as the program forms paths: a
// drive root (or a folder entry, which ends in "\") is followed directly
// by the name, any other folder by "\".
QString join(const QString& folder, const QString& name);

// The folder part of a path ("C:\DATA" for "C:\DATA\a.txt", "C:\" for
// "C:\a.txt") and the last name ("a.txt"). A folder entry's one trailing
// "\" is not a name: "C:\DATA\" has the parent "C:\" and the name "DATA".
// A drive root has neither (both give the empty text).
QString parentOf(const QString& path);
QString nameOf(const QString& path);

// The drive letter of a path, upper case; nullopt when it has none.
std::optional<QChar> driveOf(const QString& path);

// The host path of a drive-letter path on the drive whose host folder is
// root: the names after "X:\" checked and written after the root. The
// drive letter may be of either case; one trailing "\" (a folder entry) is
// allowed. Fails with Unlistable when the path is malformed (no "X:\" at
// the start, an empty, "." or ".." name, a "/" or NUL in a name). The
// names alone: where a path leads, checked, is DriveTable::place()'s answer.
Result<QByteArray> hostPathUnder(const QByteArray& root, const QString& path);

// Drive-letter path for a host path (absolute). Fails with Unlistable when
// a name in it holds "\" or bytes that are not UTF-8 (such a name could be
// mistaken for another path), NotReady when no drive holds it.
Result<QString> fromHost(const QByteArray& hostPath);

// Whether a host file name can be shown as part of a drive-letter path:
// valid UTF-8 and no "\". Names failing this are never listed.
bool isListableName(const QByteArray& name);

} // namespace platform::drive_path

#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The floor the program is held against: a plain loop doing exactly the
// safe sequence of one copy, with no window, no lists and no drive letters.
//
// Per copy: look the target up; open and stat the source; an unnamed
// temporary in the target folder (O_TMPFILE) for a new target, a hidden
// named one for a replacement or where the file system has no unnamed
// temporaries; copy_file_range (sendfile where the file systems refuse it),
// short counts looped and the total checked; fchmod (only where the
// temporary's mode at creation could not be the source's);
// futimens; linkat or
// renameat onto the name; close. One syncfs per target volume at the end.
namespace bench::floor_copy {

struct Options {
    bool namedTemporaries = false; // never O_TMPFILE (the slower route)
    // Adds, per copy, the look-up the program makes besides the safe
    // sequence (whether a volume changed, asked of the program's mount
    // watch): shows what it alone costs.
    bool programLookups = false;
};

// Copies every named file of sourceFolder into every target folder, folder
// by folder as the copy run does. Fails the benchmark on any error.
void run(const QByteArray& sourceFolder, const QStringList& names,
         const QList<QByteArray>& targetFolders, const Options& options);

} // namespace bench::floor_copy

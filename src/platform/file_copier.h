#pragma once

#include "fs_error.h"

#include <QString>

#include <memory>

namespace platform {

// The one place that writes files: copies a file onto a path, replacing an
// existing regular file, safely.
//
// - The data goes to a temporary file in the target folder (unnamed where
//   the file system allows, else a hidden unique name) and takes the
//   target's name only when every byte was written and the file closed
//   without error. A failure never leaves a partial file under the
//   target's name; an existing target is untouched or wholly replaced;
//   the temporary never outlives a failure.
// - The copy keeps the source's modification time and permission bits.
// - It fails, touching nothing, when the target is a folder, a special
//   file, a hidden or system file, write-protected (by its permission
//   bits, even for root), the source itself (by device and inode), when
//   the source is not a regular file, and when the drive is not ready
//   (its volume gone, or the folder not on the drive's volume: a bare
//   mount-point folder is never written). A hidden name is written only
//   where nothing has it yet. A symbolic link at the target's name is
//   replaced by the copy, never written through.
// - Nothing is synced per file: flush() syncs every volume written since
//   the last flush, once. Call it before asking the user to change a
//   disk and at the end of a run.
class FileCopier {
public:
    FileCopier();
    ~FileCopier();
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;

    Outcome copy(const QString& source, const QString& target);

    // The existence test before a copy: whether target names an ordinary
    // file, answered as file_system::lookupOrdinaryFile() answers, but
    // through the target's folder, which is checked (its drive's volume,
    // the folder itself) and held for the copy that may follow.
    bool lookUp(const QString& target);
    // copy() of the target the last lookUp() looked at, made right after
    // it: the checks and what the lookup saw stand for this copy, so
    // nothing that lets the user act (a question, a message box, a disk
    // change) may come between the two; use copy() then. Any other target
    // is copied as copy() does.
    Outcome copyAfterLookUp(const QString& source, const QString& target);

    // Whether a copy of source could take longer than a display frame
    // (large files), so the window should be brought up to date first.
    static bool isLarge(qint64 bytes) { return bytes >= LargeFileBytes; }
    static constexpr qint64 LargeFileBytes = 8 * 1024 * 1024;

    // Syncs the volumes written since the last flush. Returns failure when a
    // sync reported an error. Also lets go of every folder held open, so a
    // disk can be taken out after it.
    Outcome flush();

    // Tests: off makes new targets take the named-temporary route that file
    // systems without unnamed temporaries take. On by default.
    void setUnnamedTemporaries(bool on);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform

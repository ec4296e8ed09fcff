#pragma once

#include "platform/fs_error.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The one place that writes files: copies a file onto a path, replacing an
// existing regular file, safely.
//
// - The data goes to a temporary file in the target folder (unnamed where
//   the file system allows, else a hidden unique name) and takes the
//   target's name only when every byte was written and the file closed
//   without error. A failure never leaves a partial file under the
//   target's name; an existing target is untouched or wholly replaced;
//   the temporary never outlives a failure. (file_copier_publish_p.h)
// - The copy keeps the source's modification time and permission bits, and
//   its holes where the target's file system stores holes: a sparse file
//   takes the space its data takes. (file_copier_bytes_p.h)
// - It fails, touching nothing, when the target is a folder, a special
//   file, a hidden or system file, write-protected (by its permission
//   bits, even for root), the source itself (by device and inode), when
//   the source is not a regular file, and when the drive is not ready
//   (its volume gone, or the folder not on the drive's volume: a bare
//   mount-point folder is never written). A hidden name is written only
//   where nothing has it yet. A symbolic link at the target's name is
//   replaced by the copy, never written through.
// - The target's folder is held open from one copy to the next and its
//   volume looked at before each (file_copier_target_p.h): a disk taken out
//   or swapped between two copies is never written through the old
//   descriptor.
// - A large file is copied (its bytes moved, the copy named) on a worker
//   thread while the calling thread waits in an event loop that takes no
//   user input (file_copier_worker_p.h); smaller files are copied right here.
//   Either way the result is the same. flush()'s syncs run there too.
// - A source that changes while it is copied (its size, times, or the file
//   its name leads to) fails the copy, SourceChanged, and nothing is
//   published (file_copier_source_p.h).
// - Nothing is synced per file: flush() syncs every volume written since
//   the last flush, once. Call it before asking the user to change a
//   disk and at the end of a run.
// - Nothing that can reach a network volume runs on the calling thread:
//   every call whose source or target lies on one waits for a worker as a
//   large copy does. (Only the drive table's own records tell which
//   volume a path lies on.)
// - Copies into folders on network volumes are written ahead of their
//   turn, once planRun() has said what the run will copy: the copy a call
//   asks for is then published (renamed into place) from a temporary
//   already made, after checking that the source and the target's volume
//   are still as they were when it was written; else, or if nothing was
//   written ahead, it is made now. No copy takes its name before the calls
//   for every earlier one have been made, and what is written ahead never
//   outlives flush(). (file_copier_ahead_p.h)
class FileCopier {
public:
    FileCopier();
    ~FileCopier();
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;

    Outcome copy(const QString& source, const QString& target);

    // The run will copy every source (bare names in `names`) into every
    // folder (each as a target path begins: "D:\OUT\"), folder by folder,
    // in that order. Calls for these copies may then find them written.
    void planRun(const QStringList& folders, const QStringList& sources, const QStringList& names);

    // file_system::sameFile(), on a worker where a path may reach the network.
    bool sameFile(const QString& source, const QString& target);

    // The existence test before a copy: whether target names an ordinary
    // file, answered as file_system::lookupOrdinaryFile() answers, but
    // through the target's held folder.
    bool lookUp(const QString& target);
    // lookUp() and, unless it finds a file and `replace` is false, the copy
    // right after it, what the test saw standing for the copy: one call,
    // so one wait for a worker where a path may reach the network.
    // nullopt: found, nothing copied; the caller asks the user, then calls
    // copy(), which looks at everything again.
    std::optional<Outcome> copyUnlessFound(const QString& source, const QString& target,
                                           bool replace);

    // A copy of so many bytes could take longer than a display frame: it
    // is made on the worker.
    static bool isLarge(qint64 bytes) { return bytes >= LargeFileBytes; }
    static constexpr qint64 LargeFileBytes = 8 * 1024 * 1024;

    // Lets go of every folder held (the targets' and the sources'): the next
    // copy resolves its folders again from their paths. Call it whenever
    // the user may have changed things (after a question or a message box):
    // a folder deleted and made again meanwhile is the one copied into.
    void resolveFoldersAgain();

    // Syncs the volumes written since the last flush. Returns failure when a
    // sync reported an error. Also lets go of every folder held open, so a
    // disk can be taken out after it (resolveFoldersAgain()).
    Outcome flush();

    // Called on this thread just before it waits for the worker: the
    // caller's windows paint there what they are to show meanwhile, since
    // the wait serves paint events only. Empty: nothing.
    void setBeforeWait(std::function<void()> paint);

    // Tests: copies into folders on every volume are written ahead, not only
    // on network volumes. Off by default.
    static void setWriteAheadEverywhere(bool on);
    // Tests: off makes new targets take the named-temporary route that file
    // systems without unnamed temporaries take. On by default.
    void setUnnamedTemporaries(bool on);
    // Tests: called on the worker thread before each large file's copy and
    // each flush's syncs, to hold the worker back. Empty: none.
    static void setWorkerHook(std::function<void()> hook);
    // Tests: called once per copy attempt, on the thread moving the bytes,
    // after the first piece of the source's bytes has moved (to change the
    // source in the middle of its copy). Empty: none.
    static void setMoveHook(std::function<void()> hook);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform

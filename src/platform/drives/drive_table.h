#pragma once

#include "platform/drives/host_mounts.h"
#include "platform/fs_error.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace platform {

// One drive letter as the user sees it.
struct Drive {
    QChar letter;        // 'C', 'D', ...
    QByteArray hostRoot; // the host folder the letter stands for ("/" for C:)
    QString label;       // a short description for the drive selector (may be empty)
    bool ready = false;  // its volume is mounted now
};

// The volume a place lies on, as the drive table saw it when it answered:
// what a file or folder opened there must be on, and what shows later
// whether that volume is still the one mounted. Plain values, checked
// without the table: any thread may keep and check them.
struct Volume {
    dev_t device = 0;   // what is opened at the place must be on this device
    QByteArray shownAt; // the folder showing the volume (a drive's root); empty: nothing
                        // to look at (the root file system cannot go away)
    bool knowsMount = false;
    bool uniqueMountId = false; // mountId is the mount's unique id (host_mounts::Look)
    quint64 mountId = 0;        // the mount seen at shownAt

    // Whether shownAt still shows that very volume, mounted the same way
    // (one statx, answered from the kernel's cache); true when there is
    // nothing to look at.
    bool stillMounted() const;
    // The volume a folder is on now, shown at that folder itself; nullopt
    // when it cannot be looked at.
    static std::optional<Volume> of(const QByteArray& folder);
};

// Where a drive-letter path leads on the host.
struct Place {
    QByteArray host; // absolute
    // The volume of the drive whose folder holds the path: the letter's
    // own, or another drive's when the path leads into its mount point
    // (C:\mnt\usb\a.txt lies on the drive mounted at /mnt/usb).
    Volume volume;
    // C: holds it: the whole host tree, where mounts that are no drives of
    // their own lie (/tmp, /run). What is opened there may be on another
    // device than volume.device; such a folder is its own volume (Volume::of).
    bool onC = false;
    // Every change of the volume is a change of the host's mounts, which a
    // host_mounts::MountWatch sees: only then may a holder of a folder skip
    // looking at the volume before each use (false for test tables).
    bool mountsTell = true;
    // Taken before the volume was checked: from it on, every change shows.
    host_mounts::MountWatch mounts;
};

// The table of drive letters over the host's mounted volumes.
//
// C: is "/". Every other volume a person would call a drive (anything
// mounted under /media, /run/media or /mnt, and elsewhere, outside the
// system's own folders such as /home, /tmp or /var, a volume backed by a
// block device or a network file system: host_mounts::Mount) gets the next
// free letter from D: on, in the order first seen. A volume that goes away
// keeps its letter as a drive that is not ready; a newly mounted volume
// takes the letter of a gone volume that was mounted at the same place,
// else (a disk) the lowest letter of a gone disk, so a swapped disk answers
// under its old letter. A network share is no disk swapped: its letter
// waits for it at its place, and it takes no gone disk's letter (unless the
// letters have run out).
//
// A letter resolves only while the very volume it was given to (or its
// replacement, after a refresh) is mounted: the identity of the volume is
// checked, so a bare mount-point folder whose volume has gone is never
// taken for the drive.
//
// Every member may be called from any thread: the table is locked while it
// is read or changed.
class DriveTable {
public:
    // The table the program uses. Starts on the host's mounts.
    static DriveTable& instance();

    // Re-reads the host's mounts (no-op for a fixed table).
    void refresh();

    // All known drives, ordered by letter; refreshes first.
    QList<Drive> drives();

    // The one way from a drive-letter path to the host: its host path and
    // the volume it lies on, checked now. The drive letter may be of either
    // case; one trailing "\" (a folder entry) is allowed. Unlistable: the
    // path is malformed (see drive_path::hostPathUnder()), whatever its
    // drive. NotReady: the drive is unknown, its volume is gone or was
    // swapped, or the path leads into the empty mount-point folder of a
    // drive that is not ready. A failed check reads the host's mounts once
    // more before answering, so a volume swapped or mounted meanwhile
    // answers under its letter.
    Result<Place> place(const QString& path);

    // Whether what the path names lies on a network volume, as far as the
    // table's records tell (nothing on the volume is looked at, so it
    // cannot wait on a server).
    bool onNetwork(const QString& path);

    // The host folder of a ready drive, with its volume identity checked now.
    // A mismatch (the volume was swapped) refreshes the table once before
    // answering. nullopt when the letter is unknown or not ready.
    std::optional<QByteArray> hostRoot(QChar letter);

    // The drive letter whose folder holds hostPath: the ready drive with the
    // longest root that is a prefix of the path, compared name by name
    // (/mnt/a holds /mnt/a/x, not /mnt/ab). hostPath is absolute and
    // normalised (no "//", "." or ".."); the table is not re-read.
    std::optional<QChar> letterFor(const QByteArray& hostPath);

    // letterFor() with the root it found.
    struct Location {
        QChar letter;
        QByteArray hostRoot;
    };
    std::optional<Location> locate(const QByteArray& hostPath);

    // Tests: a fixed table of letters to existing host folders. A folder's
    // identity is taken now; a letter whose folder is missing is not ready.
    // C: must be among them.
    void useFixedMap(const QMap<QChar, QByteArray>& lettersToFolders);
    // Tests: mark a fixed drive ready or not (a "medium" taken out).
    void setFixedReady(QChar letter, bool ready);
    // Back to the host's mounts, with a fresh table.
    void useHost();

    // Tests of the letter rules: read mounts from this mountinfo-format
    // file instead of /proc/self/mountinfo (empty for the real one).
    void setMountInfoPath(const QByteArray& path);

private:
    DriveTable();
    struct Entry {
        QChar letter;
        QByteArray hostRoot;
        QString label;
        dev_t device = 0; // st_dev of hostRoot when the volume was seen
        int mountId = -1; // from mountinfo; -1 for fixed entries
        bool knowsUniqueId = false;
        quint64 uniqueId = 0; // the mount's unique id (host_mounts::Mount)
        bool network = false; // a network share: its letter waits for its place
        bool ready = false;
        ino_t inode = 0; // fixed entries: the folder itself
    };
    // The members below expect the lock held.
    void readHostMounts();
    void startFresh();
    // Reads the host's mounts again when they changed since the last look.
    void catchUp();
    Entry* find(QChar letter);
    void markFixed(Entry& e, bool ready);
    const Entry* holderOf(const QByteArray& hostPath) const;
    // The volume of a ready entry when its identity holds now.
    std::optional<Volume> identity(const Entry& e) const;
    // The entry of a ready letter whose identity holds now, refreshing once
    // on a mismatch; nullptr otherwise.
    const Entry* checkedEntry(QChar letter);
    std::optional<Location> locateLocked(const QByteArray& hostPath) const;

    mutable QMutex m_lock;
    QList<Entry> m_entries;
    bool m_fixed = false;
    QByteArray m_mountInfoPath;
    host_mounts::MountWatch m_mounts; // whether the host's table must be read again
};

} // namespace platform

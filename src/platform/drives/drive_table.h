#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QMap>
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
class DriveTable {
public:
    // The table the program uses. Starts on the host's mounts.
    static DriveTable& instance();

    // Re-reads the host's mounts (no-op for a fixed table).
    void refresh();

    // All known drives, ordered by letter; refreshes first.
    QList<Drive> drives();

    // The host folder of a ready drive, with its volume identity checked now.
    // A mismatch (the volume was swapped) refreshes the table once before
    // answering. nullopt when the letter is unknown or not ready.
    std::optional<QByteArray> hostRoot(QChar letter);

    // The device id of the volume a ready drive stands for.
    std::optional<dev_t> volumeDevice(QChar letter);

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

    // Whether every change of the drives' volumes is a change of the host's
    // mounts (host_mounts::MountWatch sees them all): false for a fixed
    // table or a test file.
    bool followsHostMounts() const { return !m_fixed && m_mountInfoPath.isEmpty(); }

    // Tests of the letter rules: read mounts from this mountinfo-format
    // file instead of /proc/self/mountinfo (empty for the real one).
    void setMountInfoPath(const QByteArray& path);

private:
    DriveTable();
    struct Entry {
        QChar letter;
        QByteArray hostRoot;
        QString label;
        dev_t device = 0;     // st_dev of hostRoot when the volume was seen
        int mountId = -1;     // from mountinfo; -1 for fixed entries
        bool network = false; // a network share: its letter waits for its place
        bool ready = false;
        ino_t inode = 0; // fixed entries: the folder itself
    };
    void readHostMounts();
    void startFresh();
    Entry* find(QChar letter);
    bool identityHolds(const Entry& e) const;
    // The entry of a ready letter whose identity holds now, refreshing once
    // on a mismatch; nullptr otherwise.
    const Entry* checkedEntry(QChar letter);

    QList<Entry> m_entries;
    bool m_fixed = false;
    QByteArray m_mountInfoPath;
};

} // namespace platform

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <sys/types.h>

// The host's mounted volumes as the drive table sees them: which mounts
// are drives, and whether the folder at a mount point is that very mount.
namespace platform::host_mounts {

// A mount a person would call a drive: anything under /media, /run/media or
// /mnt, and elsewhere (outside the system's own folders, /home, /tmp, /var
// and the like, which stay folders of C:) volumes backed by a block device
// or a network file system. Not: "/", automount points, bind mounts of a
// folder or of a single file.
struct Mount {
    int id = -1;           // the mount's id in mountinfo
    QByteArray mountPoint; // absolute, decoded
    QByteArray fsType;
    bool network = false; // NFS, SMB/CIFS, sshfs and other network file systems
    dev_t device = 0;     // of the folder at the mount point, looked at now
    // The mount's unique id, where the kernel tells it (Linux 6.8 on): a
    // disk swapped for another at the same place may get the same device
    // number and mount id, never the same unique id.
    bool knowsUniqueId = false;
    quint64 uniqueId = 0;
};

// The drives among the mounts of a mountinfo-format file (empty path: the
// host's own, /proc/self/mountinfo), in mount order, one per place: a later
// mount on the same place hides an earlier one. Real mounts are looked at
// (one statx each, answered from the kernel's cache, so a network server is
// not asked and an automount is not set off); a mount point out of reach
// (another user's FUSE mount) or covered by a later mount is left out. The
// places of a test file need not exist: they are listed with device 0.
QList<Mount> readDrives(const QByteArray& mountInfoPath = {});

// One look at a folder, from the kernel's cache like readDrives(). With
// uniqueMountId the mount's unique id is asked for instead of its id (the
// one mountinfo shows); uniqueMountId in the answer says which came.
struct Look {
    bool folder = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool knowsMountId = false;
    bool uniqueMountId = false;
    quint64 mountId = 0;
    bool knowsMountRoot = false;
    bool mountRoot = false;
};
std::optional<Look> look(const QByteArray& path, bool uniqueMountId = false);

// Whether the folder at path, as `l` saw it, is where the mount `mountId`
// sits now, and not the bare folder left behind after an unmount or one
// hidden by a later mount.
bool isMountedHere(const QByteArray& path, const Look& l, int mountId);

// Whether path is place or lies below it, name by name (/mnt/a holds
// /mnt/a/x, not /mnt/ab).
bool isAtOrBelow(const QByteArray& path, const QByteArray& place);

// Tells whether the host's mounts may have changed, without a call to the
// kernel: a thread of the program's waits on the kernel's mount table and
// counts its changes as they happen (a few microseconds after the mount or
// unmount returns), and the table is brought up to date at once whenever
// the drives are read (readDrives() of the host's own table). The first
// answer covers the time since the watch was made.
class MountWatch {
public:
    MountWatch();

    // True when a volume was mounted or unmounted (or moved) since the
    // last call; always true when the table cannot be watched.
    bool changed();

private:
    quint64 m_seen = 0;
};

// Counts every change of the mounts made so far, now (readDrives() does).
void catchUp();

// The last name of a mount point, as a drive's label.
QString labelOf(const QByteArray& mountPoint);

} // namespace platform::host_mounts

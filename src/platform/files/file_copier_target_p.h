#pragma once

#include "platform/drives/drive_table.h"
#include "platform/drives/host_mounts.h"
#include "platform/files/file_copier_fd_p.h"
#include "platform/fs_error.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <sys/types.h>

// Where a target lands: its folder, held open for as long as copies go
// there, and its name in it.
//
// A folder is resolved once: the drive table places its path (the host
// folder and the volume it must be on, checked now), the folder is opened
// and found on that very volume (a bare mount-point folder, whose volume
// has gone, is never taken; nor is a link leading off the volume). Later
// targets in the same folder are worked on relative to the held descriptor,
// without asking the table again.
//
// Before every use the volume is looked at once more: when the host's mounts
// changed since the last look (or cannot be watched), the volume's folder
// must still show the volume (and mount) it showed when the folder was
// resolved. A disk taken out, or swapped for another, between two copies is
// noticed there and the folder is resolved again, so a descriptor of a
// volume that has gone (a lazy unmount keeps it working, writing to a disk
// nobody can see) is never written through. The root file system cannot go
// away and is not looked at.
//
// The path is what the user chose, not the folder first found there: after
// anything that let the user act (a question, a message box) the folder is
// let go (drop()) and resolved again from its path.
namespace platform::copier {

struct HeldFolder {
    QString entry;           // the drive-letter folder ("D:\OUT", "D:\")
    Fd fd;                   // O_DIRECTORY
    dev_t dev = 0;           // the folder's device
    bool fat = false;        // FAT: system attributes, no holes
    bool plainModes = false; // a new file's mode is the one asked, less the umask
    Volume volume;           // looked at before each use when the mounts changed
};

// A bare name as the host writes it (Unlistable: no name it could write);
// the rest of the path is checked when its folder is resolved.
Result<QByteArray> hostName(QStringView name);
// The length of the folder part of a drive-letter file path ("D:\OUT" of
// "D:\OUT\a.txt", "D:\" of "D:\a.txt"); -1 when it names no file.
qsizetype folderLength(const QString& path);

struct TargetPlace {
    const HeldFolder* folder = nullptr;
    QByteArray name; // the bare name, as the host writes it
};

class TargetFolders {
public:
    // The place of a drive-letter target path. Unlistable: no file's path
    // (a folder entry, a drive root, a malformed name); NotReady: the
    // drive's volume is gone; other errors: the folder cannot be opened.
    Result<TargetPlace> place(const QString& target);

    // Counts the folders resolved: a place is only good while it holds.
    quint64 serial() const { return m_serial; }
    // The folder held now; nullptr when none.
    const HeldFolder* held() const { return m_holding ? &m_held : nullptr; }

    // Lets go of the held folder (before a disk may be changed, or after
    // the user may have changed the folder).
    void drop();

private:
    Result<TargetPlace> resolve(const QString& target, qsizetype folderLength);
    bool volumeStillThere();

    HeldFolder m_held;
    bool m_holding = false;
    host_mounts::MountWatch m_mounts;
    bool m_mountsTell = false; // the watch sees every change of the held volume
    quint64 m_serial = 0;
};

} // namespace platform::copier

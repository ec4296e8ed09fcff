#include "platform/files/file_copier_target_p.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

namespace platform::copier {

namespace {

bool isPrefixFolder(const QByteArray& root, const QByteArray& path) {
    if (root == "/")
        return path.startsWith('/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == '/');
}

// Never write into the bare mount-point folder of a volume that has gone:
// after an unmount the folder is still there and takes files, which then
// land on the volume beneath it.
Outcome checkVolume(const QByteArray& host, dev_t dev) {
    DriveTable& table = DriveTable::instance();
    const auto location = table.locate(host);
    if (!location)
        return FsError::NotReady;

    // A drive that is not ready but whose root lies between its holder's
    // root and the folder: the folder is (in) its empty mount point.
    for (const Drive& drive : table.drives()) {
        if (!drive.ready && drive.hostRoot.size() > location->hostRoot.size() &&
            isPrefixFolder(drive.hostRoot, host))
            return FsError::NotReady;
    }

    // The folder must be on the volume of the drive that holds it (a link
    // leading off that volume is refused with it). C: is the whole host
    // tree, where mounts that are no drives of their own (/tmp, /run) lie,
    // so only the other drives are held to this.
    if (location->letter != QLatin1Char('C')) {
        const auto device = table.volumeDevice(location->letter);
        if (!device || *device != dev)
            return FsError::NotReady;
    }
    return Outcome::success();
}

} // namespace

Result<QByteArray> hostName(QStringView name) {
    if (name.isEmpty() || name == u"." || name == u"..")
        return FsError::Unlistable;
    // Most names are ASCII: checked and written in one pass, as every
    // copy asks for two of them.
    QByteArray ascii(name.size(), Qt::Uninitialized);
    char* out = ascii.data();
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            break;
        if (u == u'/' || u == 0)
            return FsError::Unlistable;
        *out++ = char(u);
    }
    if (out == ascii.constData() + ascii.size())
        return ascii;
    if (name.contains(u'/') || name.contains(QChar(0)) || !name.isValidUtf16())
        return FsError::Unlistable;
    return name.toUtf8();
}

qsizetype folderLength(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (!drive_path::driveOf(path) || slash < 2 || slash + 1 == path.size())
        return -1;
    return slash == 2 ? 3 : slash;
}

Result<TargetPlace> TargetFolders::place(const QString& target) {
    // A folder entry, or a drive root, is no file's path.
    const qsizetype length = folderLength(target);
    if (length < 0)
        return FsError::Unlistable;
    if (m_holding && QStringView(target).left(length) == m_held.entry && volumeStillThere()) {
        const Result<QByteArray> name =
            hostName(QStringView(target).mid(target.lastIndexOf(QLatin1Char('\\')) + 1));
        if (!name)
            return name.error();
        return TargetPlace{&m_held, *name};
    }
    return resolve(target, target.at(0).toUpper(), length);
}

bool TargetFolders::volumeStillThere() {
    if (m_held.watched.isEmpty())
        return true;
    if (m_mountsTell && !m_mounts.changed())
        return true;
    const std::optional<host_mounts::Look> now = host_mounts::look(m_held.watched);
    return now && now->folder && now->device == m_held.watchedDev &&
           (!now->knowsMountId || !m_held.watchedKnowsMount || now->mountId == m_held.watchedMount);
}

Result<TargetPlace> TargetFolders::resolve(const QString& target, QChar letter,
                                           qsizetype folderLength) {
    drop();
    DriveTable& table = DriveTable::instance();
    // Taken before the volume is checked: a change from now on is seen.
    m_mountsTell = table.followsHostMounts();
    m_mounts.changed();
    const std::optional<QByteArray> root = table.hostRoot(letter);
    if (!root) {
        // A malformed path is refused as such whatever its drive.
        const Result<QByteArray> names = drive_path::toHostUnder(QByteArrayLiteral("/"), target);
        return names ? Result<TargetPlace>(FsError::NotReady) : Result<TargetPlace>(names.error());
    }
    const Result<QByteArray> host = drive_path::toHostUnder(*root, target);
    if (!host)
        return host.error();
    const qsizetype slash = host->lastIndexOf('/');
    if (slash < 0 || slash + 1 == host->size() || *host == *root)
        return FsError::Unlistable;
    const QByteArray folder = host->left(std::max<qsizetype>(slash, 1));
    const QByteArray name = host->mid(slash + 1);

    Fd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return fromErrno(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fromErrno(errno);
    if (const Outcome volume = checkVolume(folder, st.st_dev); !volume)
        return volume.error;

    HeldFolder& held = m_held;
    held.entry = target.left(folderLength);
    held.host = folder;
    held.dev = st.st_dev;
    struct statfs fs;
    const bool statfsOk = ::fstatfs(fd.get(), &fs) == 0;
    held.fat = statfsOk && fs.f_type == MSDOS_SUPER_MAGIC;
    // Where a new file takes the mode asked, less this process's umask: a
    // local file system the program knows (a server applies its own umask;
    // FAT has no modes), and no default ACL, which decides the mode bits
    // itself.
    const bool localModes = fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC ||
                            fs.f_type == XFS_SUPER_MAGIC || fs.f_type == BTRFS_SUPER_MAGIC;
    held.plainModes = statfsOk && localModes &&
                      ::fgetxattr(fd.get(), "system.posix_acl_default", nullptr, 0) < 0 &&
                      (errno == ENODATA || errno == EOPNOTSUPP);
    // The drive's root shows whether its volume is still the one mounted;
    // on C:, a folder on a volume other than the root file system is
    // watched itself.
    held.watched.clear();
    if (letter != QLatin1Char('C'))
        held.watched = *root;
    else if (const auto rootDevice = table.volumeDevice(letter);
             !rootDevice || *rootDevice != st.st_dev)
        held.watched = folder;
    if (!held.watched.isEmpty()) {
        const std::optional<host_mounts::Look> now = host_mounts::look(held.watched);
        if (!now || now->device != st.st_dev)
            return FsError::NotReady;
        held.watchedDev = now->device;
        held.watchedKnowsMount = now->knowsMountId;
        held.watchedMount = now->mountId;
    }
    held.fd.reset(fd.release());
    m_holding = true;
    ++m_serial;
    return TargetPlace{&m_held, name};
}

void TargetFolders::drop() {
    m_holding = false;
    m_held.fd.reset();
    m_held.entry.clear();
}

} // namespace platform::copier

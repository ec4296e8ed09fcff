#include "platform/files/file_copier_target_p.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

namespace platform::copier {

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
    // The drive's part is checked where the folder is placed.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 2 || path.at(1) != QLatin1Char(':') || slash + 1 == path.size())
        return -1;
    if (slash == 2)
        return 3;
    // "D:\OUT\\a.txt" names no file: an empty name lies before its own.
    return path.at(slash - 1) == QLatin1Char('\\') ? -1 : slash;
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
    return resolve(target, length);
}

bool TargetFolders::volumeStillThere() {
    if (m_held.volume.shownAt.isEmpty())
        return true;
    if (m_mountsTell && !m_mounts.changed())
        return true;
    return m_held.volume.stillMounted();
}

Result<TargetPlace> TargetFolders::resolve(const QString& target, qsizetype folderLength) {
    drop();
    const Result<QByteArray> name =
        hostName(QStringView(target).mid(target.lastIndexOf(QLatin1Char('\\')) + 1));
    const Result<Place> at = DriveTable::instance().place(target.left(folderLength));
    if (!at || !name) // a malformed path is refused as such whatever its drive
        return !name ? name.error() : at.error();
    m_mounts = at->mounts; // taken before the volume was checked

    Fd fd(::open(at->host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return fromErrno(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fromErrno(errno);
    // The folder must be on the volume the table placed it on: a bare
    // mount point, or a link leading off the volume, is not. C: is the
    // whole host tree, where mounts that are no drives of their own lie
    // (/tmp, /run): a folder there on another volume is watched itself.
    Volume volume = at->volume;
    if (at->onC && st.st_dev != volume.device) {
        const std::optional<Volume> own = Volume::of(at->host);
        if (!own)
            return FsError::NotReady;
        volume = *own;
    }
    if (st.st_dev != volume.device)
        return FsError::NotReady;
    m_mountsTell = at->mountsTell;
    // Swapped while the folder was being opened (a new disk may have the
    // old one's device number): the mount tells.
    if ((!m_mountsTell || m_mounts.changed()) && !volume.stillMounted())
        return FsError::NotReady;

    HeldFolder& held = m_held;
    held.entry = target.left(folderLength);
    held.dev = st.st_dev;
    held.volume = std::move(volume);
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
    held.fd.reset(fd.release());
    m_holding = true;
    ++m_serial;
    return TargetPlace{&m_held, *name};
}

void TargetFolders::drop() {
    m_holding = false;
    m_held.fd.reset();
    m_held.entry.clear();
}

} // namespace platform::copier

#include "floor_copy.h"

#include "bench_common.h"

#include "platform/drives/host_mounts.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace bench::floor_copy {

namespace {

[[noreturn]] void failErrno(const char* what, const QByteArray& path) {
    fail(QStringLiteral("%1 %2: %3")
             .arg(QString::fromLatin1(what), QString::fromLocal8Bit(path),
                  QString::fromLocal8Bit(std::strerror(errno))));
}

// Moves exactly length bytes, in the kernel where it can.
bool copyData(int from, int to, off_t length) {
    off_t done = 0;
    bool kernelCopy = true;
    while (done < length) {
        const size_t chunk = size_t(std::min<off_t>(length - done, off_t(1) << 30));
        ssize_t n;
        if (kernelCopy) {
            n = ::copy_file_range(from, nullptr, to, nullptr, chunk, 0);
            if (n < 0 && done == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS)) {
                kernelCopy = false;
                continue;
            }
        } else {
            n = ::sendfile(to, from, nullptr, chunk);
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The look-up the program adds to one copy (see Options::programLookups):
// whether the host's mounts changed, asked of the program's own watch, so
// that a disk swapped or taken out between two copies is never written
// through the folder held open (its volume's root is looked at only after
// a change).
void programLookups(platform::host_mounts::MountWatch& mounts, const QByteArray& folder) {
    if (mounts.changed())
        platform::host_mounts::look(folder);
}

class FloorCopier {
public:
    explicit FloorCopier(const Options& options)
        : m_options(options)
        , m_umask(::umask(0)) {
        ::umask(m_umask);
    }

    // plainModes: the folder has no default ACL, so a new file takes the
    // mode asked, less the umask (the program looks once per folder too).
    void copy(int folderFd, const QByteArray& folder, bool plainModes, const QByteArray& source,
              const QByteArray& name) {
        struct stat existing {};
        const bool replacing =
            ::fstatat(folderFd, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;

        const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            failErrno("open", source);
        struct stat st {};
        if (::fstat(in, &st) != 0)
            failErrno("fstat", source);

        QByteArray temporary;
        int out = -1;
        // As the program does: the temporary made with its final mode where
        // only the umask could change it, and the mode not changed again.
        const mode_t mode = st.st_mode & 0777;
        const bool modeAtOnce = plainModes && (st.st_mode & 07000) == 0 && (mode & m_umask) == 0;
        if (!replacing && !m_options.namedTemporaries && m_unnamed)
            out =
                ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, modeAtOnce ? mode : 0600);
        if (out < 0 && !replacing && !m_options.namedTemporaries && m_unnamed &&
            (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
            m_unnamed = false; // this file system has none: named from now on
        if (out < 0) {
            temporary = "." + name + ".pelmora-floor-" + QByteArray::number(++m_serial);
            out = ::openat(folderFd, temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                           modeAtOnce ? mode : 0600);
            if (out < 0)
                failErrno("create a temporary in", folder);
        }

        if (!copyData(in, out, st.st_size))
            failErrno("copy", source);
        // As the program does: the source's name looked at once more after
        // its last byte, so that a source changed meanwhile is never named.
        struct stat after {};
        if (::stat(source.constData(), &after) != 0 || after.st_ino != st.st_ino ||
            after.st_size != st.st_size)
            failErrno("the source changed:", source);
        if (!modeAtOnce && ::fchmod(out, st.st_mode & 07777) != 0)
            failErrno("fchmod", name);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out, times) != 0)
            failErrno("futimens", name);
        if (temporary.isEmpty()) {
            if (::linkat(out, "", folderFd, name.constData(), AT_EMPTY_PATH) != 0)
                failErrno("linkat", name);
        } else if (::renameat(folderFd, temporary.constData(), folderFd, name.constData()) != 0) {
            failErrno("renameat", name);
        }
        if (::close(out) != 0)
            failErrno("close", name);
        ::close(in);
    }

private:
    Options m_options;
    mode_t m_umask;
    bool m_unnamed = true;
    quint64 m_serial = 0;
};

} // namespace

void run(const QByteArray& sourceFolder, const QStringList& names,
         const QList<QByteArray>& targetFolders, const Options& options) {
    QList<QByteArray> sources;
    QList<QByteArray> encodedNames;
    for (const QString& name : names) {
        encodedNames.append(name.toUtf8());
        sources.append(sourceFolder + '/' + encodedNames.last());
    }

    FloorCopier copier(options);
    platform::host_mounts::MountWatch mounts;
    QSet<dev_t> volumes;
    QList<int> syncFds;
    for (const QByteArray& folder : targetFolders) {
        const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0)
            failErrno("open", folder);
        struct statfs fs {};
        const bool localModes = ::fstatfs(folderFd, &fs) == 0 &&
                                (fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC ||
                                 fs.f_type == XFS_SUPER_MAGIC || fs.f_type == BTRFS_SUPER_MAGIC);
        const bool plainModes = localModes &&
                                ::fgetxattr(folderFd, "system.posix_acl_default", nullptr, 0) < 0 &&
                                (errno == ENODATA || errno == EOPNOTSUPP);
        for (qsizetype i = 0; i < sources.size(); ++i) {
            if (options.programLookups)
                programLookups(mounts, folder);
            copier.copy(folderFd, folder, plainModes, sources[i], encodedNames[i]);
        }
        struct stat st {};
        ::fstat(folderFd, &st);
        if (!volumes.contains(st.st_dev)) {
            volumes.insert(st.st_dev);
            syncFds.append(folderFd);
        } else {
            ::close(folderFd);
        }
    }
    for (const int fd : syncFds) {
        if (::syncfs(fd) != 0)
            failErrno("syncfs", QByteArray());
        ::close(fd);
    }
}

} // namespace bench::floor_copy

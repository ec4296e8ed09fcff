#include "platform/files/file_copier_publish_p.h"

#include "platform/files/file_copier_fd_p.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>

namespace platform::copier {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Errors of the calls that keep the mode and time which mean the copy
// itself is not sound. Anything else (a medium that cannot store the bits,
// like FAT) leaves a good copy without them.
bool fatalMetadataError(int e) {
    return e == EIO || e == EROFS || e == ENOSPC || e == EDQUOT || e == EBADF;
}

bool unnamedUnsupported(int e) {
    return e == EOPNOTSUPP || e == EISDIR || e == EINVAL;
}

// modeSet: the file was made with the source's mode already.
Outcome keepMetadata(int out, const struct stat& src, bool modeSet = false) {
    if (!modeSet && ::fchmod(out, src.st_mode & 07777) != 0 && fatalMetadataError(errno))
        return fromErrno(errno);
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (::futimens(out, times) != 0 && fatalMetadataError(errno))
        return fromErrno(errno);
    return Outcome::success();
}

// Whether the name may be replaced; nullopt: yes.
std::optional<Outcome> refusal(const struct stat& target, const struct stat& src,
                               const PublishPlace& place) {
    const char* const name = place.name.constData();
    // The source itself comes first: whatever else is wrong with the
    // target, that is what stops a run.
    const bool link = S_ISLNK(target.st_mode);
    struct stat pointee;
    const bool leads = link && ::fstatat(place.dirFd, name, &pointee, 0) == 0;
    if ((link && leads && sameFile(pointee, src)) || (!link && sameFile(target, src)))
        return Outcome(FsError::SameFile);
    if (place.name.startsWith('.'))
        return Outcome(FsError::UnsafeTarget);
    if (link) {
        // The link itself is replaced, never written through; but a link
        // that shows as a folder is not ours to take.
        if (leads && S_ISDIR(pointee.st_mode))
            return Outcome(FsError::UnsafeTarget);
        return std::nullopt;
    }
    if (!S_ISREG(target.st_mode))
        return Outcome(FsError::UnsafeTarget);
    if ((target.st_mode & 0222) == 0)
        return Outcome(FsError::ReadOnly);
    if (place.fat && (fatAttributes(place.dirFd, name) & ATTR_SYS))
        return Outcome(FsError::UnsafeTarget);
    return std::nullopt;
}

// The process's umask, read without changing it; 0777 (nothing is taken
// for granted) where it cannot be read.
mode_t currentUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0777;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Umask:")) {
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            return ok ? mode_t(mask & 0777) : 0777;
        }
    }
    return 0777;
}

} // namespace

Publisher::Publisher()
    : m_umask(currentUmask()) {}

unsigned fatAttributes(int dirFd, const char* name) {
    Fd fd(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    __u32 attributes = 0;
    if (!fd.valid() || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return 0;
    return attributes;
}

std::optional<Outcome> Publisher::checkName(const struct stat& src, const PublishPlace& place,
                                            const SeenTarget* seen, bool& exists) const {
    struct stat target;
    exists = true;
    if (seen) {
        exists = seen->exists;
        target = seen->st;
    } else if (::fstatat(place.dirFd, place.name.constData(), &target, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return Outcome(fromErrno(errno));
        exists = false;
    }
    if (exists)
        return refusal(target, src, place);
    return std::nullopt;
}

std::optional<Outcome> Publisher::publish(const struct stat& src, const PublishPlace& place,
                                          bool allowUnnamed, const SeenTarget* seen,
                                          const Fill& fill) {
    bool exists = true;
    if (const std::optional<Outcome> refused = checkName(src, place, seen, exists))
        return refused;

    if (!exists && allowUnnamed && unnamed && !m_noUnnamed.count(place.dev)) {
        const mode_t mode = createMode(src, place.plainModes);
        const int out = ::openat(place.dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (out < 0 && !unnamedUnsupported(errno))
            return Outcome(fromErrno(errno));
        if (out >= 0)
            return publishUnnamed(out, src, place, madeWithMode(out, src, mode, place.plainModes),
                                  fill);
        m_noUnnamed.insert(place.dev); // not asked again on this volume
    }

    // Named temporary: hidden, unique, in the same folder so that the
    // rename is atomic.
    QByteArray temporary;
    if (const Outcome o = writeTemporary(src, place.dirFd, place.plainModes, fill, temporary); !o)
        return o;
    const Outcome moved = rename(place.dirFd, temporary, place, exists);
    if (!moved)
        ::unlinkat(place.dirFd, temporary.constData(), 0);
    return moved;
}

mode_t Publisher::createMode(const struct stat& src, bool plainModes) const {
    // The temporary may have its final mode from the start, which saves a
    // change of it (a journal entry on ext4, a round trip to a server).
    // The bytes it shows meanwhile are the source's, under the same mode.
    // Where more than the umask may alter the mode asked (a server's own
    // umask, a default ACL, FAT), madeWithMode() looks; the owner keeps
    // the right to write a file being written there.
    const mode_t mode = src.st_mode & 0777;
    if ((src.st_mode & 07000) != 0)
        return 0600;
    if (plainModes)
        return (mode & m_umask) == 0 ? mode : 0600;
    return (mode & 0600) == 0600 ? mode : 0600;
}

bool Publisher::madeWithMode(int fd, const struct stat& src, mode_t asked, bool plainModes) {
    if (asked != (src.st_mode & 07777))
        return false;
    if (plainModes)
        return true;
    struct stat made;
    return ::fstat(fd, &made) == 0 && (made.st_mode & 07777) == asked;
}

Outcome Publisher::writeTemporary(const struct stat& src, int dirFd, bool plainModes,
                                  const Fill& fill, QByteArray& name) {
    const mode_t mode = createMode(src, plainModes);
    char temporary[] = ".pelmora-XXXXXXXX";
    Fd out;
    for (int tries = 0; tries < 100 && !out.valid(); ++tries) {
        static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        auto* random = QRandomGenerator::global();
        for (char* c = temporary + 9; *c; ++c)
            *c = digits[random->bounded(int(sizeof digits - 1))];
        out.reset(
            ::openat(dirFd, temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, mode));
        if (!out.valid() && errno != EEXIST)
            return fromErrno(errno);
    }
    if (!out.valid())
        return FsError::Io;
    // Looked at before any write: a network file system still has the
    // attributes the create brought.
    const bool modeSet = madeWithMode(out.get(), src, mode, plainModes);

    auto fail = [&](FsError error) {
        out.reset();
        ::unlinkat(dirFd, temporary, 0);
        return Outcome(error);
    };
    if (const Outcome o = fill(out.get()); !o)
        return fail(o.error);
    if (const Outcome o = keepMetadata(out.get(), src, modeSet); !o)
        return fail(o.error);
    if (!out.close())
        return fail(writeError(errno, dirFd));
    name = QByteArray(temporary);
    return Outcome::success();
}

Outcome Publisher::rename(int tempDir, const QByteArray& temporary, const PublishPlace& place,
                          bool exists) {
    const char* const cname = place.name.constData();
    if (!exists && !m_noExclusiveRename.count(place.dev)) {
        // A target that appeared meanwhile is never replaced unasked.
        if (::renameat2(tempDir, temporary.constData(), place.dirFd, cname, RENAME_NOREPLACE) == 0)
            return Outcome::success();
        if (errno == EEXIST)
            return Outcome(FsError::Appeared);
        if (errno != EINVAL && errno != ENOSYS)
            return Outcome(fromErrno(errno));
        // Refused by the file system (sshfs asks its server each time):
        // not asked again on this volume.
        m_noExclusiveRename.insert(place.dev);
    }
    if (::renameat(tempDir, temporary.constData(), place.dirFd, cname) != 0)
        return Outcome(fromErrno(errno));
    return Outcome::success();
}

Outcome Publisher::publishWritten(const struct stat& src, int tempDir, const QByteArray& temporary,
                                  const PublishPlace& place, const SeenTarget* seen) {
    bool exists = true;
    if (const std::optional<Outcome> refused = checkName(src, place, seen, exists))
        return *refused;
    return rename(tempDir, temporary, place, exists);
}

std::optional<Outcome> Publisher::publishUnnamed(int descriptor, const struct stat& src,
                                                 const PublishPlace& place, bool modeSet,
                                                 const Fill& fill) {
    Fd out(descriptor);
    const char* const cname = place.name.constData();
    if (const Outcome o = fill(out.get()); !o)
        return o;
    if (const Outcome o = keepMetadata(out.get(), src, modeSet); !o)
        return o;
    // Linking the descriptor itself is the cheap way; where the kernel
    // allows it only to privileged callers it says ENOENT, and the name
    // under /proc is used (then for the rest of the run).
    int linked = -1;
    int error = ENOENT;
    if (m_linkByDescriptor) {
        linked = ::linkat(out.get(), "", place.dirFd, cname, AT_EMPTY_PATH);
        error = errno;
    }
    if (linked != 0 && error == ENOENT) {
        char procPath[40];
        std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", out.get());
        linked = ::linkat(AT_FDCWD, procPath, place.dirFd, cname, AT_SYMLINK_FOLLOW);
        error = errno;
        if (linked == 0)
            m_linkByDescriptor = false;
    }
    if (linked != 0) {
        if (error == EEXIST)
            return Outcome(FsError::Appeared);
        if (error == ENOENT || error == EPERM)
            return std::nullopt;
        return Outcome(writeError(error, out.get()));
    }
    if (!out.close()) {
        const int e = errno;
        ::unlinkat(place.dirFd, cname, 0); // it was new: nothing is lost
        return Outcome(writeError(e, place.dirFd));
    }
    return Outcome::success();
}

} // namespace platform::copier

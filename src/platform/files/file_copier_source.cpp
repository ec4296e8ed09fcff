#include "platform/files/file_copier_source_p.h"

#include "platform/drives/drive_table.h"
#include "platform/files/file_copier_target_p.h"

#include <algorithm>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>

namespace platform::copier {

namespace {

// Whole seconds (sshfs, SMB), two on FAT, and a server's clock that need not
// agree with ours to the millisecond: two seconds cover them.
constexpr qint64 ForeignGranuleNs = 2'000'000'000;
// The kernel's coarse clock ticks at most every 10 ms; a change time further
// ahead than this means the clock was set back, and a change from now on
// gets an earlier time than that one anyway.
constexpr qint64 KernelWaitLimitNs = 50'000'000;

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

timespec fromNanoseconds(qint64 ns) {
    return timespec{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
}

qint64 now(bool kernelClock) {
    timespec t;
    ::clock_gettime(kernelClock ? CLOCK_REALTIME_COARSE : CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

bool stampedByThisKernel(int fd) {
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return false;
    return fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC ||
           fs.f_type == XFS_SUPER_MAGIC || fs.f_type == BTRFS_SUPER_MAGIC ||
           fs.f_type == F2FS_SUPER_MAGIC;
}

RacyWait racyWait(const struct stat& st, bool stampedByThisKernel) {
    RacyWait w;
    // A time with no fraction of a second was kept in whole seconds (a small
    // ext2 inode, say), whatever the file system.
    w.kernelClock = stampedByThisKernel && st.st_ctim.tv_nsec != 0;
    if (w.kernelClock) {
        // A later change is stamped with the coarse clock (or a finer time,
        // always a later one): once the clock has passed the change time,
        // no change can get that time again.
        const qint64 changed = nanoseconds(st.st_ctim);
        const qint64 clock = now(true);
        w.needed = changed >= clock && changed - clock < KernelWaitLimitNs;
        w.until = st.st_ctim;
        return w;
    }
    // Times set by hand (or by a copy) may be later than the change time:
    // the latest counts. A time further ahead than a granule is no clock's
    // now: a change now gets another time.
    const qint64 stamp = std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim));
    const qint64 clock = now(false);
    w.needed = stamp + ForeignGranuleNs > clock && stamp - clock < ForeignGranuleNs;
    w.until = fromNanoseconds(stamp + ForeignGranuleNs);
    return w;
}

void RacyWait::wait() const {
    if (!needed)
        return;
    const qint64 end = nanoseconds(until);
    for (qint64 clock = now(kernelClock); clock <= end; clock = now(kernelClock)) {
        const timespec pause = fromNanoseconds(std::min<qint64>(end - clock + 1, 1'000'000));
        ::nanosleep(&pause, nullptr);
    }
}

Outcome sameSource(const struct stat& before, int dirFd, const char* name) {
    struct stat now;
    if (::fstatat(dirFd, name, &now, 0) != 0 || now.st_dev != before.st_dev ||
        now.st_ino != before.st_ino || now.st_size != before.st_size ||
        !sameTime(now.st_mtim, before.st_mtim) || !sameTime(now.st_ctim, before.st_ctim))
        return FsError::SourceChanged;
    return Outcome::success();
}

Result<int> SourceFolder::open(const QString& path, struct stat& st, QByteArray& name) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    constexpr int Flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const qsizetype length = folderLength(path);
    Result<QByteArray> hostFileName = hostName(QStringView(path).mid(path.lastIndexOf(u'\\') + 1));
    if (length < 0 || !hostFileName) // names no file
        return FsError::Unlistable;
    name = std::move(hostFileName.value());
    const auto openIn = [&](int dirFd) -> Result<int> {
        Fd in(::openat(dirFd, name.constData(), Flags));
        if (!in.valid())
            return errno == ENOTDIR ? FsError::NotFound : fromErrno(errno);
        if (::fstat(in.get(), &st) != 0)
            return fromErrno(errno);
        return in.release();
    };
    if (m_fd.valid() && QStringView(path).left(length) == m_entry) {
        const Result<int> in = openIn(m_fd.get());
        if (!in || m_anyDevice || st.st_dev == m_device)
            return in;
        ::close(*in); // the volume may have changed: placed again
    }
    m_fd.reset();
    const Result<Place> at = DriveTable::instance().place(path.left(length));
    if (!at)
        return at.error();
    Fd folder(::open(at->host.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno == ENOTDIR ? FsError::NotFound : fromErrno(errno);
    // Just placed: a file on another device than the drive's lies on a
    // volume inside it (a subvolume, say).
    const Result<int> in = openIn(folder.get());
    if (in) {
        m_entry = path.left(length);
        m_fd.reset(folder.release());
        m_device = at->volume.device;
        m_anyDevice = at->onC;
    }
    return in;
}

Outcome SourceFolder::unchanged(const QString& path, const struct stat& before) {
    const qsizetype length = folderLength(path);
    const Result<QByteArray> name = hostName(QStringView(path).mid(path.lastIndexOf(u'\\') + 1));
    if (length < 0 || !name)
        return FsError::SourceChanged;
    // Its folder held: one stat of the name tells (a file on another
    // volume is another file). Else the folder is placed by opening the file.
    if (!m_fd.valid() || QStringView(path).left(length) != m_entry) {
        struct stat st;
        QByteArray opened;
        const Result<int> in = open(path, st, opened);
        if (!in)
            return FsError::SourceChanged;
        ::close(*in);
    }
    return sameSource(before, m_fd.get(), name->constData());
}

} // namespace platform::copier

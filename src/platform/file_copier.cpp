#include "file_copier.h"

#include "drive_path.h"
#include "drive_table.h"
#include "file_system.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {

namespace {

// One call of copy_file_range, sendfile or write moves at most about 2 GiB;
// asking for 1 GiB at a time keeps every count well inside ssize_t.
constexpr size_t ChunkBytes = size_t(1) << 30;
constexpr size_t BufferBytes = 256 * 1024;

class Fd {
public:
    explicit Fd(int fd = -1)
        : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and says whether the close succeeded: on some file systems
    // the last write errors only show here.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

FsError fromErrno(int e) {
    switch (e) {
    case ENOENT:
        return FsError::NotFound;
    case ENOTDIR:
        return FsError::NotAFolder;
    case EACCES:
    case EPERM:
        return FsError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FsError::NoSpace;
    case EROFS:
        return FsError::ReadOnly;
    case EISDIR:
        return FsError::UnsafeTarget;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
        return FsError::NotReady;
    default:
        return FsError::Io;
    }
}

// A write error on the target. Some file systems report a full disk as a
// plain I/O error; the free space tells the two apart.
FsError writeError(int e, int targetFd) {
    if (e == EIO) {
        struct statfs fs;
        if (::fstatfs(targetFd, &fs) == 0 && fs.f_bavail == 0)
            return FsError::NoSpace;
    }
    return fromErrno(e);
}

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

bool isPrefixFolder(const QByteArray& root, const QByteArray& path) {
    if (root == "/")
        return path.startsWith('/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == '/');
}

// The DOS attributes of a file, where the file system keeps them (FAT media).
__u32 fatAttributes(int dirFd, const char* name) {
    Fd fd(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    __u32 attributes = 0;
    if (!fd.valid() || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return 0;
    return attributes;
}

// Host paths of the drive-letter paths one copy needs. A drive's volume is
// checked once per copy, however many of its paths are translated.
class Translation {
public:
    Translation() = default;
    Translation(QChar letter, const QByteArray& checkedRoot)
        : m_letter(letter)
        , m_root(checkedRoot)
        , m_checked(true) {}

    Result<QByteArray> toHost(const QString& path) {
        const std::optional<QChar> letter = drive_path::driveOf(path);
        if (letter && m_checked && *letter == m_letter)
            return drive_path::toHostUnder(m_root, path);
        if (!letter)
            return FsError::Unlistable;
        const std::optional<QByteArray> root = DriveTable::instance().hostRoot(*letter);
        if (!root) {
            // A malformed path is refused as such whatever its drive.
            const Result<QByteArray> names = drive_path::toHostUnder(QByteArrayLiteral("/"), path);
            return names ? Result<QByteArray>(FsError::NotReady) : names;
        }
        const Result<QByteArray> host = drive_path::toHostUnder(*root, path);
        if (host) {
            m_letter = *letter;
            m_root = *root;
            m_checked = true;
        }
        return host;
    }
    QChar letter() const { return m_letter; }
    const QByteArray& root() const { return m_root; }

private:
    QChar m_letter;
    QByteArray m_root;
    bool m_checked = false;
};

// A target path as its folder's host path and the bare name in it.
struct TargetPlace {
    QChar letter;
    QByteArray folder;
    QByteArray name;
};

Result<TargetPlace> placeOf(const QString& target, Translation& hosts) {
    // A folder entry, or a drive root, is no file's path.
    const std::optional<QChar> letter = drive_path::driveOf(target);
    if (!letter || target.endsWith(QLatin1Char('\\')))
        return FsError::Unlistable;
    const Result<QByteArray> host = hosts.toHost(target);
    if (!host)
        return host.error();
    const qsizetype slash = host->lastIndexOf('/');
    if (slash < 0 || slash + 1 == host->size() || *host == hosts.root())
        return FsError::Unlistable;
    return TargetPlace{*letter, host->left(std::max<qsizetype>(slash, 1)), host->mid(slash + 1)};
}

} // namespace

struct FileCopier::Impl {
    // The folder of the last copy, held open: a run copies many files into
    // one folder in a row.
    struct Folder {
        QByteArray host;
        QChar letter;
        int fd = -1;
        dev_t dev = 0;
        ino_t ino = 0;
        bool fat = false;
    } folder;

    // What the last lookUp() found, for the copy right after it.
    struct LookedUp {
        bool valid = false;
        QString target;
        QChar letter;
        QByteArray root; // checked host root of the target's drive
        QByteArray name;
        int dirFd = -1;
        bool exists = false;
        struct stat st {}; // of the name itself, links not followed
    } looked;

    // One open folder per volume written since the last flush, for syncfs.
    std::map<dev_t, int> written;

    bool unnamed = true;
    bool linkByDescriptor = true;
    std::vector<char> m_buffer;
    char* buffer() {
        if (m_buffer.empty())
            m_buffer.resize(BufferBytes);
        return m_buffer.data();
    }

    ~Impl() {
        dropFolder();
        for (const auto& [dev, fd] : written)
            ::close(fd);
    }

    void dropFolder() {
        looked = LookedUp{};
        if (folder.fd >= 0)
            ::close(folder.fd);
        folder = Folder{};
    }

    Result<int> folderFd(QChar letter, const QByteArray& host);
    Outcome checkVolume(const QByteArray& host, const struct stat& st);
    std::optional<Outcome> copyInto(int in, const struct stat& src, int dirFd,
                                    const QByteArray& name, bool allowUnnamed,
                                    const LookedUp* known);
    // The copy once the paths are translated; dirFd < 0: open (or re-check)
    // the folder at folderHost first.
    Outcome copyFrom(const QByteArray& sourceHost, int dirFd, const QByteArray& name,
                     const LookedUp* known, QChar letter, const QByteArray& folderHost);
    Outcome copyBytes(int in, int out, off_t length, dev_t sourceDevice);

    // Volume pairs between which copy_file_range said it cannot work, so
    // the next copy between them skips the refused call.
    std::set<std::pair<dev_t, dev_t>> noRange;
    Outcome copyUnsized(int in, int out);
    Outcome writeAll(int out, size_t size); // from the buffer
    Outcome keepMetadata(int out, const struct stat& src);
    void noteWritten(int dirFd, dev_t dev);
};

Result<int> FileCopier::Impl::folderFd(QChar letter, const QByteArray& host) {
    if (folder.fd >= 0 && folder.letter == letter && folder.host == host) {
        // Cheap re-validation: the path still leads to the folder held open
        // (not removed, renamed, or a volume unmounted from under it).
        struct stat st;
        if (::stat(host.constData(), &st) == 0 && st.st_dev == folder.dev &&
            st.st_ino == folder.ino)
            return folder.fd;
    }
    dropFolder();

    Fd fd(::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return fromErrno(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fromErrno(errno);
    if (const Outcome volume = checkVolume(host, st); !volume)
        return volume.error;

    struct statfs fs;
    folder.fat = ::fstatfs(fd.get(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
    folder.host = host;
    folder.letter = letter;
    folder.dev = st.st_dev;
    folder.ino = st.st_ino;
    folder.fd = fd.release();
    return folder.fd;
}

// Never write into the bare mount-point folder of a volume that has gone:
// after an unmount the folder is still there and takes files, which then
// land on the volume beneath it.
Outcome FileCopier::Impl::checkVolume(const QByteArray& host, const struct stat& st) {
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
        if (!device || *device != st.st_dev)
            return FsError::NotReady;
    }
    return Outcome::success();
}

Outcome FileCopier::Impl::writeAll(int out, size_t size) {
    for (size_t put = 0; put < size;) {
        const ssize_t w = ::write(out, m_buffer.data() + put, size - put);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return writeError(errno, out);
        if (w == 0)
            return FsError::Io;
        put += size_t(w);
    }
    return Outcome::success();
}

// Files that say they are empty may not be (those under /proc): read until
// the end. Never endless: the source is a regular file opened non-blocking.
Outcome FileCopier::Impl::copyUnsized(int in, int out) {
    for (off_t done = 0;;) {
        const ssize_t n = ::pread(in, buffer(), BufferBytes, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fromErrno(errno);
        if (n == 0)
            return Outcome::success();
        if (const Outcome o = writeAll(out, size_t(n)); !o)
            return o;
        done += n;
    }
}

Outcome FileCopier::Impl::copyBytes(int in, int out, off_t length, dev_t sourceDevice) {
    if (length == 0)
        return copyUnsized(in, out);
    const std::pair<dev_t, dev_t> volumes{sourceDevice, folder.dev};
    enum class Route {
        Range,
        Send,
        Plain
    } route = noRange.count(volumes) ? Route::Send : Route::Range;
    off_t done = 0;
    while (done < length) {
        const size_t chunk = size_t(std::min<off_t>(length - done, off_t(ChunkBytes)));
        ssize_t n = 0;
        if (route == Route::Range) {
            // Reflinks on file systems that share extents; elsewhere the
            // kernel copies without the data passing through us.
            loff_t from = done;
            n = ::copy_file_range(in, &from, out, nullptr, chunk, 0);
            if (n < 0 && (errno == EXDEV || errno == EOPNOTSUPP || errno == ENOSYS)) {
                noRange.insert(volumes);
                route = Route::Send;
                continue;
            }
            if (n < 0 && errno == EINVAL) {
                route = Route::Send;
                continue;
            }
            if (n == 0) { // some file systems say 0 where they cannot do it
                route = Route::Send;
                continue;
            }
        } else if (route == Route::Send) {
            off_t from = done;
            n = ::sendfile(out, in, &from, chunk);
            if (n < 0 && (errno == EINVAL || errno == ENOSYS)) {
                route = Route::Plain;
                continue;
            }
            if (n == 0) {
                route = Route::Plain;
                continue;
            }
        } else {
            n = ::pread(in, buffer(), std::min(chunk, BufferBytes), done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fromErrno(errno);
            if (n == 0)
                return FsError::ShortCopy; // the source shrank under us
            if (const Outcome o = writeAll(out, size_t(n)); !o)
                return o;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return writeError(errno, out);
        }
        done += n;
    }
    return Outcome::success();
}

Outcome FileCopier::Impl::keepMetadata(int out, const struct stat& src) {
    if (::fchmod(out, src.st_mode & 07777) != 0 && fatalMetadataError(errno))
        return fromErrno(errno);
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (::futimens(out, times) != 0 && fatalMetadataError(errno))
        return fromErrno(errno);
    return Outcome::success();
}

void FileCopier::Impl::noteWritten(int dirFd, dev_t dev) {
    if (written.count(dev))
        return;
    const int fd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (fd >= 0)
        written.emplace(dev, fd);
}

// One attempt. nullopt: the target appeared while an unnamed temporary was
// being filled; try again the named way, which checks the newcomer first.
std::optional<Outcome> FileCopier::Impl::copyInto(int in, const struct stat& src, int dirFd,
                                                  const QByteArray& name, bool allowUnnamed,
                                                  const LookedUp* known) {
    const char* const cname = name.constData();
    const bool hidden = name.startsWith('.');

    struct stat target;
    bool exists = true;
    if (known) {
        exists = known->exists;
        target = known->st;
    } else if (::fstatat(dirFd, cname, &target, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return Outcome(fromErrno(errno));
        exists = false;
    }

    if (exists) {
        // The source itself comes first: whatever else is wrong with the
        // target, that is what stops a run.
        const bool link = S_ISLNK(target.st_mode);
        struct stat pointee;
        const bool leads = link && ::fstatat(dirFd, cname, &pointee, 0) == 0;
        if ((link && leads && sameFile(pointee, src)) || (!link && sameFile(target, src)))
            return Outcome(FsError::SameFile);
        if (hidden)
            return Outcome(FsError::UnsafeTarget);
        if (link) {
            // The link itself is replaced, never written through; but a link
            // that shows as a folder is not ours to take.
            if (leads && S_ISDIR(pointee.st_mode))
                return Outcome(FsError::UnsafeTarget);
        } else {
            if (!S_ISREG(target.st_mode))
                return Outcome(FsError::UnsafeTarget);
            // Checked here: root's writes ignore the bits.
            if ((target.st_mode & 0222) == 0)
                return Outcome(FsError::ReadOnly);
            if (folder.fat && (fatAttributes(dirFd, cname) & ATTR_SYS))
                return Outcome(FsError::UnsafeTarget);
        }
    }

    if (!exists && allowUnnamed) {
        Fd out(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (!out.valid() && !unnamedUnsupported(errno))
            return Outcome(fromErrno(errno));
        if (out.valid()) {
            if (const Outcome o = copyBytes(in, out.get(), src.st_size, src.st_dev); !o)
                return o;
            if (const Outcome o = keepMetadata(out.get(), src); !o)
                return o;
            // Linking the descriptor itself is the cheap way; where the
            // kernel allows it only to privileged callers it says ENOENT,
            // and the name under /proc is used (then for the rest of the run).
            int linked = -1;
            int error = ENOENT;
            if (linkByDescriptor) {
                linked = ::linkat(out.get(), "", dirFd, cname, AT_EMPTY_PATH);
                error = errno;
            }
            if (linked != 0 && error == ENOENT) {
                char procPath[40];
                std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", out.get());
                linked = ::linkat(AT_FDCWD, procPath, dirFd, cname, AT_SYMLINK_FOLLOW);
                error = errno;
                if (linked == 0)
                    linkByDescriptor = false;
            }
            errno = error;
            if (linked != 0) {
                if (errno == EEXIST || errno == ENOENT || errno == EPERM)
                    return std::nullopt;
                return Outcome(writeError(errno, out.get()));
            }
            if (!out.close()) {
                const int e = errno;
                ::unlinkat(dirFd, cname, 0); // it was new: nothing is lost
                return Outcome(writeError(e, dirFd));
            }
            return Outcome::success();
        }
    }

    // Named temporary: hidden, unique, in the same folder so that the
    // rename is atomic.
    char temporary[] = ".pelmora-XXXXXXXX";
    Fd out;
    for (int tries = 0; tries < 100 && !out.valid(); ++tries) {
        static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        auto* random = QRandomGenerator::global();
        for (char* c = temporary + 9; *c; ++c)
            *c = digits[random->bounded(int(sizeof digits - 1))];
        out.reset(
            ::openat(dirFd, temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!out.valid() && errno != EEXIST)
            return Outcome(fromErrno(errno));
    }
    if (!out.valid())
        return Outcome(FsError::Io);

    auto fail = [&](FsError error) {
        out.reset();
        ::unlinkat(dirFd, temporary, 0);
        return Outcome(error);
    };
    if (const Outcome o = copyBytes(in, out.get(), src.st_size, src.st_dev); !o)
        return fail(o.error);
    if (const Outcome o = keepMetadata(out.get(), src); !o)
        return fail(o.error);
    if (!out.close())
        return fail(writeError(errno, dirFd));

    if (!exists) {
        // A target that appeared meanwhile is checked before it is replaced.
        if (::renameat2(dirFd, temporary, dirFd, cname, RENAME_NOREPLACE) == 0)
            return Outcome::success();
        if (errno == EEXIST) {
            ::unlinkat(dirFd, temporary, 0);
            return std::nullopt;
        }
        if (errno != EINVAL && errno != ENOSYS)
            return fail(fromErrno(errno));
    }
    if (::renameat(dirFd, temporary, dirFd, cname) != 0)
        return fail(fromErrno(errno));
    return Outcome::success();
}

FileCopier::FileCopier()
    : d(std::make_unique<Impl>()) {}

FileCopier::~FileCopier() = default;

void FileCopier::setUnnamedTemporaries(bool on) {
    d->unnamed = on;
}

Outcome FileCopier::copy(const QString& source, const QString& target) {
    d->looked = Impl::LookedUp{};
    if (!drive_path::driveOf(target) || target.endsWith(QLatin1Char('\\')))
        return FsError::Unlistable;
    Translation hosts;
    const auto sourceHost = hosts.toHost(source);
    if (!sourceHost)
        return sourceHost.error();
    const auto place = placeOf(target, hosts);
    if (!place)
        return place.error();
    return d->copyFrom(*sourceHost, -1, place->name, nullptr, place->letter, place->folder);
}

bool FileCopier::lookUp(const QString& target) {
    d->looked = Impl::LookedUp{};
    if (drive_path::nameOf(target).startsWith(QLatin1Char('.')))
        return false; // hidden
    Translation hosts;
    const auto place = placeOf(target, hosts);
    if (!place) // no file can be there
        return false;
    const auto dirFd = d->folderFd(place->letter, place->folder);
    if (!dirFd) // not a folder the copy would write into: the plain answer
        return !file_system::lookupOrdinaryFile(target).isEmpty();

    Impl::LookedUp looked;
    if (::fstatat(*dirFd, place->name.constData(), &looked.st, AT_SYMLINK_NOFOLLOW) == 0)
        looked.exists = true;
    else if (errno != ENOENT)
        return false;
    looked.valid = true;
    looked.target = target;
    looked.letter = place->letter;
    looked.root = hosts.root();
    looked.name = place->name;
    looked.dirFd = *dirFd;
    d->looked = looked;

    if (!looked.exists)
        return false;
    if (S_ISLNK(looked.st.st_mode)) // where the link leads decides
        return !file_system::lookupOrdinaryFile(target).isEmpty();
    if (!S_ISREG(looked.st.st_mode))
        return false;
    return !d->folder.fat ||
           (fatAttributes(*dirFd, place->name.constData()) & (ATTR_HIDDEN | ATTR_SYS)) == 0;
}

Outcome FileCopier::copyAfterLookUp(const QString& source, const QString& target) {
    const Impl::LookedUp looked = std::exchange(d->looked, Impl::LookedUp{});
    if (!looked.valid || looked.target != target || looked.dirFd != d->folder.fd)
        return copy(source, target);
    Translation hosts(looked.letter, looked.root);
    const auto sourceHost = hosts.toHost(source);
    if (!sourceHost)
        return sourceHost.error();
    return d->copyFrom(*sourceHost, looked.dirFd, looked.name, &looked, looked.letter, {});
}

Outcome FileCopier::Impl::copyFrom(const QByteArray& sourceHost, int dirFd, const QByteArray& name,
                                   const LookedUp* known, QChar letter,
                                   const QByteArray& folderHost) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Fd in(::open(sourceHost.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!in.valid())
        return errno == ENOTDIR ? FsError::NotFound : fromErrno(errno);
    struct stat src;
    if (::fstat(in.get(), &src) != 0)
        return fromErrno(errno);
    if (!S_ISREG(src.st_mode))
        return FsError::NotAFile;

    if (dirFd < 0) {
        const auto held = folderFd(letter, folderHost);
        if (!held)
            return held.error();
        dirFd = *held;
    }

    bool allowUnnamed = unnamed;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // What the lookup saw stands for the first attempt only.
        const auto outcome =
            copyInto(in.get(), src, dirFd, name, allowUnnamed, attempt == 0 ? known : nullptr);
        if (outcome) {
            if (outcome->ok())
                noteWritten(dirFd, folder.dev);
            return *outcome;
        }
        allowUnnamed = false;
    }
    return FsError::Io; // the name keeps appearing and vanishing under us
}

Outcome FileCopier::flush() {
    Outcome result;
    for (const auto& [dev, fd] : d->written) {
        if (::syncfs(fd) != 0 && result.ok())
            result = Outcome(fromErrno(errno));
        ::close(fd);
    }
    d->written.clear();
    d->dropFolder();
    return result;
}

} // namespace platform

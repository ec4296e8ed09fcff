#include "platform/files/file_system.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/aside.h"

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

// Folders are read with POSIX calls directly: QDir leaves out names that are
// not UTF-8 without a word and costs a stat per entry.
//
// A call that can wait on a volume (a listing, a file's length) is handed
// to the worker of aside.h: on a network share whose server has stopped
// answering it waits until the server answers or the connection ends, and
// the windows must answer meanwhile. The drive-letter path is resolved to
// the host's path first, here: the drive table is no worker's to touch, and
// it answers from the kernel's cache without asking a server.
namespace platform::file_system {

namespace {

FsError errorOf(int e) {
    switch (e) {
    case ENOENT:
        return FsError::NotFound;
    case EACCES:
    case EPERM:
        return FsError::AccessDenied;
    case ENOTDIR:
        return FsError::NotAFolder;
    default:
        return FsError::Io;
    }
}

// Closes a folder however the listing ends.
class OpenFolder {
public:
    explicit OpenFolder(DIR* dir)
        : m_dir(dir) {}
    ~OpenFolder() {
        if (m_dir)
            ::closedir(m_dir);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

// Where a drive-letter path leads, checked now.
Result<QByteArray> hostOf(const QString& path) {
    Result<Place> at = DriveTable::instance().place(path);
    if (!at)
        return at.error();
    return std::move(at.value().host);
}

Result<int> openFolderFd(const QByteArray& host) {
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errorOf(errno);
    return fd;
}

enum class Kind { Folder, File, Other };

// What an entry is, following symbolic links; a dangling or looping link,
// or one that cannot be looked at, is Other.
Kind kindOf(int dirFd, const dirent* entry) {
    switch (entry->d_type) {
    case DT_DIR:
        return Kind::Folder;
    case DT_REG:
        return Kind::File;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    struct stat st;
    if (::fstatat(dirFd, entry->d_name, &st, 0) != 0)
        return Kind::Other;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    if (S_ISREG(st.st_mode))
        return Kind::File;
    return Kind::Other;
}

bool isFat(int fd) {
    struct statfs fs;
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

struct DosMarks {
    bool hidden = false;
    bool system = false;
};

// The DOS attributes of a regular file on a FAT volume.
DosMarks dosMarks(int dirFd, const char* name) {
    DosMarks marks;
    // Non-blocking: should the name have turned into a FIFO meanwhile.
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return marks;
    __u32 attributes = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0) {
        marks.hidden = (attributes & ATTR_HIDDEN) != 0;
        marks.system = (attributes & ATTR_SYS) != 0;
    }
    ::close(fd);
    return marks;
}

// Case-insensitive as a person reads a list; names differing only in case
// keep one fixed order.
struct SortKey {
    QString folded;
    qsizetype index;
};

template <typename T, typename NameOf> void sortByName(QList<T>& items, NameOf nameOf) {
    std::vector<SortKey> keys;
    keys.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        keys.push_back({nameOf(items.at(i)).toCaseFolded(), i});
    std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        if (const int c = a.folded.compare(b.folded); c != 0)
            return c < 0;
        return nameOf(items.at(a.index)) < nameOf(items.at(b.index));
    });
    QList<T> sorted;
    sorted.reserve(items.size());
    for (const SortKey& k : keys)
        sorted.append(std::move(items[k.index]));
    items = std::move(sorted);
}

// Calls visit(dirFd, entry) for every listable name of the host folder.
template <typename Visit> Outcome eachListable(const QByteArray& folder, Visit visit) {
    const Result<int> fd = openFolderFd(folder);
    if (!fd)
        return fd.error();
    DIR* dir = ::fdopendir(*fd);
    if (!dir) {
        const int e = errno;
        ::close(*fd);
        return errorOf(e);
    }
    OpenFolder open(dir);
    const int dirFd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return errno == 0 ? Outcome::success() : Outcome(errorOf(errno));
        const QByteArray name = QByteArray::fromRawData(entry->d_name, qstrlen(entry->d_name));
        if (!drive_path::isListableName(name))
            continue; // also "." and ".."
        visit(dirFd, entry, name);
    }
}

// What one listing found, gathered aside: the names of one kind, each
// followed by a NUL, and their DOS marks. Packed, because what the worker
// allocates lands on fresh pages of a heap of its own: tens of thousands of
// strings made there cost more than the listing. The text is made here.
struct Found {
    QByteArray names;
    std::vector<DosMarks> marks;

    template <typename Visit> void each(Visit visit) const {
        const char* name = names.constData();
        for (const DosMarks& m : marks) {
            const qsizetype length = qstrlen(name);
            visit(QByteArrayView(name, length), m);
            name += length + 1;
        }
    }
};

Result<Found> gather(const QByteArray& folder, Kind kind) {
    Found found;
    std::optional<bool> onFat;
    const Outcome listed =
        eachListable(folder, [&](int dirFd, const dirent* entry, const QByteArray& name) {
            // Hidden folders are never shown; hidden files on request.
            if ((kind == Kind::Folder && name.startsWith('.')) || kindOf(dirFd, entry) != kind)
                return;
            DosMarks marks;
            if (kind == Kind::File) {
                if (!onFat)
                    onFat = isFat(dirFd);
                if (*onFat)
                    marks = dosMarks(dirFd, entry->d_name);
            }
            found.names.append(name).append('\0');
            found.marks.push_back(marks);
        });
    if (!listed)
        return listed.error;
    return found;
}

Result<struct stat> statAt(const QByteArray& host) {
    struct stat st;
    if (::stat(host.constData(), &st) != 0)
        return errorOf(errno);
    return st;
}

Result<struct stat> statOf(const QString& path) {
    const Result<QByteArray> host = hostOf(path);
    if (!host)
        return host.error();
    return statAt(*host);
}

Result<qint64> lengthAt(const QByteArray& host) {
    const Result<struct stat> st = statAt(host);
    if (!st)
        return st.error();
    if (!S_ISREG(st->st_mode))
        return FsError::NotAFile;
    return qint64(st->st_size);
}

// gather() of a drive-letter folder, on the worker.
Result<Found> gatherAside(const QString& folder, Kind kind) {
    const Result<QByteArray> host = hostOf(folder);
    if (!host)
        return host.error();
    return aside::call([&] { return gather(*host, kind); });
}

} // namespace

Result<QStringList> folders(const QString& folder) {
    const Result<Found> found = gatherAside(folder, Kind::Folder);
    if (!found)
        return found.error();
    QStringList names;
    names.reserve(qsizetype(found->marks.size()));
    found->each(
        [&](QByteArrayView name, const DosMarks&) { names.append(QString::fromUtf8(name)); });
    sortByName(names, [](const QString& n) -> const QString& { return n; });
    return names;
}

Outcome canList(const QString& folder) {
    const Result<QByteArray> host = hostOf(folder);
    if (!host)
        return host.error();
    return aside::call([&] {
        const Result<int> fd = openFolderFd(*host);
        if (!fd)
            return Outcome(fd.error());
        ::close(*fd);
        return Outcome::success();
    });
}

Result<QList<FileEntry>> files(const QString& folder) {
    const Result<Found> found = gatherAside(folder, Kind::File);
    if (!found)
        return found.error();
    QList<FileEntry> entries;
    entries.reserve(qsizetype(found->marks.size()));
    found->each([&](QByteArrayView name, const DosMarks& marks) {
        entries.append(
            {QString::fromUtf8(name), name.startsWith('.') || marks.hidden, marks.system});
    });
    sortByName(entries, [](const FileEntry& e) -> const QString& { return e.name; });
    return entries;
}

Result<qint64> length(const QString& path) {
    const Result<QByteArray> host = hostOf(path);
    if (!host)
        return host.error();
    return aside::call([&] { return lengthAt(*host); });
}

QList<Result<qint64>> lengths(const QStringList& paths) {
    if (paths.isEmpty())
        return {};
    // Each folder is checked here, once; the names are joined to it aside
    // with the files' looks, as they may be many.
    QHash<QString, Result<QByteArray>> folders;
    for (const QString& path : paths) {
        const QString folder = drive_path::parentOf(path);
        if (!folders.contains(folder))
            folders.insert(folder, folder.isEmpty() ? Result<QByteArray>(FsError::Unlistable)
                                                    : hostOf(folder));
    }
    return aside::call([&paths, &folders = std::as_const(folders)] {
        QList<Result<qint64>> found;
        found.reserve(paths.size());
        for (const QString& path : paths) {
            const Result<QByteArray>& folder = *folders.constFind(drive_path::parentOf(path));
            if (!folder) {
                found.append(folder.error());
                continue;
            }
            // The bare name checked as a name of its own, under its folder.
            const Result<QByteArray> host = drive_path::hostPathUnder(
                *folder, QStringLiteral("C:\\") + drive_path::nameOf(path));
            found.append(host ? lengthAt(*host) : Result<qint64>(host.error()));
        }
        return found;
    });
}

Result<QDateTime> modified(const QString& path) {
    const Result<struct stat> st = statOf(path);
    if (!st)
        return st.error();
    const qint64 ms = qint64(st->st_mtim.tv_sec) * 1000 + st->st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
}

QString lookupOrdinaryFile(const QString& path) {
    const QString name = drive_path::nameOf(path);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return {};
    const Result<QByteArray> host = hostOf(path);
    if (!host)
        return {};
    struct stat st;
    if (::stat(host->constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    struct statfs fs;
    if (::statfs(host->constData(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC) {
        const DosMarks marks = dosMarks(AT_FDCWD, host->constData());
        if (marks.hidden || marks.system)
            return {};
    }
    return name;
}

bool sameFile(const QString& a, const QString& b) {
    const Result<struct stat> first = statOf(a);
    const Result<struct stat> second = statOf(b);
    return first && second && first->st_dev == second->st_dev && first->st_ino == second->st_ino;
}

} // namespace platform::file_system

#include "platform/files/file_system.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"

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

Result<int> openFolderFd(const QString& folder) {
    const Result<QByteArray> host = hostOf(folder);
    if (!host)
        return host.error();
    const int fd = ::open(host->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

// Calls visit(dirFd, entry) for every listable name of the folder.
template <typename Visit> Outcome eachListable(const QString& folder, Visit visit) {
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

} // namespace

Result<QStringList> folders(const QString& folder) {
    QStringList names;
    const Outcome listed =
        eachListable(folder, [&](int dirFd, const dirent* entry, const QByteArray& name) {
            if (name.startsWith('.'))
                return;
            if (kindOf(dirFd, entry) == Kind::Folder)
                names.append(QString::fromUtf8(name));
        });
    if (!listed)
        return listed.error;
    sortByName(names, [](const QString& n) -> const QString& { return n; });
    return names;
}

Outcome canList(const QString& folder) {
    const Result<int> fd = openFolderFd(folder);
    if (!fd)
        return fd.error();
    ::close(*fd);
    return Outcome::success();
}

Result<QList<FileEntry>> files(const QString& folder) {
    QList<FileEntry> entries;
    std::optional<bool> onFat;
    const Outcome listed =
        eachListable(folder, [&](int dirFd, const dirent* entry, const QByteArray& name) {
            if (kindOf(dirFd, entry) != Kind::File)
                return;
            FileEntry e;
            e.name = QString::fromUtf8(name);
            e.hidden = name.startsWith('.');
            if (!onFat)
                onFat = isFat(dirFd);
            if (*onFat) {
                const DosMarks marks = dosMarks(dirFd, entry->d_name);
                e.hidden = e.hidden || marks.hidden;
                e.system = marks.system;
            }
            entries.append(std::move(e));
        });
    if (!listed)
        return listed.error;
    sortByName(entries, [](const FileEntry& e) -> const QString& { return e.name; });
    return entries;
}

namespace {

Result<struct stat> statOf(const QString& path) {
    const Result<QByteArray> host = hostOf(path);
    if (!host)
        return host.error();
    struct stat st;
    if (::stat(host->constData(), &st) != 0)
        return errorOf(errno);
    return st;
}

} // namespace

Result<qint64> length(const QString& path) {
    const Result<struct stat> st = statOf(path);
    if (!st)
        return st.error();
    if (!S_ISREG(st->st_mode))
        return FsError::NotAFile;
    return qint64(st->st_size);
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

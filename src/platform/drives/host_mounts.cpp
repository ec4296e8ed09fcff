#include "platform/drives/host_mounts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::host_mounts {

namespace {

constexpr char SelfMountInfo[] = "/proc/self/mountinfo";
// statx's STATX_MNT_ID_UNIQUE (Linux 6.8), newer than this system's headers.
constexpr unsigned MountIdUnique = 0x4000;

// One line of mountinfo, with the octal escapes of its paths decoded.
struct Line {
    int id = -1;
    QByteArray root; // the folder of the file system seen at the mount point
    QByteArray mountPoint;
    QByteArray fsType;
    QByteArray source;
    QByteArray superOptions;
};

QByteArray readWholeFile(const QByteArray& path) {
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer.data(), n);
    }
    ::close(fd);
    return data;
}

// mountinfo writes space, tab, newline and backslash as \040, \011, \012, \134.
QByteArray unescape(const QByteArray& field) {
    if (!field.contains('\\'))
        return field;
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field.at(i + 1), b = field.at(i + 2), d = field.at(i + 3);
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out.append(char(((a - '0') << 6) | ((b - '0') << 3) | (d - '0')));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

std::optional<Line> parseLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split(' ');
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
    if (fields.size() < 6 || dash < 0 || dash + 2 >= fields.size())
        return std::nullopt;
    Line m;
    bool ok = false;
    m.id = fields.at(0).toInt(&ok);
    if (!ok)
        return std::nullopt;
    m.root = unescape(fields.at(3));
    m.mountPoint = unescape(fields.at(4));
    m.fsType = unescape(fields.at(dash + 1));
    m.source = unescape(fields.at(dash + 2));
    if (dash + 3 < fields.size())
        m.superOptions = fields.at(dash + 3);
    return m;
}

bool isBelow(const QByteArray& path, const QByteArray& place) {
    return path != place && isAtOrBelow(path, place);
}

// Where removable and hand-mounted volumes go: any file system there is a drive.
bool inRemovablePlace(const QByteArray& mountPoint) {
    return isBelow(mountPoint, "/media") || isBelow(mountPoint, "/run/media") ||
           isBelow(mountPoint, "/mnt");
}

// Parts of the system itself, even when they are volumes of their own: they
// stay folders of C:, where a person already finds them (C:\home\ann); a
// letter for /home would show the same files in two places.
bool inSystemPlace(const QByteArray& mountPoint) {
    static const char* const places[] = {
        "/bin",   "/boot",   "/dev", "/efi", "/etc",  "/home", "/lib", "/lib32",
        "/lib64", "/libx32", "/nix", "/opt", "/proc", "/root", "/run", "/sbin",
        "/snap",  "/srv",    "/sys", "/tmp", "/usr",  "/var",
    };
    for (const char* place : places) {
        if (isAtOrBelow(mountPoint, place))
            return true;
    }
    return false;
}

bool isNetworkFileSystem(const QByteArray& fsType) {
    static const char* const types[] = {
        "nfs",         "nfs4",      "cifs",        "smb3",      "smbfs",
        "ncpfs",       "afs",       "ceph",        "glusterfs", "fuse.sshfs",
        "fuse.rclone", "fuse.s3fs", "fuse.davfs2", "davfs",     "fuse.glusterfs",
    };
    return std::find_if(std::begin(types), std::end(types),
                        [&](const char* t) { return fsType == t; }) != std::end(types);
}

// A bind mount shows a folder of its file system, not the whole volume (a
// container's /etc/hosts, say); a btrfs subvolume mount looks alike but
// names the subvolume in its options.
bool showsWholeVolume(const Line& m) {
    if (m.root == "/")
        return true;
    if (m.fsType == "btrfs") {
        for (const QByteArray& option : m.superOptions.split(',')) {
            if (option == "subvol=" + m.root)
                return true;
        }
    }
    return false;
}

bool isDrive(const Line& m) {
    if (m.mountPoint == "/" || !m.mountPoint.startsWith('/'))
        return false;
    // Looking at an automount point would mount it (or wait on a network).
    if (m.fsType == "autofs")
        return false;
    if (!showsWholeVolume(m))
        return false;
    if (inRemovablePlace(m.mountPoint))
        return true;
    if (inSystemPlace(m.mountPoint))
        return false;
    return m.source.startsWith("/dev/") || isNetworkFileSystem(m.fsType);
}

QByteArray parentFolder(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

} // namespace

// Whether path is place or lies below it, name by name.
bool isAtOrBelow(const QByteArray& path, const QByteArray& place) {
    if (place == "/")
        return path.startsWith('/');
    return path == place || (path.startsWith(place) && path.at(place.size()) == '/');
}

QString labelOf(const QByteArray& mountPoint) {
    const qsizetype slash = mountPoint.lastIndexOf('/');
    return QString::fromUtf8(mountPoint.mid(slash + 1));
}

// One statx call: the volume, the mount and the kind of a folder. Cached
// attributes do (a network volume is not asked), automounts are not set off.
// A kernel without unique mount ids answers with the mount's id.
std::optional<Look> look(const QByteArray& path, bool uniqueMountId) {
    struct statx sx;
    if (::statx(AT_FDCWD, path.constData(), AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                STATX_TYPE | STATX_INO | (uniqueMountId ? MountIdUnique : STATX_MNT_ID), &sx) != 0)
        return std::nullopt;
    Look l;
    l.folder = S_ISDIR(sx.stx_mode);
    l.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    l.inode = sx.stx_ino;
    l.uniqueMountId = (sx.stx_mask & MountIdUnique) != 0;
    l.knowsMountId = l.uniqueMountId || (sx.stx_mask & STATX_MNT_ID) != 0;
    l.mountId = sx.stx_mnt_id;
    l.knowsMountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0;
    l.mountRoot = (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return l;
}

// Whether the folder at path is where the mount `mountId` sits now, and not
// the bare folder left behind after an unmount or one hidden by a later mount.
bool isMountedHere(const QByteArray& path, const Look& l, int mountId) {
    if (l.knowsMountId)
        return l.mountId == quint64(mountId);
    if (l.knowsMountRoot)
        return l.mountRoot;
    const std::optional<Look> parent = look(parentFolder(path));
    return parent && parent->device != l.device;
}

QList<Mount> readDrives(const QByteArray& mountInfoPath) {
    const bool realMounts = mountInfoPath.isEmpty();
    if (realMounts)
        catchUp(); // the table read now: every change before it is counted
    const QByteArray text = readWholeFile(realMounts ? QByteArray(SelfMountInfo) : mountInfoPath);
    QList<Mount> seen;
    for (const QByteArray& row : text.split('\n')) {
        const std::optional<Line> line = parseLine(row);
        if (!line || !isDrive(*line))
            continue;
        seen.removeIf([&](const Mount& s) { return s.mountPoint == line->mountPoint; });
        Mount m{line->id, line->mountPoint, line->fsType, isNetworkFileSystem(line->fsType)};
        if (const std::optional<Look> l = look(m.mountPoint)) {
            // A mount point that is not a folder is a bind-mounted file.
            if (!l->folder)
                continue;
            if (realMounts && !isMountedHere(m.mountPoint, *l, m.id))
                continue;
            m.device = l->device;
            if (const std::optional<Look> u = realMounts ? look(m.mountPoint, true) : std::nullopt;
                u && u->uniqueMountId && u->device == m.device) {
                m.knowsUniqueId = true;
                m.uniqueId = u->mountId;
            }
        } else if (realMounts) {
            continue; // out of reach (another user's volume, say)
        }
        seen.append(m);
    }
    return seen;
}

namespace {

// The kernel marks each open mount table when the mounts change, and a poll
// of it takes the mark off. One table is waited on by a thread of its own,
// which counts the changes as they happen, so that a copy asks a counter and
// makes no call; the other is looked at by catchUp(), so that whoever reads
// the table has every change before it counted.
struct ChangeCounter {
    std::atomic<quint64> changes{0};
    std::atomic<bool> counting{false};
    int catchUpFd = -1;

    bool markedSince(int fd) {
        struct pollfd p {
            fd, POLLPRI, 0
        };
        return ::poll(&p, 1, 0) != 0;
    }
};

ChangeCounter& counter() {
    // Never destroyed: the waiting thread may outlive every static.
    static ChangeCounter* const c = [] {
        auto* made = new ChangeCounter;
        const int waitFd = ::open(SelfMountInfo, O_RDONLY | O_CLOEXEC);
        made->catchUpFd = ::open(SelfMountInfo, O_RDONLY | O_CLOEXEC);
        if (waitFd < 0 || made->catchUpFd < 0) {
            if (waitFd >= 0)
                ::close(waitFd);
            return made; // not counting: every question says "changed"
        }
        made->counting = true;
        try {
            std::thread([made, waitFd] {
                for (;;) {
                    struct pollfd p {
                        waitFd, POLLPRI, 0
                    };
                    const int n = ::poll(&p, 1, -1);
                    if (n > 0 && (p.revents & POLLNVAL) == 0) {
                        made->changes.fetch_add(1, std::memory_order_release);
                    } else if (n < 0 && errno == EINTR) {
                        continue;
                    } else {
                        made->counting = false; // cannot wait any more: no answer is trusted
                        return;
                    }
                }
            }).detach();
        } catch (const std::system_error&) {
            made->counting = false;
        }
        return made;
    }();
    return *c;
}

} // namespace

void catchUp() {
    ChangeCounter& c = counter();
    if (c.catchUpFd >= 0 && c.markedSince(c.catchUpFd))
        c.changes.fetch_add(1, std::memory_order_release);
}

MountWatch::MountWatch()
    : m_seen(counter().changes.load(std::memory_order_acquire)) {}

bool MountWatch::changed() {
    ChangeCounter& c = counter();
    const quint64 now = c.changes.load(std::memory_order_acquire);
    const bool moved = std::exchange(m_seen, now) != now;
    return moved || !c.counting.load(std::memory_order_relaxed);
}

} // namespace platform::host_mounts
